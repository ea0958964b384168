// Feeds arbitrary bytes to the cabinet reader as a cabinet file: listing and
// extracting must end in success or ESTCabinet, never in a crash, a hang or a
// file outside the destination folder.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/foundation/errors.h"
#include "core/archive/cabinet_reader.h"
#include "fuzz_work.h"

namespace fs = std::filesystem;

namespace {

// Output per input is capped so that a header claiming gigabytes stays cheap.
constexpr std::uint64_t kMaxOutput = 8u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& work = fuzzing::WorkFolder();
  const std::string cabinet = work + "input.cab";
  const std::string out = work + "out/";
  {
    std::ofstream f(cabinet, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  rpt::TSTCabReader reader;
  reader.OnProgress = [](std::uint64_t done, std::uint64_t) { return done <= kMaxOutput; };
  try {
    (void)reader.List(cabinet);
  } catch (const rpt::ECoreError&) {
  }
  try {
    reader.ExtractAll(cabinet, out);
  } catch (const rpt::ECoreError&) {
  }
  // Nothing may appear beside the input and the destination folder.
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(work, ec)) {
    const std::string name = entry.path().filename().string();
    if (name != "input.cab" && name != "out") {
      std::fprintf(stderr, "written outside the destination: %s\n", name.c_str());
      std::abort();
    }
  }
  fs::remove_all(out, ec);
  return 0;
}
