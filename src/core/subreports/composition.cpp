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
#include "core/tables/table.h"
#include "core/tables/table_file_cells.h"
#include "core/tables/table_text.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kReportSource = "Отчет"_w;
constexpr std::string_view kSumSource = "Сумма по всем подотчетам"_w;

std::string SectionName(int n) { return "Cell_" + std::to_string(n); }

std::string TableFileName(const TTable& table) { return fs::path(table.filePath).filename().string(); }

}  // namespace

CompositionSource CompositionSourceOf(const TReportState& state) {
  CompositionSource source;
  source.workingFolder = state.folders().working;
  if (const auto path = FindStructureFile(source.workingFolder)) source.storedFolders = ReadSubreportFolders(*path);
  return source;
}

int FindSubreportCell(const std::string& tableFilePath, const TTable& table, const TCell& cell) {
  return TableFileCells::Read(tableFilePath).Find(table, cell);
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
  const auto cells = TableFileCells::Read(*path);
  row.cellNumber = cells.Find(table_, cell_);
  const FileCell* found = cells.Numbered(row.cellNumber);
  if (!found) return row;
  row.found = true;
  row.value = found->value;
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
