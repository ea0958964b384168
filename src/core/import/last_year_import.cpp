#include "core/import/last_year_import.h"

#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/interaction.h"
#include "core/calc/check_status.h"
#include "core/report/report_state.h"
#include "core/calc/structure.h"
#include "core/tables/table.h"
#include "core/import/year_comparison.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kChooseReport = "Укажите отчет, из которого Вы хотите импортировать данные."_w;
constexpr std::string_view kFindReport = "Поиск отчета"_w;
constexpr std::string_view kReportFilter = "Файлы отчетов (*.rpt)|*.RPT"_w;
constexpr std::string_view kOnlyFromReport = "Импорт возможен только из отчета. Вы выбрали подотчет."_w;
constexpr std::string_view kImportDone = "Импорт данных закончен."_w;

std::string S(std::string_view s) { return std::string(s); }

std::string FolderMessage(const std::string& folder, std::string_view tail) {
  return S("Папка "_w) + Quoted(Utf8ToCp1251(folder)) + S(tail);
}

}  // namespace

void ReplaceTableFrom(TReportState& state, TTable& table, const std::string& source, bool keepNumbers) {
  const bool wasLoading = state.loading();
  state.SetLoadingFlag(true);
  struct Restore {
    TReportState& s;
    bool was;
    ~Restore() { s.SetLoadingFlag(was); }
  } restore{state, wasLoading};
  std::optional<std::string> heading;
  if (table.header.leftmost) heading = table.header.leftmost->label.caption;
  table.ReloadFrom(source);
  if (heading && table.header.leftmost) table.header.leftmost->SetValue(*heading);
  if (!keepNumbers) {
    auto clear = [](TCell* cell) {
      if (cell && (cell->type == cell_type::kInteger || cell->type == cell_type::kReal)) cell->Clear();
    };
    if (table.grid) {
      for (int r = 0; r <= table.RowCount; ++r)
        for (int c = 1; c <= table.ColCount; ++c) clear(GetCell(table.data, c, r));
    } else if (TRow* row = FirstRow(table.data)) {
      // A form table keeps all its cells in row 0.
      for (auto& cell : row->cells) clear(cell.get());
    }
  }
  table.SetModified(true);
}

TLastYearImport::TLastYearImport(TReportState& state)
    : state_(state), entries_(ReadImportEntries(state.folders().templates)) {}

std::vector<ImportListLine> TLastYearImport::ListLines() const {
  return ImportListLines(entries_, state_.structure ? &*state_.structure : nullptr);
}

const ImportEntry* TLastYearImport::EntryNumbered(int number) const {
  for (const auto& e : entries_)
    if (e.number == number) return &e;
  return nullptr;
}

ImportOutcome TLastYearImport::ChooseAndImport(const std::vector<int>& selected) {
  Interaction& ui = state_.ui();
  ui.ShowMessage(MessageKind::Information, kChooseReport, kOk, kOk);
  const auto file = ui.ChooseOpenFile(kFindReport, kReportFilter, state_.folders().program);
  if (!file || file->empty()) return {};
  return Import(*file, selected);
}

ImportOutcome TLastYearImport::Import(const std::string& source, const std::vector<int>& selected) {
  Interaction& ui = state_.ui();
  ImportOutcome out;
  const std::string folder = SourceFolderOf(source);
  const auto package = ReportPackageIn(folder);
  if (!package) {
    ui.ShowMessage(MessageKind::Error, FolderMessage(folder, " не содержит отчета."_w), kOk, kOk);
    return out;
  }
  ImportFolder import(state_.folders().import);
  try {
    import.Unpack(*package);
  } catch (const std::exception& e) {
    ui.ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
    return out;
  }
  if (VersionOf(import.path()) != kVersionLastYear) {
    ui.ShowMessage(MessageKind::Error, FolderMessage(folder, " содержит отчет не прошлого года."_w), kOk, kOk);
    return out;
  }
  if (IsSubreport(import.path())) {
    ui.ShowMessage(MessageKind::Error, kOnlyFromReport, kOk, kOk);
    return out;
  }
  if (state_.IsModified() && !state_.Save()) return out;
  out.ran = true;
  RememberLastYear(folder);
  bool all = true;
  try {
    for (int number : selected) {
      const ImportEntry* entry = EntryNumbered(number);
      if (!entry || entry->lastYearFile.empty()) {
        all = false;
        continue;
      }
      if (!ImportEntryFrom(*entry, import.path(), out.protocol)) all = false;
    }
  } catch (const std::exception& e) {
    RestoreAfterFailedImport(state_, e);
    out.ran = false;
    return out;
  }
  out.allImported = all;
  FinishImport(state_, all, kImportDone, out.protocol, showProtocol);
  return out;
}

void TLastYearImport::RememberLastYear(const std::string& folder) {
  if (state_.currentFolder.empty() || state_.currentFolder == state_.folders().program) return;
  ComparisonSettings settings = ReadComparisonSettings(state_.currentFolder);
  if (settings.lastYearFolder == folder) return;
  settings.lastYearFolder = folder;
  // Remembering is a convenience for the comparison: a report folder that
  // cannot be written still takes the import.
  (void)WriteComparisonSettings(state_.currentFolder, settings);
}

bool TLastYearImport::ImportEntryFrom(const ImportEntry& entry, const std::string& importFolder,
                                      ImportProtocol& protocol) {
  Interaction& ui = state_.ui();
  const std::string& from = entry.lastYearFile;
  const std::string& to = entry.thisYearFile;
  const std::string caption = ItemCaption(state_.structure ? &*state_.structure : nullptr, to);
  const auto source = FindFileIgnoringCase(importFolder, from);
  switch (ImportKindOf(from)) {
    case ImportKind::Table: {
      if (!source) {
        protocol.Add(S("В указанной папке таблица "_w) + Quoted(caption) + " (" + from + ") " +
                     S("отсутствует."_w));
        return false;
      }
      TReportTable* target = state_.FindTable(to);
      if (!target) {
        protocol.Add(S("В открытом отчете таблица "_w) + Quoted(caption) + " (" + to + ") " +
                     S("отсутствует."_w));
        return false;
      }
      if (!checks::IsTableEmpty(*target->table)) {
        const std::string question = S("Таблица "_w) + Quoted(caption) +
                                     S(" содержит данные. При импорте они будут заменены данными из "
                                       "импортируемой таблицы."_w) +
                                     S(" Импортировать?"_w);
        if (ui.ShowMessage(MessageKind::Warning, question, kYes | kNo, kYes) != kYes) {
          protocol.Add(S("Отказ от импорта таблицы "_w) + Quoted(caption) + ".");
          return false;
        }
      }
      if (closeTablesFrame) closeTablesFrame();
      ReplaceTableFrom(state_, *target->table, *source, entry.keepNumbers);
      protocol.Add(S("Таблица "_w) + Quoted(caption) + S(" импортирована."_w));
      return true;
    }
    case ImportKind::Document: {
      if (!source || !IsPlainFileName(to)) {
        protocol.Add(S("В указанной папке документ "_w) + Quoted(caption) + " (" + from + ") " +
                     S("отсутствует."_w));
        return false;
      }
      try {
        CopyFile(*source, state_.folders().working + Cp1251ToUtf8(to));
      } catch (const std::exception& e) {
        // A copy that failed (the document open elsewhere, a full disk)
        // leaves this year's document as it was, and the protocol says so.
        protocol.Add(S("Документ "_w) + Quoted(caption) + S(" не импортирован: "_w) + ErrorMessage(e));
        return false;
      }
      state_.reportChanged = true;
      protocol.Add(S("Документ "_w) + Quoted(caption) + S(" импортирован."_w));
      return true;
    }
    case ImportKind::Other:
      return false;
  }
  return false;
}

}  // namespace rpt
