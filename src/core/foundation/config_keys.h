// Typed access to the keys of the three local configuration files:
// "Options.cnf" of the template folder and "History.ini" of the program
// folder (read leniently, profile style), and "LocOpt.cnf" of the program
// folder (the strict settings class). Texts are Windows-1251; paths UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rpt {

// The receiving site's page when "Options.cnf" names none.
inline constexpr std::string_view kDefaultSiteAddress = "https://stat.example.org/site/Orvantis.aspx";

// "Сайт" / "Норм" of the template folder's "Options.cnf".
std::string SiteAddress(const std::string& templateFolder);

// "Импортируемые таблицы" / "Количество" of "Options.cnf"; 0 when missing.
int ImportableTableCount(const std::string& templateFolder);

// The table font chosen by the user ("LocOpt.cnf", section "Настройки").
struct TableFontChoice {
  std::string face;  // "Шрифт"; empty: none chosen
  int size = 0;      // "Шрифт - размер"; 0: no size chosen
};
TableFontChoice ReadTableFontChoice(const std::string& programFolder);
// Empty on success, else why the file could not be written.
[[nodiscard]] std::string WriteTableFontChoice(const std::string& programFolder,
                                               const TableFontChoice& choice);

// The folder spreadsheet exports are written to ("LocOpt.cnf", section
// "Настройки", key "Папка Excel"), UTF-8 ending with "/"; empty when none
// was chosen yet.
std::string ReadExcelFolder(const std::string& programFolder);
// Empty on success, else why the file could not be written.
[[nodiscard]] std::string WriteExcelFolder(const std::string& programFolder, const std::string& folder);
// The folder for word-processor documents ("LocOpt.cnf", section
// "Настройки", key "Папка Word"), as the spreadsheet folder.
std::string ReadWordFolder(const std::string& programFolder);
[[nodiscard]] std::string WriteWordFolder(const std::string& programFolder, const std::string& folder);

// Recent report folders of "History.ini" ("TF_StructRep.MRUManager1" /
// "Item_0", "Item_1", …), most recent first, as UTF-8 paths ending with "/".
// Reading stops at the first missing index.
std::vector<std::string> ReadRecentReports(const std::string& programFolder);
// Rewrites the list (folders stored without their trailing separator, the
// "User_" numbers left absent). A folder whose name Windows-1251 cannot
// hold is left out rather than stored mangled. Empty on success, else why.
[[nodiscard]] std::string WriteRecentReports(const std::string& programFolder,
                                             const std::vector<std::string>& folders);

}  // namespace rpt
