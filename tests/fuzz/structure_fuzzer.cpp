// Arbitrary bytes as a report's structure file: reading must end in a model
// or nothing, and the file check must accept or refuse it with a message,
// never crash, hang or take memory without bound. Reading never rewrites
// the file.
#include <cstdint>
#include <string>

#include "core/foundation/errors.h"
#include "core/calc/structure.h"
#include "fuzz_work.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzzing::WorkFolder() + "Report.str";
  const auto input = fuzzing::Bytes(data, size);
  fuzzing::WriteFile(path, input);
  const auto model = rpt::ReadStructure(path);
  if (!model) __builtin_trap();  // the file exists, so there is a model
  try {
    rpt::CheckStructureFiles(*model, path);
  } catch (const rpt::ECoreError& e) {
    if (e.Message().empty()) __builtin_trap();
  }
  for (const auto& section : model->sections)
    for (const auto& item : section.items)
      if (item.file.size() > 255 || item.sectionName.size() > 255) __builtin_trap();
  if (rpt::VersionOf(fuzzing::WorkFolder()).size() > size) __builtin_trap();
  if (fuzzing::ReadFile(path) != input) __builtin_trap();
  return 0;
}
