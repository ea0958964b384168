// Random rule lines tested against a small fixed report: a form table, a
// grid table and a second grid that rules reach by name. Whatever the line,
// testing it must neither crash nor add more than one message per tested
// row, and every message must be one of the engine's forms.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/calc/check_rules.h"
#include "core/calc/check_status.h"
#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/tables/table.h"
#include "core/tables/table_model.h"
#include "checks_report.h"

namespace {

using namespace rpt;
using fuzzing::Report;

bool KnownForm(const std::string& message) {
  using namespace rpt::literals;
  return message.find(". Ячейка "_w) != std::string::npos ||
         message.find(". Условие  "_w) != std::string::npos ||
         message.find(". Проверку условия  \""_w) != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Report report;
  if (size > 2048) return 0;
  const std::string_view line(reinterpret_cast<const char*>(data), size);

  const checks::ParsedCondition parsed = checks::ParseCondition(line.substr(0, line.find(';')));
  // Whole operands only, each followed by its operator code.
  if (parsed.texts.size() % 3 == 1) __builtin_trap();

  for (TTable* table : {report.form.get(), report.grid.get()}) {
    std::vector<std::string> protocol;
    checks::CheckRuleLine(*table, line, &report.checker, protocol);
    const std::size_t rows = line.find('*') < line.find(';') ? std::size_t(table->RowCount) : 1;
    if (protocol.size() > rows) __builtin_trap();
    for (const std::string& message : protocol) {
      if (!KnownForm(message)) __builtin_trap();
      try {
        checks::HighlightAddresses(message, table->ColCount);
      } catch (const EConvertError&) {
      }
    }
  }
  return 0;
}
