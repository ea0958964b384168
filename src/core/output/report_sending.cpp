#include "core/output/report_sending.h"

#include <nettle/sha2.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/archive/cabinet_writer.h"
#include "core/archive/package.h"
#include "core/archive/packed_container.h"
#include "core/calc/structure.h"
#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "core/foundation/my_ini_file.h"
#include "core/foundation/progress.h"
#include "core/foundation/text_case.h"
#include "core/report/report_state.h"
#include "core/tables/ini_snapshot.h"
#include "core/tables/table_model.h"

namespace fs = std::filesystem;

namespace rpt::output {

using namespace literals;

namespace {

constexpr std::string_view kNameSection = "Наименование вуза"_w;
constexpr std::string_view kNewNameSection = "Наименование вуза новое"_w;
constexpr std::string_view kMissingFromList = "отсутствует в перечне"_w;

constexpr std::string_view kOptionsError = "Ошибка в параметрах файла \"TabIni/Options.cnf\"."_w;
constexpr std::string_view kNoName = "В отчете отсутствует наименование вуза (организации)."_w;
constexpr std::string_view kNoResources =
    "Для создания архива не хватает системных ресурсов. Перезагрузите программу и снова выполните команду "
    "отправки отчета."_w;
constexpr std::string_view kNoStructure =
    "В отчете отсутствует файл описания структуры отчета (*.STR). Отправка отчета прекращена."_w;
constexpr std::string_view kAskFolder = "Укажите папку для записи отправляемых данных."_w;
constexpr std::string_view kFolderCaption = "Укажите место для записи данных"_w;
constexpr std::string_view kBrowserError = "Ошибка запуска интернет-браузера."_w;
constexpr std::string_view kSaveQuestion = "Сохранить сделанные в отчете изменения?"_w;
constexpr std::string_view kSavingCaption = "Сохранение отчета"_w;

std::string S(std::string_view s) { return std::string(s); }
std::string Quoted(const std::string& utf8) { return "\"" + Utf8ToCp1251(utf8) + "\""; }
std::string QuotedW(std::string_view cp1251) { return "\"" + std::string(cp1251) + "\""; }

// A name of a file in one folder: no folder part, not "." or "..".
bool PlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string_view::npos;
}

std::string Trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return std::string(s.substr(first, last - first + 1));
}

// The mount point of the file system holding `folder` (the folder itself
// when it cannot be told).
std::string MountPointOf(const std::string& folder) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(folder, ec);
  if (ec) return folder;
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return folder;
  while (p.has_parent_path() && p.parent_path() != p) {
    struct stat up {};
    if (::stat(p.parent_path().c_str(), &up) != 0 || up.st_dev != st.st_dev) break;
    p = p.parent_path();
  }
  return p.string();
}

}  // namespace

// --- the institution code ---------------------------------------------------------------

std::string LatinLookalikes(std::string_view code) {
  std::string out(code);
  for (char& c : out) {
    if (c == "Н"_w[0]) c = 'H';
    else if (c == "В"_w[0]) c = 'B';
  }
  return Trimmed(out);
}

std::string CodeFromList(const std::string& listText, std::string_view name, std::string_view codeField) {
  const std::string unknown(kUnknownCode);
  if (name.empty()) return unknown;
  const auto at = listText.find(name);
  if (at == std::string::npos) return unknown;
  const auto lineStart = listText.rfind('\n', at);
  std::string key = listText.substr(lineStart == std::string::npos ? 0 : lineStart + 1,
                                    at - (lineStart == std::string::npos ? 0 : lineStart + 1));
  if (key.empty()) return unknown;
  key.pop_back();  // the "=" of the entry
  const auto underscore = key.rfind('_');
  if (underscore == std::string::npos) return unknown;
  key.erase(underscore + 1, 10);
  key += codeField;
  const tables::IniSnapshot list(listText);
  const std::string code = list.Get("0").ReadString(key, kUnknownCode);
  return LatinLookalikes(Trimmed(code));
}

std::string DataFileName(std::string_view code) { return "R_" + std::string(code) + ".rpt"; }

std::string CodeQuery(std::string_view code) {
  std::string q = "?a=";
  if (code.size() < 6) q.append(std::min<std::size_t>(6 - code.size(), 5), '+');
  static const char* hex = "0123456789ABCDEF";
  for (const unsigned char c : Cp1251ToUtf8(code)) {
    if ((c < 0x80 && std::isalnum(c)) || c == '-' || c == '.' || c == '_' || c == '~') {
      q += static_cast<char>(c);
    } else {
      q += '%';
      q += hex[c >> 4];
      q += hex[c & 15];
    }
  }
  return q;
}

std::string UploadAddress(const std::string& site, std::string_view code) {
  return code == kUnknownCode ? site : site + CodeQuery(code);
}

std::string SiteAddress(const std::string& site, std::string_view code) {
  return code == kUnknownCode ? site + "?t=1" : site + CodeQuery(code) + "&t=1";
}

// --- the checksum -------------------------------------------------------------------------

std::string Sha256OfFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  sha256_ctx ctx;
  sha256_init(&ctx);
  std::vector<char> buffer(1 << 16);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto n = in.gcount();
    if (n > 0) sha256_update(&ctx, static_cast<std::size_t>(n), reinterpret_cast<const std::uint8_t*>(buffer.data()));
  }
  if (in.bad()) return {};
  std::uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, SHA256_DIGEST_SIZE, digest);
  static const char* hex = "0123456789abcdef";
  std::string out;
  for (const std::uint8_t b : digest) {
    out += hex[b >> 4];
    out += hex[b & 15];
  }
  return out;
}

// --- the routes ---------------------------------------------------------------------------

TReportSending::TReportSending(TReportState& state, SendDesk& desk, std::string site)
    : state_(state), desk_(desk), site_(std::move(site)) {}

std::string TReportSending::OptionsPath() const {
  const std::string& t = state_.folders().templates;
  return FindEntryNoCase(t, kOptionsFileName).value_or(t + std::string(kOptionsFileName));
}

std::string TReportSending::DataLinesPath() const {
  return state_.folders().program + std::string(kDataLinesFileName);
}

bool TReportSending::NameCheck() {
  Interaction& ui = state_.ui();
  std::string table;
  std::int32_t nameCell = -1, newNameCell = -1;
  {
    TMyIniFile options(OptionsPath());
    table = options.ReadString(kNameSection, "Таблица"_w, "");
    nameCell = options.ReadInteger(kNameSection, "Ячейка"_w, -1);
    newNameCell = options.ReadInteger(kNewNameSection, "Ячейка"_w, -1);
    options.DiscardChanges();
  }
  if (nameCell == -1 || newNameCell == -1) {
    ui.ShowMessage(MessageKind::Error, kOptionsError, kOk, kOk);
    return false;
  }
  const std::string tableName = table.substr(0, table.find('.'));
  std::string name;
  for (const TReportTable& t : state_.tables())
    if (SameText(t.table->tableName, tableName)) {
      if (TCell* cell = CellByNumber(t.table->data, nameCell)) name = cell->GetValue();
      break;
    }
  // A report without that table has no name either.
  if (name.empty()) {
    ui.ShowMessage(MessageKind::Error, kNoName, kOk, kOk);
    return false;
  }
  return true;
}

bool TReportSending::WriteDataLines() {
  Interaction& ui = state_.ui();
  const auto& tables = state_.tables();
  TFormProgressD progress(&ui);
  progress.Start(static_cast<int>(tables.size()), 0, kSavingCaption, false, false, "");
  state_.RecalcAllTables();
  std::string text;
  try {
    for (const TReportTable& t : tables) {
      t.table->WriteDataLines(text);
      progress.StepFirst();
    }
  } catch (const std::exception& e) {
    progress.Finish();
    ui.ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
    return false;
  }
  progress.Finish();
  if (const std::string why = AtomicWriteFile(DataLinesPath(), text); !why.empty()) {
    ui.ShowMessage(MessageKind::Error,
                   S("Не удается записать файл "_w) + Quoted(DataLinesPath()) + ": " + Utf8ToCp1251(why), kOk, kOk);
    return false;
  }
  return true;
}

bool TReportSending::ReadinessCheck() {
  stoppedAtSummary_ = false;
  if (!state_.isSubreport && !NameCheck()) return false;
  state_.RecalcAllTables();
  state_.RefreshStatuses();
  if (checks::TableChecker* checker = state_.engine().Checker()) {
    bool errors = false, empty = false;
    for (const TReportTable& t : state_.tables()) {
      errors = errors || t.table->status == checks::kErrors;
      empty = empty || t.table->status == checks::kEmpty;
    }
    if (errors) {
      switch (desk_.AskErrors(checker->ErrorsSummaryLines())) {
        case checks::ErrorsSummaryAnswer::SendAnyway: break;
        case checks::ErrorsSummaryAnswer::Details:
          checker->ShowProtocol(nullptr, true);
          stoppedAtSummary_ = true;
          return false;
        case checks::ErrorsSummaryAnswer::Cancel: stoppedAtSummary_ = true; return false;
      }
    }
    if (empty && desk_.AskEmpty(checker->EmptySummaryLines()) != checks::EmptySummaryAnswer::SendAnyway) {
      stoppedAtSummary_ = true;
      return false;
    }
  }
  if (state_.IsModified()) {
    const bool enabled = state_.structureWindowEnabled;
    state_.structureWindowEnabled = false;
    const bool saved = state_.Save();
    state_.structureWindowEnabled = enabled;
    if (!saved) return false;
  }
  return WriteDataLines();
}

TReportSending::Code TReportSending::InstitutionCode() {
  Interaction& ui = state_.ui();
  std::string table, nameCell, newNameCell, list, field;
  {
    TMyIniFile options(OptionsPath());
    table = options.ReadString(kNameSection, "Таблица"_w, "");
    nameCell = options.ReadString(kNameSection, "Ячейка"_w, "");
    newNameCell = options.ReadString(kNewNameSection, "Ячейка"_w, "");
    list = options.ReadString(kNameSection, "Список"_w, "");
    field = options.ReadString(kNameSection, "Поле кода вуза"_w, "");
    options.DiscardChanges();
  }
  std::string name;
  const std::string& working = state_.folders().working;
  if (PlainName(table))
    if (const auto path = FindEntryNoCase(working, Cp1251ToUtf8(table))) {
      TMyIniFile file(*path);
      const std::string nameSection = "Cell_" + nameCell;
      name = file.ReadString(nameSection, "Cap", "");
      if (SameText(name, kMissingFromList)) {
        // The name typed by hand goes where the list's name stood, so that
        // the receiving organisation reads it in the name cell.
        name = file.ReadString("Cell_" + newNameCell, "Cap", "");
        file.WriteString(nameSection, "Cap", name);
        file.WriteString(nameSection, "BVal", "-1");
        file.WriteString(nameSection, "BList", "-1");
        if (const std::string why = file.Release(); !why.empty()) {
          ui.ShowMessage(MessageKind::Error, why, kOk, kOk);
          return {};
        }
      } else {
        file.DiscardChanges();
      }
    }
  if (name.empty()) {
    ui.ShowMessage(MessageKind::Error, kNoName, kOk, kOk);
    return {};
  }
  std::string listText;
  if (PlainName(list))
    if (const auto path = FindEntryNoCase(state_.folders().lists, Cp1251ToUtf8(list)))
      listText = ReadWholeFile(*path).value_or("");
  Code c;
  c.code = LatinLookalikes(CodeFromList(listText, name, field));
  if (c.code.empty()) c.code = std::string(kUnknownCode);
  // The code becomes part of a file name: no folder may come out of it.
  std::string safe = c.code;
  for (char& ch : safe)
    if (ch == '/' || ch == '\\' || static_cast<unsigned char>(ch) < 0x20) ch = '_';
  c.fileName = DataFileName(safe);
  return c;
}

void TReportSending::WriteCodeIntoStructure(std::string_view code) {
  const auto path = FindStructureFile(state_.folders().working);
  if (!path) return;
  const std::string value = LatinLookalikes(code);
  if (const std::string why = WriteInstitutionCode(*path, value == kUnknownCode ? "" : value); !why.empty())
    state_.ui().ShowMessage(MessageKind::Error, why, kOk, kOk);
}

void TReportSending::WriteSystemInfoFile() {
  SystemFacts facts = ReadSystemFacts();
  facts.printers = desk_.Printers();
  (void)WriteSystemInfo(state_.folders().working + std::string(kSystemInfoFileName), facts);
}

bool TReportSending::BuildSendArchive(const std::string& destination) {
  Interaction& ui = state_.ui();
  const std::string& working = state_.folders().working;
  TSTCabWriter cab;
  try {
    cab.Open(destination);
  } catch (const std::exception&) {
    ui.ShowMessage(MessageKind::Error, kNoResources, kOk, kOk);
    return false;
  }
  if (state_.structure)
    for (const StructureSection& section : state_.structure->sections)
      for (const StructureItem& item : section.items) {
        if (item.excluded || section.excluded) continue;
        const std::string name = Cp1251ToUtf8(item.file);
        const auto path = PlainName(name) ? FindEntryNoCase(working, name) : std::nullopt;
        try {
          if (!path) throw EFileError(name);
          cab.AddFile(*path, name);
        } catch (const std::exception&) {
          cab.Close(false);
          ::unlink(destination.c_str());
          ui.ShowMessage(MessageKind::Error,
                         S("В отчете отсутствует файл "_w) + Quoted(path.value_or(working + name)) +
                             S(". Отправка отчета прекращена."_w),
                         kOk, kOk);
          return false;
        }
      }
  try {
    cab.AddFiles(working + "*.str", "", false);
  } catch (const std::exception&) {
    cab.Close(false);
    ::unlink(destination.c_str());
    ui.ShowMessage(MessageKind::Error, kNoStructure, kOk, kOk);
    return false;
  }
  try {
    cab.AddFiles(working + "*.inf", "", false);
  } catch (const std::exception&) {
  }
  try {
    cab.Close(true);
    ExchangeFirstTwoBytes(destination);
  } catch (const std::exception& e) {
    ::unlink(destination.c_str());
    ui.ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
    return false;
  }
  return true;
}

std::optional<SentFile> TReportSending::Finish(const std::string& path, std::string_view message) {
  SentFile sent;
  sent.path = path;
  std::error_code ec;
  sent.size = static_cast<std::int64_t>(fs::file_size(path, ec));
  sent.sha256 = Sha256OfFile(path);
  const std::string name = fs::path(path).filename().string();
  const std::string sumFile = path + ".sha256";
  std::string text = std::string(message) + "\r\n\r\n" + S("Файл: "_w) + Utf8ToCp1251(path) + "\r\n" +
                     S("Размер: "_w) + std::to_string(sent.size) + S(" байт"_w) + "\r\nSHA-256: " + sent.sha256;
  if (!sent.sha256.empty() && AtomicWriteFile(sumFile, sent.sha256 + "  " + name + "\n").empty())
    text += "\r\n" + S("Контрольная сумма записана в файл "_w) + Quoted(name + ".sha256") + ".";
  state_.ui().ShowMessage(MessageKind::Information, text, kOk, kOk);
  return sent;
}

bool TReportSending::BeginMailRoute(Code& code) {
  if (!ReadinessCheck()) return false;
  const std::string& mail = state_.folders().mail;
  if (!ClearFolder(mail, false) || !ForceFolders(mail)) {
    state_.ui().ShowMessage(MessageKind::Error, S("В папку "_w) + Quoted(mail) + S(" записать данные не удалось."_w),
                            kOk, kOk);
    return false;
  }
  code = InstitutionCode();
  if (code.fileName.empty()) return false;
  WriteCodeIntoStructure(code.code);
  WriteSystemInfoFile();
  return true;
}

std::optional<SentFile> TReportSending::SendInternet() {
  Interaction& ui = state_.ui();
  Code code;
  if (!BeginMailRoute(code)) return std::nullopt;
  const std::string mail = state_.folders().mail;
  const std::string dataLines = DataLinesPath();
  const std::string fileName = Cp1251ToUtf8(code.fileName);
  const std::string dataFile = mail + fileName;
  try {
    // The archive is made under the data file's name in a private folder;
    // the mail folder receives the finished container in one rename.
    PrivateTempFolder area("send", "Не удается создать папку"_w);
    const std::string archive = area.path() + fileName;
    if (!BuildSendArchive(archive)) return std::nullopt;
    struct RemoveDataLines {
      std::string path;
      ~RemoveDataLines() { ::unlink(path.c_str()); }
    } remove{dataLines};
    PackFiles({dataLines, archive}, dataFile);
  } catch (const std::exception& e) {
    ui.ShowMessage(MessageKind::Error,
                   S("Файл данных отчета "_w) + Quoted(dataFile) + S(" не записан: "_w) + ErrorMessage(e), kOk, kOk);
    return std::nullopt;
  }
  desk_.PutOnClipboard(dataFile);
  if (!ui.OpenAddress(UploadAddress(site_, code.code))) ui.ShowMessage(MessageKind::Error, kBrowserError, kOk, kOk);
  return Finish(dataFile, S("Файл данных отчета "_w) + QuotedW(code.fileName) + S(" подготовлен в папке "_w) +
                              Quoted(mail) +
                              S(". Его путь помещен в буфер обмена: загрузите этот файл на сайте приема отчетов."_w));
}

std::optional<SentFile> TReportSending::SendEmail() {
  Interaction& ui = state_.ui();
  Code code;
  if (!BeginMailRoute(code)) return std::nullopt;
  const std::string mail = state_.folders().mail;
  const std::string fileName = Cp1251ToUtf8(code.fileName);
  const std::string dataFile = mail + fileName;
  try {
    PrivateTempFolder area("send", "Не удается создать папку"_w);
    const std::string archive = area.path() + fileName;
    if (!BuildSendArchive(archive)) return std::nullopt;
    CopyFile(archive, dataFile);
  } catch (const std::exception& e) {
    ui.ShowMessage(MessageKind::Error,
                   S("Файл данных отчета "_w) + Quoted(dataFile) + S(" не записан: "_w) + ErrorMessage(e), kOk, kOk);
    return std::nullopt;
  }
  return Finish(dataFile, S("Подготовленный файл данных отчета для отправки по E-mail "_w) + QuotedW(code.fileName) +
                              S(" помещен в папку "_w) + Quoted(mail) +
                              S(". При отправке не изменяйте имя этого файла и не архивируйте его."_w));
}

std::optional<SentFile> TReportSending::SendMedia() {
  if (!ReadinessCheck()) return std::nullopt;
  return SendMediaAfterCheck(state_.ui(), std::nullopt);
}

std::optional<SentFile> TReportSending::SendMediaTo(const std::string& chosenFolder) {
  if (!ReadinessCheck()) return std::nullopt;
  return SendMediaAfterCheck(state_.ui(), chosenFolder);
}

std::optional<SentFile> TReportSending::SendMediaAfterCheck(Interaction& ui, std::optional<std::string> chosenIn) {
  Code code;
  if (!state_.isSubreport) {
    code = InstitutionCode();
    if (code.fileName.empty()) return std::nullopt;
  }
  if (!chosenIn) {
    if (ui.ShowMessage(MessageKind::Confirmation, kAskFolder, kOk | kCancel, kOk) != kOk) return std::nullopt;
    chosenIn = ui.ChooseFolder(kFolderCaption, state_.folders().program);
    if (!chosenIn || chosenIn->empty()) return std::nullopt;
  }
  const std::string chosen = WithSeparator(*chosenIn);
  // The program's data folder is emptied and refilled at every start.
  if (chosen.find(state_.folders().program + "Help/Data") != std::string::npos ||
      FolderHolds(state_.folders().data, chosen)) {
    ui.ShowMessage(MessageKind::Warning,
                   S("Папку "_w) + Quoted(chosen) + S(" для записи данных использовать нельзя."_w), kOk, kOk);
    return std::nullopt;
  }
  const std::string target =
      chosen + LastFolderComponent(state_.currentFolder) + Cp1251ToUtf8(" (для отправки)/"_w);
  auto failed = [&](const std::string& where) {
    ui.ShowMessage(MessageKind::Error, S("В папку "_w) + Quoted(where) + S(" записать данные не удалось."_w), kOk,
                   kOk);
    return std::nullopt;
  };
  if (!ForceFolders(target)) return failed(target);

  const std::string folder = WithSeparator(state_.currentFolder);
  const auto package = FindEntryNoCase(folder, kReportPackageName);
  if (state_.isSubreport) {
    if (!package) {
      ui.ShowMessage(MessageKind::Confirmation, S("Папка "_w) + Quoted(folder) + S(" не содержит подотчета."_w), kOk,
                     kOk);
      return std::nullopt;
    }
    const std::string copy = target + std::string(kReportPackageName);
    try {
      CopyFile(*package, copy);
    } catch (const std::exception&) {
      return failed(target);
    }
    return Finish(copy, S("Подотчет записан в папку "_w) + Quoted(target) + ".");
  }

  WriteCodeIntoStructure(code.code);
  WriteSystemInfoFile();
  const std::string fileName = Cp1251ToUtf8(code.fileName);
  try {
    PrivateTempFolder area("send", "Не удается создать папку"_w);
    const std::string archive = area.path() + fileName;
    if (!BuildSendArchive(archive)) return std::nullopt;
    // The report's package takes the send archive's form, replaced in one
    // step so that a failure leaves the old package.
    CopyFile(archive, package.value_or(folder + std::string(kReportPackageName)));
    std::error_code ec;
    const auto size = static_cast<std::int64_t>(fs::file_size(archive, ec));
    const SpaceFacts space = SpaceOf(target);
    if (ec || space.free < 0 || size >= space.free) {
      ui.ShowMessage(MessageKind::Error,
                     S("На диске "_w) + Quoted(MountPointOf(target)) +
                         S(" недостаточно места. Для записи данных требуется "_w) + std::to_string(size + 500) +
                         S(" байт."_w),
                     kOk, kOk);
      return std::nullopt;
    }
    CopyFile(archive, target + fileName);
    const std::string mail = state_.folders().mail;
    if (ForceFolders(mail)) {
      CopyFile(archive, mail + fileName);
      const std::string sum = Sha256OfFile(mail + fileName);
      if (!sum.empty()) (void)AtomicWriteFile(mail + fileName + ".sha256", sum + "  " + fileName + "\n");
    }
  } catch (const std::exception&) {
    return failed(target);
  }
  return Finish(target + fileName, S("Файл данных отчета "_w) + QuotedW(code.fileName) + S(" записан в папку "_w) +
                                       Quoted(target) + ".");
}

bool TReportSending::OpenSite() {
  Interaction& ui = state_.ui();
  if (state_.IsModified() && ui.ShowMessage(MessageKind::Confirmation, kSaveQuestion, kYes | kNo, kYes) == kYes)
    state_.Save();
  const Code code = InstitutionCode();
  if (code.fileName.empty()) return false;
  if (ui.OpenAddress(SiteAddress(site_, code.code))) return true;
  ui.ShowMessage(MessageKind::Error, kBrowserError, kOk, kOk);
  return false;
}

}  // namespace rpt::output
