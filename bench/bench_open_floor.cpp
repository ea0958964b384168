// The least that opening a report must do, timed from outside by bench/run:
// inflate the package into a folder and parse every table file in it (each
// cell section's keys), nothing else. With --parse-only FOLDER only the
// parsing, for the comparison with other settings-file readers.
//
//   bench_open_floor PACKAGE SCRATCH_FOLDER
//   bench_open_floor --parse-only FOLDER
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/archive/package.h"
#include "core/tables/ini_snapshot.h"

namespace {

using rpt::tables::IniSnapshot;

// Every key of every cell section of every "*.ini" of the folder; returns
// the number of keys, so that nothing is optimised away.
std::size_t ParseTables(const std::filesystem::path& folder) {
  std::size_t keys = 0;
  IniSnapshot::Section section;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".ini") continue;
    const IniSnapshot ini = IniSnapshot::FromFile(entry.path().string());
    const int count = ini.Select("Table", section).ReadInteger("Count", 0);
    keys += section.keys().size();
    for (int n = 2; n < count + 2; ++n) keys += ini.Select("Cell_" + std::to_string(n), section).keys().size();
  }
  return keys;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PACKAGE SCRATCH_FOLDER | --parse-only FOLDER\n", argv[0]);
    return 2;
  }
  const std::string first = argv[1], second = argv[2];
  try {
    if (first != "--parse-only") {
      std::filesystem::create_directories(second);
      rpt::UnpackPackage(first, second + "/");
    }
    std::printf("%zu keys\n", ParseTables(second));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
