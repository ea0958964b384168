#include "core/import/import_common.h"

#include <filesystem>

#include "core/calc/checking_engine.h"
#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/interaction.h"
#include "core/foundation/my_ini_file.h"
#include "core/foundation/text_case.h"
#include "core/archive/package.h"
#include "core/report/report_state.h"
#include "core/calc/structure.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kOptionsFile = "Options.cnf";
constexpr std::string_view kImportSection = "Импортируемые таблицы"_w;
constexpr std::string_view kCountKey = "Количество"_w;

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

}  // namespace

std::string ImportField(std::string_view line, int n) {
  int seen = 0;
  std::size_t start = 0;
  while (start <= line.size()) {
    std::size_t end = line.find(';', start);
    if (end == std::string_view::npos) end = line.size();
    if (end > start && ++seen == n) return std::string(line.substr(start, end - start));
    start = end + 1;
  }
  return {};
}

ImportKind ImportKindOf(std::string_view file) {
  const std::size_t dot = file.rfind('.');
  if (dot == std::string_view::npos) return ImportKind::Other;
  const std::string ext = UpperCase(file.substr(dot));
  if (ext == ".INI") return ImportKind::Table;
  if (ext == ".RTF") return ImportKind::Document;
  return ImportKind::Other;
}

std::vector<ImportEntry> ReadImportEntries(const std::string& templateFolder) {
  std::vector<ImportEntry> entries;
  const auto path = FindFileIgnoringCase(templateFolder, kOptionsFile);
  if (!path) return entries;
  TMyIniFile ini(*path);
  const int count = ini.ReadInteger(kImportSection, kCountKey, 0);
  for (int k = 1; k <= count && k <= 100000; ++k) {
    const std::string line = ini.ReadString(kImportSection, std::to_string(k), "");
    ImportEntry e;
    e.number = k;
    e.lastYearFile = ImportField(line, 1);
    e.thisYearFile = ImportField(line, 2);
    e.keepNumbers = ImportField(line, 3) == "+";
    entries.push_back(std::move(e));
  }
  ini.DiscardChanges();
  return entries;
}

std::vector<ImportListLine> ImportListLines(const std::vector<ImportEntry>& entries,
                                            const StructureModel* structure) {
  std::vector<ImportListLine> lines;
  for (const auto& e : entries) {
    if (e.thisYearFile.empty()) continue;
    lines.push_back({e.number, std::to_string(e.number) + ". " + ItemCaption(structure, e.thisYearFile)});
  }
  return lines;
}

int EntryNumberOfLine(std::string_view line) {
  int n = 0;
  std::size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9' && n < 10000000; ++i) n = n * 10 + (line[i] - '0');
  return n;
}

std::string ItemCaption(const StructureModel* structure, std::string_view file) {
  if (!structure) return {};
  for (const auto& section : structure->sections)
    for (const auto& item : section.items)
      if (SameAscii(item.file, file)) return item.title;
  return {};
}

void ImportProtocol::Add(std::string_view text) {
  std::string line = std::to_string(lines_.size() + 1);
  line += ". ";
  line += text;
  lines_.push_back(std::move(line));
}

std::string SourceFolderOf(const std::string& source) {
  std::error_code ec;
  fs::path p(source);
  if (!fs::is_directory(p, ec)) p = p.parent_path();
  std::string folder = p.lexically_normal().string();
  if (folder.empty()) folder = ".";
  return WithSeparator(folder);
}

bool IsPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos;
}

std::optional<std::string> FindFileIgnoringCase(const std::string& folder, std::string_view nameCp1251) {
  if (!IsPlainFileName(nameCp1251)) return std::nullopt;
  const std::string utf8 = Cp1251ToUtf8(nameCp1251);
  std::error_code ec;
  if (fs::is_regular_file(fs::path(folder) / utf8, ec)) return (fs::path(folder) / utf8).string();
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = it->path().filename().string();
    if (SameText(Utf8ToCp1251(name), nameCp1251)) return it->path().string();
  }
  return std::nullopt;
}

std::optional<std::string> ReportPackageIn(const std::string& folder) {
  return FindFileIgnoringCase(folder, "Report.rpt");
}

ImportFolder::~ImportFolder() { (void)ClearFolder(folder_, /*removeFolder=*/true); }

void ImportFolder::Unpack(const std::string& package) {
  (void)ClearFolder(folder_, /*removeFolder=*/false);
  ForceFolders(folder_);
  UnpackPackage(package, folder_);
}

std::string Quoted(std::string_view textCp1251) {
  std::string out(1, '"');
  out += textCp1251;
  out += '"';
  return out;
}


void RunReportCheck(TReportState& state) {
  auto* engine = dynamic_cast<TCheckingEngine*>(&state.engine());
  if (!engine) return;
  try {
    engine->checker().CheckReport(state.ui());
  } catch (const std::exception& e) {
    state.ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
  }
}

void RestoreAfterFailedImport(TReportState& state, const std::exception& e) {
  state.ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
  state.DiscardChanges();
  state.LoadReport(state.currentFolder);
}

void FinishImport(TReportState& state, bool allImported, std::string_view doneMessage,
                  const ImportProtocol& protocol,
                  const std::function<void(const ImportProtocol&)>& showProtocol) {
  state.RefreshStatuses();
  if (allImported) {
    state.ui().ShowMessage(MessageKind::Information, doneMessage, kOk, kOk);
    state.RecalcAllTables();
    RunReportCheck(state);
  } else if (showProtocol) {
    showProtocol(protocol);
  }
}

}  // namespace rpt
