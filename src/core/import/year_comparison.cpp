#include "core/import/year_comparison.h"

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
#include "core/import/import_common.h"
#include "core/report/report_state.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kSection = "Сравнение"_w;
constexpr std::string_view kFolderKey = "Прошлый год"_w;
constexpr std::string_view kGrowthKey = "Рост"_w;
constexpr std::string_view kFallKey = "Снижение"_w;
constexpr std::string_view kZeroKey = "Ноль"_w;

std::string S(std::string_view s) { return std::string(s); }

std::string SettingsPath(const std::string& reportFolder) {
  return FindEntryNoCase(reportFolder, kComparisonFileName).value_or(reportFolder + S(kComparisonFileName));
}

double PercentOr(const std::string& text, double def) {
  const auto value = tables::ParseNumber(text);
  return value && *value >= 0 ? static_cast<double>(*value) : def;
}

std::string PercentText(double percent) {
  std::string text = tables::FormatFixed(percent, 2);
  while (text.back() == '0') text.pop_back();
  if (text.back() == ',') text.pop_back();
  return text;
}

std::string FolderMessage(const std::string& folder, std::string_view tail) {
  return S("Папка "_w) + Quoted(Utf8ToCp1251(folder)) + S(tail);
}

}  // namespace

ComparisonSettings ReadComparisonSettings(const std::string& reportFolder) {
  ComparisonSettings settings;
  const std::string path = SettingsPath(reportFolder);
  if (!std::filesystem::exists(path)) return settings;
  TMyIniFile ini(path);
  const std::string folder = ini.ReadString(kSection, kFolderKey, "");
  if (!folder.empty()) settings.lastYearFolder = WithSeparator(Cp1251ToUtf8(folder));
  const ChangeThresholds def;
  settings.thresholds.growthPercent = PercentOr(ini.ReadString(kSection, kGrowthKey, ""), def.growthPercent);
  settings.thresholds.fallPercent = PercentOr(ini.ReadString(kSection, kFallKey, ""), def.fallPercent);
  settings.thresholds.zeroChanges = ini.ReadBool(kSection, kZeroKey, def.zeroChanges);
  ini.DiscardChanges();
  return settings;
}

std::string WriteComparisonSettings(const std::string& reportFolder, const ComparisonSettings& settings) {
  TMyIniFile ini(SettingsPath(reportFolder));
  ini.WriteString(kSection, kFolderKey, Utf8ToCp1251(settings.lastYearFolder));
  ini.WriteString(kSection, kGrowthKey, PercentText(settings.thresholds.growthPercent));
  ini.WriteString(kSection, kFallKey, PercentText(settings.thresholds.fallPercent));
  ini.WriteBool(kSection, kZeroKey, settings.thresholds.zeroChanges);
  return ini.Release();
}

bool TYearComparison::Open(const std::string& source, const FolderSet& folders, Interaction& ui) {
  const std::string folder = SourceFolderOf(source);
  const auto package = ReportPackageIn(folder);
  if (!package) {
    ui.ShowMessage(MessageKind::Error, FolderMessage(folder, " не содержит отчета."_w), kOk, kOk);
    return false;
  }
  std::map<std::string, TableFileCells> tables;
  try {
    PrivateTempFolder unpacked("compare", "Не удалось создать папку"_w);
    UnpackPackage(*package, unpacked.path());
    if (VersionOf(unpacked.path()) != kVersionLastYear) {
      ui.ShowMessage(MessageKind::Error, FolderMessage(folder, " содержит отчет не прошлого года."_w), kOk, kOk);
      return false;
    }
    if (IsSubreport(unpacked.path())) {
      ui.ShowMessage(MessageKind::Error, "Сравнение возможно только с отчетом. Вы выбрали подотчет."_w, kOk,
                     kOk);
      return false;
    }
    const auto structurePath = FindStructureFile(unpacked.path());
    const auto model = structurePath ? ReadStructure(*structurePath) : std::nullopt;
    if (!model) {
      ui.ShowMessage(MessageKind::Error, FolderMessage(folder, " содержит отчет не прошлого года."_w), kOk, kOk);
      return false;
    }
    for (const auto& section : model->sections)
      for (const auto& item : section.items) {
        if (item.kind != ItemKind::Table || !IsPlainFileName(item.file)) continue;
        if (const auto path = FindFileIgnoringCase(unpacked.path(), item.file))
          tables.emplace(FoldCase(item.file), TableFileCells::Read(*path));
      }
  } catch (const std::exception& e) {
    ui.ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
    return false;
  }
  tables_ = std::move(tables);
  renamed_.clear();
  for (const auto& entry : ReadImportEntries(folders.templates))
    if (ImportKindOf(entry.lastYearFile) == ImportKind::Table && !entry.thisYearFile.empty())
      renamed_.emplace(FoldCase(entry.thisYearFile), FoldCase(entry.lastYearFile));
  folder_ = folder;
  return true;
}

void TYearComparison::Close() {
  folder_.clear();
  tables_.clear();
  renamed_.clear();
}

const TableFileCells* TYearComparison::LastYearTable(std::string_view fileCp1251) const {
  const std::string file = FoldCase(fileCp1251);
  if (const auto renamed = renamed_.find(file); renamed != renamed_.end())
    if (const auto it = tables_.find(renamed->second); it != tables_.end()) return &it->second;
  const auto it = tables_.find(file);
  return it == tables_.end() ? nullptr : &it->second;
}

std::vector<ComparedCell> TYearComparison::Compare(const TTable& table, std::string_view fileCp1251) const {
  const TableFileCells* last = LastYearTable(fileCp1251);
  return last ? CompareWithLastYear(table, *last, thresholds) : std::vector<ComparedCell>{};
}

std::vector<FlaggedCell> TYearComparison::Flagged(const TReportState& state) const {
  std::vector<FlaggedCell> out;
  for (const TReportTable& t : state.tables()) {
    if (!t.table) continue;
    for (const ComparedCell& c : Compare(*t.table, t.file)) {
      if (!c.change || !c.change->flagged()) continue;
      FlaggedCell f;
      f.table = &t;
      f.cell = c.cell;
      f.number = FileNumberOf(*t.table, *c.cell);
      f.lastValue = S(tables::TrimText(c.lastValue));
      f.value = S(tables::TrimText(c.cell->label.caption));
      f.change = *c.change;
      out.push_back(std::move(f));
    }
  }
  return out;
}

std::string CellPlace(const TTable& table, const TCell& cell, int number) {
  if (table.grid && cell.Row > 0 && cell.Col > 0 && GetCell(table.data, cell.Col, cell.Row) == &cell)
    return S("строка "_w) + std::to_string(cell.Row) + S(", графа "_w) + std::to_string(cell.Col);
  return S("ячейка "_w) + std::to_string(number);
}

std::string FlaggedLine(const FlaggedCell& flagged, const ChangeThresholds& thresholds) {
  const TTable& table = *flagged.table->table;
  std::string line = flagged.table->caption.empty() ? flagged.table->itemTitle : flagged.table->caption;
  line += ", " + CellPlace(table, *flagged.cell, flagged.number) + S(": было "_w) + flagged.lastValue +
          S(", стало "_w) + flagged.value;
  if (flagged.change.percent) line += " (" + FormatPercent(*flagged.change.percent) + ")";
  line += " - " + FlagReason(flagged.change, thresholds);
  return line;
}

}  // namespace rpt
