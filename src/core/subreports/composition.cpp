#include "core/subreports/composition.h"

#include <filesystem>

#include "core/archive/package.h"
#include "core/calc/structure.h"
#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "core/foundation/my_ini_file.h"
#include "core/foundation/text_case.h"
#include "core/report/report_state.h"
#include "core/subreports/inclusion.h"
#include "core/tables/ini_snapshot.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kReportSource = "Отчет"_w;
constexpr std::string_view kSumSource = "Сумма по всем подотчетам"_w;

// One data cell of a table file, as far as finding a record needs it.
struct FileCell {
  int number = 0;
  int row = 0, col = 0;
  int type = 0;
  int bObj = -1, bList = -1, bVal = -1;
  std::string key;  // the text trimmed and upper-cased
};

std::string KeyText(std::string_view text) { return UpperCase(tables::TrimText(text)); }

std::string SectionName(int n) { return "Cell_" + std::to_string(n); }

bool IsKeyType(int type) { return type == cell_type::kText || type == cell_type::kListValue; }

std::vector<FileCell> ReadFileCells(const tables::IniSnapshot& ini) {
  const std::int64_t count = ini.Get("Table").ReadInteger("Count", 0);
  std::vector<FileCell> cells;
  tables::IniSnapshot::Section sec;
  for (std::int64_t n = 2; n <= count + 1; ++n) {
    ini.Select(SectionName(static_cast<int>(n)), sec);
    FileCell c;
    c.number = static_cast<int>(n);
    c.row = sec.ReadInteger("Row", 0);
    c.col = sec.ReadInteger("Col", 0);
    c.type = sec.ReadInteger("Type", 0);
    c.bObj = sec.ReadInteger("BObj", -1);
    c.bList = sec.ReadInteger("BList", -1);
    c.bVal = sec.ReadInteger("BVal", -1);
    if (IsKeyType(c.type)) c.key = KeyText(tables::DecodeMultiLine(sec.ReadString("Cap", "")));
    cells.push_back(std::move(c));
  }
  return cells;
}

// The cell's number as the table file numbers it: a growing table's cells
// are numbered when they are saved, in the order NumberCells uses.
int FileNumberOf(const TTable& table, const TCell& cell) {
  if (cell.number > 0 || !table.Fixed) return cell.number;
  int n = 2;
  const auto visit = [&](const std::vector<std::unique_ptr<TCell>>& cells) -> bool {
    for (const auto& c : cells) {
      if (c.get() == &cell) return true;
      ++n;
    }
    return false;
  };
  if (visit(table.header.cells) || visit(table.top.cells)) return n;
  for (int r = 1; r <= table.RowCount; ++r)
    if (const TRow* row = RowAt(table.data, r); row && visit(row->cells)) return n;
  return visit(table.footer.cells) ? n : 0;
}

std::string TableFileName(const TTable& table) { return fs::path(table.filePath).filename().string(); }

}  // namespace

CompositionSource CompositionSourceOf(const TReportState& state) {
  CompositionSource source;
  source.workingFolder = state.folders().working;
  if (const auto path = FindStructureFile(source.workingFolder)) source.storedFolders = ReadSubreportFolders(*path);
  return source;
}

int FindSubreportCell(const std::string& tableFilePath, const TTable& table, const TCell& cell) {
  const auto ini = tables::IniSnapshot::FromFile(tableFilePath);
  const std::vector<FileCell> cells = ReadFileCells(ini);
  if (table.growing) {
    // The record is known by the texts of its text and list cells.
    struct KeyEntry {
      int type;
      std::string key;
      int bList, bVal;
    };
    std::vector<KeyEntry> keyEntries;
    if (const TRow* row = RowAt(table.data, cell.Row))
      for (const auto& c : row->cells)
        if (IsKeyType(c->type)) keyEntries.push_back({c->type, KeyText(c->label.caption), c->BList, c->BVal});
    const auto isKeyRow = [&](int row) {
      for (const auto& entry : keyEntries) {
        bool matched = false;
        for (const auto& c : cells) {
          if (c.row != row || !IsKeyType(c.type) || c.key != entry.key) continue;
          if (entry.type == cell_type::kListValue && (c.bList != entry.bList || c.bVal != entry.bVal)) continue;
          matched = true;
          break;
        }
        if (!matched) return false;
      }
      return true;
    };
    // A cell without an export code is known by its column as well: "BObj"
    // -1 alone would match the record's name cell.
    for (const auto& c : cells)
      if (c.bObj == cell.BObj && (cell.BObj >= 0 || c.col == cell.Col) && isKeyRow(c.row)) return c.number;
    return 0;
  }
  const int own = FileNumberOf(table, cell);
  if (own <= 1) return 0;
  if (own - 2 < static_cast<int>(cells.size()) && cells[static_cast<std::size_t>(own - 2)].bObj == cell.BObj)
    return own;
  // Only an export code identifies a cell elsewhere in the file: "BObj" -1
  // is shared by every cell without one, and a save would write into any.
  if (cell.BObj < 0) return 0;
  for (const auto& c : cells)
    if (c.bObj == cell.BObj) return c.number;
  return 0;
}

TSubreportComposition::TSubreportComposition(TTable& table, TCell& cell, CompositionSource source, Interaction& ui)
    : table_(table), cell_(cell), source_(std::move(source)), ui_(ui) {
  decimals_ = cell.type == cell_type::kReal ? std::max(0, cell.Dec) : 0;
  Rebuild();
}

int TSubreportComposition::cellNumber() const { return FileNumberOf(table_, cell_); }

std::optional<std::pair<int, int>> TSubreportComposition::columnAndRow() const {
  if (cell_.Col == 0 || cell_.Row == 0) return std::nullopt;
  return std::make_pair(cell_.Col, cell_.Row);
}

CompositionRow TSubreportComposition::SubreportRow(const std::string& stored) const {
  CompositionRow row;
  row.kind = CompositionRowKind::Subreport;
  row.folder = StoredFolderToPath(stored);
  row.source = LastFolderComponent(stored);
  row.present = row.found = false;
  const std::string copy = WorkingCopyOf(source_.workingFolder, row.folder);
  const auto structurePath = FindStructureFile(copy);
  const auto model = structurePath ? ReadStructure(*structurePath) : std::nullopt;
  if (!model) return row;
  const std::string fileName = TableFileName(table_);
  const std::string fileCp = Utf8ToCp1251(fileName);
  for (const auto& s : model->sections)
    for (const auto& i : s.items)
      if (!row.present && i.kind == ItemKind::Table && SameText(i.file, fileCp)) row.present = !i.excluded;
  if (!row.present) return row;
  const auto path = FindEntryNoCase(copy, fileName);
  if (!path) return row;
  row.cellNumber = FindSubreportCell(*path, table_, cell_);
  if (row.cellNumber <= 1) return row;
  row.found = true;
  const auto ini = tables::IniSnapshot::FromFile(*path);
  row.value = tables::DecodeMultiLine(ini.Get(SectionName(row.cellNumber)).ReadString("Cap", ""));
  return row;
}

void TSubreportComposition::Rebuild() {
  rows_.clear();
  CompositionRow report;
  report.kind = CompositionRowKind::Report;
  report.source = std::string(kReportSource);
  report.cellNumber = cellNumber();
  report.value = cell_.label.caption;
  rows_.push_back(std::move(report));
  CompositionRow sum;
  sum.kind = CompositionRowKind::Sum;
  sum.source = std::string(kSumSource);
  rows_.push_back(std::move(sum));
  for (const auto& stored : source_.storedFolders) rows_.push_back(SubreportRow(stored));
  dirty_.assign(rows_.size(), false);
  changed_ = false;
  rows_[1].value = Sum();
}

std::string TSubreportComposition::Sum() const {
  long double sum = 0;
  for (const auto& row : rows_) {
    if (row.kind != CompositionRowKind::Subreport || row.value.empty()) continue;
    std::string text = row.value;
    tables::DotsToCommas(text);
    const auto value = tables::ParseNumber(text);
    if (!value)
      throw EConvertError(std::string("\"") + row.value + std::string(" не является числом (подотчет "_w) + row.source +
                          ").");
    sum += *value;
  }
  return tables::FormatFixed(sum, decimals_);
}

TSubreportComposition::Input TSubreportComposition::Select(std::size_t index) const {
  if (index >= rows_.size()) return {"0", false};
  const CompositionRow& row = rows_[index];
  if (row.kind == CompositionRowKind::Sum || !row.present || !row.found) return {"0", false};
  return {row.value, true};
}

bool TSubreportComposition::Take(std::size_t index, const std::string& typed) {
  if (!Select(index).editable) return false;
  std::string text = typed;
  tables::DotsToCommas(text);
  const auto value = tables::ParseNumber(text);
  if (!value) return false;
  const std::string formatted = tables::FormatFixed(*value, decimals_);
  CompositionRow& row = rows_[index];
  if (formatted == row.value) return false;
  row.value = formatted;
  dirty_[index] = true;
  changed_ = true;
  if (row.kind == CompositionRowKind::Subreport) rows_[1].value = Sum();
  return true;
}

bool TSubreportComposition::Save() {
  bool ok = true;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (!dirty_[i]) continue;
    const CompositionRow& row = rows_[i];
    if (row.kind == CompositionRowKind::Report) {
      if (row.value != cell_.label.caption) cell_.SetValue(row.value);
      dirty_[i] = false;
      continue;
    }
    const std::string copy = WorkingCopyOf(source_.workingFolder, row.folder);
    const auto path = FindEntryNoCase(copy, TableFileName(table_));
    std::string why;
    if (!path) {
      why = std::string("Отсутствует файл "_w) + "\"" + Utf8ToCp1251(copy + TableFileName(table_)) + "\"";
    } else {
      TMyIniFile ini(*path);
      ini.WriteString(SectionName(row.cellNumber), "Cap", tables::EncodeMultiLine(row.value));
      why = ini.Release();
    }
    if (!why.empty()) {
      ui_.ShowMessage(MessageKind::Error, why, kOk, kOk);
      ok = false;
      continue;
    }
    const auto package = FindEntryNoCase(row.folder, kReportPackageName);
    // PackFolder shows its own failure.
    if (!PackFolder(ui_, copy + "*", package.value_or(row.folder + std::string(kReportPackageName)), true, false)) {
      ok = false;
      continue;
    }
    dirty_[i] = false;
  }
  changed_ = !ok;
  return ok;
}

}  // namespace rpt
