#include "core/tables/year_change.h"

#include <cmath>

#include "core/foundation/codec.h"
#include "core/tables/table.h"
#include "core/tables/table_file_cells.h"
#include "core/tables/table_text.h"

namespace rpt {

using namespace literals;

namespace {

std::optional<long double> NumberOf(std::string_view text) {
  if (tables::TrimText(text).empty()) return std::nullopt;
  std::string copy(text);
  tables::DotsToCommas(copy);
  return tables::ParseNumber(copy);
}

// A threshold as the user typed it: no decimals unless it has some.
std::string ThresholdText(double percent) {
  std::string text = tables::FormatFixed(percent, 2);
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == ',') text.pop_back();
  return text;
}

}  // namespace

std::optional<YearChange> CompareYearValues(std::string_view last, std::string_view current,
                                            const ChangeThresholds& thresholds) {
  const auto before = NumberOf(last);
  const auto now = NumberOf(current);
  if (!before || !now) return std::nullopt;
  YearChange change;
  change.last = *before;
  change.current = *now;
  if (*before != 0) change.percent = (*now - *before) / std::fabs(*before) * 100;
  if (thresholds.zeroChanges && (*before == 0) != (*now == 0)) {
    change.flag = *before == 0 ? ChangeFlag::FromZero : ChangeFlag::ToZero;
  } else if (change.percent) {
    if (*change.percent > thresholds.growthPercent)
      change.flag = ChangeFlag::Growth;
    else if (-*change.percent > thresholds.fallPercent)
      change.flag = ChangeFlag::Fall;
  }
  return change;
}

bool IsComparedCell(const TCell& cell) {
  if (!cell.label.visible) return false;
  return cell.type == cell_type::kInteger || cell.type == cell_type::kReal ||
         (cell.type == cell_type::kFormula && !IsTextCopy(cell.type, cell.Dec));
}

std::vector<ComparedCell> CompareWithLastYear(const TTable& table, const TableFileCells& lastYear,
                                              const ChangeThresholds& thresholds) {
  std::vector<ComparedCell> out;
  // A growing table's record is looked up once for all its cells.
  std::optional<TableFileCells::Records> records;
  const auto add = [&](const TCell& cell) {
    if (!IsComparedCell(cell)) return;
    ComparedCell compared;
    compared.cell = &cell;
    const int number = records ? lastYear.FindInRecords(*records, cell) : lastYear.Find(table, cell);
    if (const FileCell* last = lastYear.Numbered(number)) {
      compared.lastNumber = last->number;
      compared.lastValue = last->value;
      compared.change = CompareYearValues(last->value, cell.label.caption, thresholds);
    }
    out.push_back(std::move(compared));
  };
  for (const TNoDataSect* section : {static_cast<const TNoDataSect*>(&table.header),
                                     static_cast<const TNoDataSect*>(&table.top)})
    for (const auto& cell : section->cells) add(*cell);
  // A grid table's row 0 is the buffer row the user copies rows into.
  for (std::size_t r = table.grid ? 1 : 0; r < table.data.rows.size(); ++r) {
    if (table.growing) records = lastYear.RecordsOf(RecordKeyOf(table, static_cast<int>(r)));
    for (const auto& cell : table.data.rows[r]->cells) add(*cell);
  }
  records.reset();
  for (const auto& cell : table.footer.cells) add(*cell);
  return out;
}

std::string FormatPercent(long double percent) {
  std::string text = tables::FormatFixed(percent, 1);
  if (text != "0,0" && text.front() != '-') text.insert(text.begin(), '+');
  return text + " %";
}

std::string FlagReason(const YearChange& change, const ChangeThresholds& thresholds) {
  switch (change.flag) {
    case ChangeFlag::Growth:
      return std::string("рост более чем на "_w) + ThresholdText(thresholds.growthPercent) + " %";
    case ChangeFlag::Fall:
      return std::string("снижение более чем на "_w) + ThresholdText(thresholds.fallPercent) + " %";
    case ChangeFlag::FromZero: return std::string("было 0"_w);
    case ChangeFlag::ToZero: return std::string("стало 0"_w);
    case ChangeFlag::None: break;
  }
  return {};
}

std::string YearChangeHint(const ComparedCell& compared, const ChangeThresholds& thresholds) {
  if (compared.lastNumber == 0) return std::string("В прошлом году такой ячейки нет"_w);
  const std::string_view last = tables::TrimText(compared.lastValue);
  std::string hint = std::string("Прошлый год: "_w) + (last.empty() ? std::string("не заполнено"_w) : std::string(last));
  if (!compared.change) return hint;
  const YearChange& change = *compared.change;
  hint += std::string("\r\nИзменение: "_w) +
          (change.percent ? FormatPercent(*change.percent) : std::string("с нуля"_w));
  if (change.flagged()) hint += std::string("\r\nЗаметное изменение: "_w) + FlagReason(change, thresholds);
  return hint;
}

}  // namespace rpt
