#include "core/output/word_export.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "core/foundation/codec.h"
#include "core/foundation/config_keys.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/interaction.h"
#include "core/foundation/my_ini_file.h"
#include "core/foundation/progress.h"
#include "core/foundation/text_case.h"
#include "core/output/export_target.h"
#include "core/report/report_state.h"
#include "core/tables/table.h"

namespace rpt::output {

using namespace literals;

namespace {

constexpr std::string_view kSettingsFile = "Print.ini";

// The text a data cell gives: numbers with the decimal comma.
std::string DataText(const TCell& cell) {
  std::string text = cell.label.caption;
  if (cell.type == cell_type::kReal || cell.type == cell_type::kFormula)
    NormalizeValue(cell.type, cell.Dec, text);
  return text;
}

// "n-row-column" of a cell map; nothing when it is not three numbers.
struct MapEntry {
  int cell, row, column;
};
std::optional<MapEntry> ParseMapEntry(std::string_view s) {
  int v[3];
  for (int k = 0; k < 3; ++k) {
    const auto dash = k < 2 ? s.find('-') : std::string_view::npos;
    const std::string_view part = s.substr(0, dash);
    if (part.empty() || part.size() > 9 || part.find_first_not_of("0123456789") != std::string_view::npos)
      return std::nullopt;
    v[k] = std::atoi(std::string(part).c_str());
    if (k < 2) {
      if (dash == std::string_view::npos) return std::nullopt;
      s.remove_prefix(dash + 1);
    }
  }
  return MapEntry{v[0], v[1], v[2]};
}

}  // namespace

std::string PrintableRtf(std::string_view rtf) {
  rtf::RtfDocument d = rtf::RtfDocument::Parse(rtf);
  d.SetPortraitA4();
  return d.Write();
}

// --- the link --------------------------------------------------------------------------

rtf::RtfDocument& TWordLink::NewDocument() {
  document_.emplace();
  return *document_;
}

void TWordLink::InsertFile(const std::string& path) {
  const auto bytes = ReadExistingFile(path);
  if (!bytes) throw EFileError(std::string("Не найден файл \""_w) + Utf8ToCp1251(path) + "\"");
  if (!document_) document_.emplace();
  document_->Append(rtf::RtfDocument::Parse(*bytes));
}

std::string TWordLink::Save(const std::string& path) const {
  if (!document_) return "no document";
  return AtomicWriteFile(path, document_->Write());
}

// --- the export ------------------------------------------------------------------------

TWordExport::TWordExport(TReportState& state) : state_(state) {}
TWordExport::~TWordExport() = default;

std::string TWordExport::PrintFolder() const { return state_.folders().print; }

std::optional<std::string> TWordExport::TemplateOf(const std::string& tableName) const {
  return FindEntryNoCase(PrintFolder(), Cp1251ToUtf8(tableName) + ".rtf");
}

bool TWordExport::ReadSettings() {
  const auto path = FindEntryNoCase(PrintFolder(), kSettingsFile);
  if (!path) {
    state_.ui().ShowMessage(MessageKind::Error,
                            "Отсутствуют настройки печати. Рукомендуется переустановить программу."_w, kOk, kOk);
    return false;
  }
  settings_ = std::make_unique<TMyIniFile>(*path);
  settings_->DiscardChanges();
  return true;
}

void TWordExport::ReadAdditionalCells() {
  extra_ = {};
  const std::string name = settings_->ReadString("Дополнительные ячейки"_w, "Таблица"_w, "");
  if (name.empty()) return;
  // Only a table whose file lies in the working folder and is open.
  if (!FindEntryNoCase(state_.folders().working, Cp1251ToUtf8(name) + ".ini")) return;
  TReportTable* t = state_.FindTable(name + ".ini");
  if (!t || !t->table) return;
  auto text = [&](std::string_view key) -> std::string {
    const int n = settings_->ReadInteger("Дополнительные ячейки"_w, key, -1);
    const TCell* c = n >= 2 ? CellByNumber(t->table->data, n) : nullptr;
    return c ? c->label.caption : std::string();
  };
  extra_.institution = text("НазваниеВуза"_w);
  extra_.position = text("Должность"_w);
  extra_.surname = text("Фамилия"_w);
  extra_.positionB = text("Должность Б"_w);
  extra_.surnameB = text("Фамилия Б"_w);
  extra_.positionNok = text("Должность НОК"_w);
  extra_.surnameNok = text("Фамилия НОК"_w);
}

void TWordExport::Run(int level, int section, int item) {
  if (state_.tables().empty()) return;
  Interaction& ui = state_.ui();
  if (state_.IsModified() &&
      ui.ShowMessage(MessageKind::Confirmation,
                     "Рекомендуется сохранить сделанные в отчете изменения. Выполнить сохранение?"_w, kYes | kNo,
                     kYes) == kYes &&
      !state_.Save())
    return;
  if (ui.ShowMessage(MessageKind::Confirmation, "Выполняем передачу в MS Word?"_w, kYes | kNo, kYes) != kYes) return;
  state_.RememberFolder(state_.currentFolder);
  state_.RecalcAllTables();
  fileName_ = FileNameOf(level, section, item);
  ExportSelection(level, section, item);
}

void TWordExport::ExportSelection(int level, int section, int item) {
  if (!state_.structure) return;
  const StructureModel& model = *state_.structure;
  const int sections = static_cast<int>(model.sections.size());
  if (level == 2) {
    if (section < 0 || section >= sections) return;
    const auto& items = model.sections[section].items;
    if (item < 0 || item >= static_cast<int>(items.size())) return;
    const StructureItem& it = items[item];
    std::string upper = it.file;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.ends_with(".DOC") || upper.ends_with(".RTF")) {
      if (editDocument) {
        editDocument(section, item);
      } else if (!state_.ui().OpenDocument(state_.folders().working + Cp1251ToUtf8(it.file))) {
        state_.ui().ShowMessage(MessageKind::Error, "Программа WinWord.exe не загружается."_w, kOk, kOk);
      }
      return;
    }
    if (TReportTable* t = state_.FindTable(it.file); t && t->table) ExportTable(*t->table);
    return;
  }
  if (!ReadSettings()) return;
  TFormProgress progress(&state_.ui());
  progress.Start(sections, "Передача данных. Ждите ..."_w, false);
  progress_ = &progress;
  lastLandscape_ = false;
  link_.NewDocument();
  try {
    ReadAdditionalCells();
    if (level == 0) {
      if (TReportTable* title = state_.FindTable("Title.ini"); title && title->table &&
                                                                FindEntryNoCase(state_.folders().working, "Title.ini")) {
        try {
          const bool three = InsertElement(title->table->tableName);
          FillTable(*title->table, three);
        } catch (const std::exception&) {
          // As any table: its failure does not end the document.
        }
      }
      link_.Document().InsertBreak(rtf::BreakKind::Page);
      const auto contents = FindEntryNoCase(PrintFolder(), "Оглавление.rtf");
      link_.InsertFile(contents ? *contents : PrintFolder() + "Оглавление.rtf");
      const std::string skipped = settings_->ReadString("Разделы не печатаемые"_w, "Номера"_w, "");
      for (int s = 0; s < sections; ++s) {
        if (skipped.find("#" + std::to_string(s + 1) + "#") == std::string::npos)
          for (int i = 0; i < static_cast<int>(model.sections[s].items.size()); ++i) ExportItem(s, i);
        progress.Step();
      }
      link_.Document().AddPageNumbers();
    } else if (section >= 0 && section < sections) {
      for (int i = 0; i < static_cast<int>(model.sections[section].items.size()); ++i) ExportItem(section, i);
      progress.Step();
    }
    link_.Document().UpdateTablesOfContents();
    Show();
  } catch (const std::exception&) {
    progress.Finish();
    progress_ = nullptr;
    state_.ui().ShowMessage(MessageKind::Error, "При передаче данных возникла ошибка."_w, kOk, kOk);
    link_.Close();
    settings_.reset();
    return;
  }
  progress.Finish();
  progress_ = nullptr;
  settings_.reset();
}

void TWordExport::ExportItem(int section, int item) {
  const StructureSection& sec = state_.structure->sections[section];
  const StructureItem& it = sec.items[item];
  if (it.excluded || sec.excluded) return;
  if (it.kind != ItemKind::Table) {
    // A document goes in as it is; an error here ends the export.
    if (const auto path = FindEntryNoCase(state_.folders().working, Cp1251ToUtf8(it.file))) InsertElement(*path);
    return;
  }
  TReportTable* t = state_.FindTable(it.file);
  if (!t || !t->table || !TemplateOf(t->table->tableName)) return;
  try {
    const bool three = InsertElement(t->table->tableName);
    FillTable(*t->table, three);
  } catch (const std::exception&) {
    // One table's failure leaves the rest of the document.
  }
}

bool TWordExport::InsertElement(const std::string& name) {
  rtf::RtfDocument& doc = link_.Document();
  const int before = doc.TableCount();
  // A document is named by its path (UTF-8), looked up as Windows-1251.
  const bool path = name.find('/') != std::string::npos;
  const std::string key = path ? Utf8ToCp1251(name) : name;
  const bool landscape = settings_ && settings_->ReadInteger(key, "Пейзаж"_w, 0) == 1;
  if (before > 0) doc.InsertBreak(landscape == lastLandscape_ ? rtf::BreakKind::Page : rtf::BreakKind::Section);
  if (landscape != lastLandscape_) {
    doc.SetLastSectionOrientation(landscape);
    lastLandscape_ = landscape;
  }
  if (path || name.find('.') != std::string::npos) {
    link_.InsertFile(path ? name : PrintFolder() + Cp1251ToUtf8(name));
  } else {
    const auto file = TemplateOf(name);
    link_.InsertFile(file ? *file : PrintFolder() + Cp1251ToUtf8(name) + ".rtf");
  }
  return link_.Document().TableCount() == before + 3;
}

void TWordExport::FillTable(TTable& table, bool threeTables) {
  rtf::RtfDocument& doc = link_.Document();
  // The export's one bar counts the entries or rows of the table.
  auto restart = [this](int total) {
    if (progress_) progress_->Reset(0, std::max(total, 1), "");
  };
  auto step = [this] {
    if (progress_) progress_->Step();
  };
  // Tables filled through a map of cells.
  const int listed = settings_ ? settings_->ReadInteger("Таблицы не фиксированные"_w, "Количество"_w, 0) & 0xff : 0;
  bool mapped = false;
  for (int i = 1; i <= listed && !mapped; ++i)
    mapped = SameText(settings_->ReadString("Таблицы не фиксированные"_w, std::to_string(i), ""), table.tableName);
  if (mapped) {
    const int entries = settings_->ReadInteger(table.tableName, "Количество"_w, 0);
    const int last = doc.TableCount();
    restart(entries);
    for (int i = 1; i <= entries; ++i) {
      if (const auto e = ParseMapEntry(settings_->ReadString(table.tableName, std::to_string(i), "")))
        if (const TCell* c = e->cell >= 2 ? CellByNumber(table.data, e->cell) : nullptr; c && !c->label.caption.empty())
          doc.SetCellText(last, e->row, e->column, c->label.caption, c->label.font.bold ? 1 : 0);
      step();
    }
    ++filled_;
    return;
  }
  const int last = doc.TableCount();
  auto put = [&doc](int t, int row, int column, const std::string& text) {
    if (!text.empty()) doc.SetCellText(t, row, column, text);
  };
  if (threeTables) {
    doc.RemoveBorders(last - 2);
    doc.RemoveBorders(last);
    put(last - 2, 1, 1, extra_.institution);
    put(last, 1, 1, extra_.position);
    put(last, 1, 3, extra_.surname);
    const std::string marks = settings_ ? settings_->ReadString("Подписи"_w, table.tableName, "") : std::string();
    if (marks.find('2') != std::string::npos) {
      put(last, 3, 1, extra_.positionB);
      put(last, 3, 3, extra_.surnameB);
    }
    if (marks.find('3') != std::string::npos) {
      put(last, 3, 1, extra_.positionNok);
      put(last, 3, 3, extra_.surnameNok);
    }
  }
  const int data = threeTables ? last - 1 : last;
  restart(table.RowCount);
  for (int i = 1; i <= table.RowCount; ++i) {
    if (i > 1) doc.AddRow(data);
    const int row = doc.RowCount(data);
    if (const TRow* r = RowAt(table.data, i))
      for (int j = 1; j <= table.ColCount; ++j)
        if (const TCell* c = CellAt(*r, j))
          if (const std::string text = DataText(*c); !text.empty())
            doc.SetCellText(data, row, j, text, c->label.font.bold ? 1 : 0);
    step();
  }
  ++filled_;
}

void TWordExport::ExportTable(TTable& table) {
  const auto templ = TemplateOf(table.tableName);
  if (!ReadSettings()) return;
  if (!templ) {
    settings_.reset();
    state_.ui().ShowMessage(MessageKind::Error,
                            "Отсутствуют настройки печати. Рукомендуется переустановить программу."_w, kOk, kOk);
    return;
  }
  TFormProgress progress(&state_.ui());
  progress.Start(1, "Передача данных. Ждите ..."_w, false);
  progress_ = &progress;
  lastLandscape_ = false;
  ReadAdditionalCells();
  rtf::RtfDocument& doc = link_.NewDocument();
  try {
    doc.SetLastSectionOrientation(settings_->ReadInteger(table.tableName, "Пейзаж"_w, 0) == 1);
    const int before = doc.TableCount();
    link_.InsertFile(*templ);
    FillTable(table, link_.Document().TableCount() == before + 3);
    if (link_.Document().TableCount() == 0)
      link_.Close();  // a template without a table makes no document
    else
      Show();
  } catch (const std::exception&) {
    // The word processor's failures end a single table's export silently.
    link_.Close();
  }
  progress.Finish();
  progress_ = nullptr;
  settings_.reset();
}

// --- writing and showing the document --------------------------------------------------

std::string TWordExport::FileNameOf(int level, int section, int item) const {
  return ExportFileName(state_, level, section, item, ".rtf");
}

std::optional<std::string> TWordExport::TargetPath() {
  if (!outputPath.empty()) return outputPath;
  static constexpr ExportTargetKind kKind{ReadWordFolder, WriteWordFolder, "Папка для документов Word"_w,
                                            "Сохранить документ Word"_w, "Документ RTF (*.rtf)"_w};
  if (fileName_.empty()) fileName_ = FileNameOf(0, 0, 0);
  return ChooseExportTarget(state_, kKind, fileName_);
}

void TWordExport::Show() {
  Interaction& ui = state_.ui();
  const auto path = TargetPath();
  if (!path) return;
  if (const std::string why = link_.Save(*path); !why.empty()) {
    ui.ShowMessage(MessageKind::Error,
                   std::string("Документ не записан в файл \""_w) + Utf8ToCp1251(*path) + "\": " + Utf8ToCp1251(why),
                   kOk, kOk);
    return;
  }
  written_.push_back(*path);
  if (openWhenWritten && !ui.OpenDocument(*path))
    ui.ShowMessage(MessageKind::Information,
                   std::string("Документ сохранен в файле \""_w) + Utf8ToCp1251(*path) +
                       std::string("\", но программа для его просмотра не найдена."_w),
                   kOk, kOk);
}

}  // namespace rpt::output
