// The Qt application object the commands that paint or list printers need;
// without a display it runs on the offscreen platform.
#pragma once

#include <string>
#include <vector>

#include "core/output/system_info.h"

namespace rpt::cli {

void EnsureGuiApplication();

// The printers the print system offers (CUPS through Qt), the default one
// marked current.
std::vector<output::PrinterFacts> InstalledPrinters();

}  // namespace rpt::cli
