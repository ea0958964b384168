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

namespace {

using namespace rpt;

struct Report {
  TableContext context;
  std::unique_ptr<TTable> form, grid, other;
  checks::TableChecker checker;

  static void Fill(TCell& cell, std::uint8_t type, std::string_view utf8) {
    cell.type = type;
    cell.label.caption = Utf8ToCp1251(utf8);
  }

  std::unique_ptr<TTable> Grid(const std::string& path, int rows, int cols) {
    auto t = std::make_unique<TTable>(context);
    t->filePath = path;
    t->tableName = TableNameOf(path);
    t->Fixed = true;
    t->RowCount = rows;
    t->ColCount = cols;
    static const char* kTexts[] = {"0", "1,5", "", "abc", "-3", "1E300", "-2000000000", "7"};
    int k = 0;
    for (int r = 0; r <= rows; ++r) AppendRow(t->data, cols, t.get(), true);
    for (int r = 1; r <= rows; ++r)
      for (int c = 1; c <= cols; ++c) {
        TCell& cell = *CellAt(*t->data.rows[static_cast<std::size_t>(r)], c);
        cell.Row = r;
        cell.Col = c;
        Fill(cell, c == 1 ? 1 : 2, kTexts[k++ % 8]);
      }
    NumberCells(*t);
    return t;
  }

  Report() {
    form = std::make_unique<TTable>(context);
    form->filePath = "/rep/F.ini";
    form->tableName = "F";
    form->data.rows.push_back(std::make_unique<TRow>());
    const char* texts[] = {"Итог", "", "ООО", "12", " ", "0,5", "-1000000001", "x y"};
    for (int i = 0; i < 8; ++i) Fill(*AddCell(*form->data.rows[0], form.get(), true), i % 3, texts[i]);
    NumberCells(*form);
    grid = Grid("/rep/G.ini", 3, 4);
    other = Grid("/rep/T1.ini", 2, 3);
    checker.SetTables({{form.get(), "F"}, {grid.get(), "G"}, {other.get(), "T1"}});
  }
};

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
