// A stand-in for LibreOffice in tests: a program "soffice" that converts
// every file it is given (after "--outdir D") into a one-page PDF in D
// reading "STUB PAGE", and appends its arguments to "runs.log" beside
// itself, one run a line. Put its folder first on PATH.
#pragma once

#include <string>

namespace rpt::testing {

// Writes the program into `bin` (created when missing) and returns `bin`.
std::string WriteOfficeStub(const std::string& bin);

}  // namespace rpt::testing
