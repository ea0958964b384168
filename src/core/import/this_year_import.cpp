#include "core/import/this_year_import.h"

#include "core/calc/check_status.h"
#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/interaction.h"
#include "core/foundation/progress.h"
#include "core/report/report_state.h"
#include "core/calc/structure.h"
#include "core/tables/table.h"

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kChooseReport = "Укажите отчет этого года, из которого Вы хотите взять таблицы."_w;
constexpr std::string_view kFindReport = "Поиск отчета"_w;
constexpr std::string_view kReportFilter = "Файлы отчетов (*.rpt)|*.RPT"_w;
constexpr std::string_view kNotAReport = "Это не отчет."_w;
constexpr std::string_view kWrongVersion = "Отчет не той версии."_w;
constexpr std::string_view kOnlyFromReport = "Импорт возможен только из отчета. Вы выбрали подотчет."_w;
constexpr std::string_view kImportDone = "Импорт данных закончен"_w;
constexpr std::string_view kProgressCaption = "Импорт документов"_w;

std::string S(std::string_view s) { return std::string(s); }

// The open report's item of that exact title.
const StructureItem* ItemTitled(const StructureModel* structure, const std::string& title) {
  if (!structure) return nullptr;
  for (const auto& section : structure->sections)
    for (const auto& item : section.items)
      if (item.title == title) return &item;
  return nullptr;
}

}  // namespace

std::vector<std::string> OfferedTitles(const StructureModel& source) {
  std::vector<std::string> titles;
  for (std::size_t i = 0; i < source.sections.size() && i < 100; ++i) {
    const std::size_t n = i + 1;
    if (n == 1 || n == 3) continue;
    for (const auto& item : source.sections[i].items) titles.push_back(item.title);
  }
  return titles;
}

TThisYearImport::Source TThisYearImport::Prepare(const std::string& folder, ImportFolder& import) {
  Interaction& ui = state_.ui();
  const auto package = ReportPackageIn(folder);
  if (!package) {
    ui.ShowMessage(MessageKind::Error, kNotAReport, kOk, kOk);
    return Source::Refused;
  }
  try {
    import.Unpack(*package);
  } catch (const std::exception& e) {
    ui.ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
    return Source::Refused;
  }
  if (VersionOf(import.path()) != kVersionThisYear) {
    ui.ShowMessage(MessageKind::Error, kWrongVersion, kOk, kOk);
    return Source::Refused;
  }
  if (IsSubreport(import.path())) {
    ui.ShowMessage(MessageKind::Error, kOnlyFromReport, kOk, kOk);
    return Source::Refused;
  }
  return Source::Accepted;
}

ImportOutcome TThisYearImport::Run() {
  Interaction& ui = state_.ui();
  if (ui.ShowMessage(MessageKind::Confirmation, kChooseReport, kOk | kCancel, kOk) != kOk) return {};
  for (;;) {
    const auto file = ui.ChooseOpenFile(kFindReport, kReportFilter, state_.folders().program);
    if (!file || file->empty()) return {};
    ImportFolder import(state_.folders().import);
    if (Prepare(SourceFolderOf(*file), import) != Source::Accepted) continue;
    const auto structurePath = FindStructureFile(import.path());
    const auto source = structurePath ? ReadStructure(*structurePath) : std::nullopt;
    const std::vector<std::string> offered = source ? OfferedTitles(*source) : std::vector<std::string>{};
    if (!chooseTitles) return {};
    const auto titles = chooseTitles(offered);
    if (!titles) return {};
    return ImportSelection(import.path(), *titles);
  }
}

ImportOutcome TThisYearImport::Import(const std::string& source, const std::vector<std::string>& titles) {
  ImportFolder import(state_.folders().import);
  if (Prepare(SourceFolderOf(source), import) != Source::Accepted) return {};
  return ImportSelection(import.path(), titles);
}

ImportOutcome TThisYearImport::ImportSelection(const std::string& importFolder,
                                               const std::vector<std::string>& titles) {
  Interaction& ui = state_.ui();
  ImportOutcome out;
  state_.structureWindowEnabled = false;
  struct Enable {
    TReportState& s;
    ~Enable() { s.structureWindowEnabled = true; }
  } enable{state_};
  if (state_.IsModified() && !state_.Save()) return out;
  out.ran = true;
  bool all = true;
  TFormProgress progress(&ui);
  progress.Start(static_cast<int>(titles.size()), kProgressCaption, /*stoppable=*/false);
  try {
    for (const auto& title : titles) {
      progress.Step();
      if (!ImportTitle(title, importFolder, out.protocol)) all = false;
    }
  } catch (const std::exception& e) {
    progress.Finish();
    RestoreAfterFailedImport(state_, e);
    out.ran = false;
    return out;
  }
  progress.Finish();
  out.allImported = all;
  FinishImport(state_, all, kImportDone, out.protocol, showProtocol);
  return out;
}

bool TThisYearImport::ImportTitle(const std::string& title, const std::string& importFolder,
                                  ImportProtocol& protocol) {
  Interaction& ui = state_.ui();
  const StructureItem* item = ItemTitled(state_.structure ? &*state_.structure : nullptr, title);
  const bool isDocument = item ? ImportKindOf(item->file) == ImportKind::Document : false;
  if (!item) {
    protocol.Add(S("В открытом отчете элемент "_w) + Quoted(title) + S(" отсутствует."_w));
    return false;
  }
  const std::string& file = item->file;
  const auto source = FindFileIgnoringCase(importFolder, file);
  if (!source) {
    protocol.Add(S(isDocument ? "В указанной папке документ "_w : "В указанной папке таблица "_w) + Quoted(title) +
                 " (" + file + ") " + S("отсутствует."_w));
    return false;
  }
  const std::string target = state_.folders().working + Cp1251ToUtf8(file);
  if (isDocument) {
    try {
      CopyFile(*source, target);
    } catch (const std::exception& e) {
      protocol.Add(S("Документ "_w) + Quoted(title) + S(" не импортирован: "_w) + ErrorMessage(e));
      return false;
    }
    state_.reportChanged = true;
    protocol.Add(S("Документ "_w) + Quoted(title) + S(" импортирован."_w));
    return true;
  }
  TReportTable* table = state_.FindTable(file);
  if (table && !checks::IsTableEmpty(*table->table)) {
    const std::string question = S("Таблица "_w) + Quoted(title) +
                                 S(" содержит данные. При импорте они будут заменены данными из "
                                   "импортируемой таблицы."_w) +
                                 S(" Импортировать?"_w);
    if (ui.ShowMessage(MessageKind::Warning, question, kYes | kNo, kYes) != kYes) {
      protocol.Add(S("Отказ от импорта таблицы "_w) + Quoted(title) + ".");
      return false;
    }
  }
  if (closeTablesFrame) closeTablesFrame();
  try {
    CopyFile(*source, target);
  } catch (const std::exception& e) {
    protocol.Add(S("Таблица "_w) + Quoted(title) + S(" не импортирована: "_w) + ErrorMessage(e));
    return false;
  }
  if (table) {
    table->table->ReloadFrom(target);
    table->table->SetModified(true);
  }
  protocol.Add(S("Таблица "_w) + Quoted(title) + S(" импортирована."_w));
  return true;
}

}  // namespace rpt
