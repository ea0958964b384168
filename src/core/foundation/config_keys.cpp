#include "core/foundation/config_keys.h"

#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/my_ini_file.h"

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kRecentSection = "TF_StructRep.MRUManager1";

// The existing spelling of the file when there is one, else the catalogue's.
std::string PathIn(const std::string& folder, std::string_view name) {
  if (auto found = FindEntryNoCase(WithSeparator(folder), name)) return *found;
  return WithSeparator(folder) + std::string(name);
}

std::string ItemKey(std::size_t index) { return "Item_" + std::to_string(index); }

}  // namespace

std::string SiteAddress(const std::string& templateFolder) {
  const ProfileFile options(PathIn(templateFolder, kOptionsFileName));
  return options.ReadString("Сайт"_w, "Норм"_w, kDefaultSiteAddress);
}

int ImportableTableCount(const std::string& templateFolder) {
  const ProfileFile options(PathIn(templateFolder, kOptionsFileName));
  return options.ReadInteger("Импортируемые таблицы"_w, "Количество"_w, 0);
}

TableFontChoice ReadTableFontChoice(const std::string& programFolder) {
  TMyIniFile ini(PathIn(programFolder, kLocalOptionsFileName));
  ini.DiscardChanges();
  TableFontChoice choice;
  choice.face = ini.ReadString("Настройки"_w, "Шрифт"_w, "");
  choice.size = ini.ReadInteger("Настройки"_w, "Шрифт - размер"_w, 0);
  return choice;
}

std::string WriteTableFontChoice(const std::string& programFolder, const TableFontChoice& choice) {
  TMyIniFile ini(PathIn(programFolder, kLocalOptionsFileName));
  ini.WriteString("Настройки"_w, "Шрифт"_w, choice.face);
  ini.WriteInteger("Настройки"_w, "Шрифт - размер"_w, choice.size);
  return ini.Release();
}

std::string ReadExcelFolder(const std::string& programFolder) {
  TMyIniFile ini(PathIn(programFolder, kLocalOptionsFileName));
  ini.DiscardChanges();
  const std::string folder = Cp1251ToUtf8(ini.ReadString("Настройки"_w, "Папка Excel"_w, ""));
  return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

std::string WriteExcelFolder(const std::string& programFolder, const std::string& folder) {
  TMyIniFile ini(PathIn(programFolder, kLocalOptionsFileName));
  ini.WriteString("Настройки"_w, "Папка Excel"_w, Utf8ToCp1251(folder));
  return ini.Release();
}

std::string ReadWordFolder(const std::string& programFolder) {
  TMyIniFile ini(PathIn(programFolder, kLocalOptionsFileName));
  ini.DiscardChanges();
  const std::string folder = Cp1251ToUtf8(ini.ReadString("Настройки"_w, "Папка Word"_w, ""));
  return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

std::string WriteWordFolder(const std::string& programFolder, const std::string& folder) {
  TMyIniFile ini(PathIn(programFolder, kLocalOptionsFileName));
  ini.WriteString("Настройки"_w, "Папка Word"_w, Utf8ToCp1251(folder));
  return ini.Release();
}

std::vector<std::string> ReadRecentReports(const std::string& programFolder) {
  const ProfileFile history(PathIn(programFolder, kHistoryFileName));
  std::vector<std::string> folders;
  for (std::size_t i = 0;; ++i) {
    const std::string value = history.ReadString(kRecentSection, ItemKey(i), "");
    if (value.empty()) break;
    folders.push_back(StoredFolderToPath(value));
  }
  return folders;
}

std::string WriteRecentReports(const std::string& programFolder,
                               const std::vector<std::string>& folders) {
  ProfileFile history(PathIn(programFolder, kHistoryFileName));
  std::string error = history.EraseSection(kRecentSection);
  std::size_t index = 0;
  for (const auto& folder : folders) {
    if (!FitsCp1251(folder)) continue;
    std::string stored = folder;
    while (stored.size() > 1 && stored.back() == '/') stored.pop_back();
    const std::string e = history.WriteString(kRecentSection, ItemKey(index++), Utf8ToCp1251(stored));
    if (error.empty()) error = e;
  }
  return error;
}

}  // namespace rpt
