// The structure file ("*.str") of a report: sections of items, each item a
// table or a text document, with exclusion marks for sub-reports and the
// list of included sub-reports. Read into a plain model; edited by small
// writers that open the file, change one thing and release it at once.
//
// Layout (settings-file syntax, Windows-1251):
//   [Отчет]        Название, Количество_разделов, Версия, Подотчет,
//                  Только_подотчет, Папка, Начало печати, Код_вуза
//   [Раздел_N]     Название, Количество_пунктов, Удален          (N from 1)
//   [Пункт_N_M]    Название, Тип (0 table, else document), Файл, Удален
//   [Подотчеты]    Количество, 1..Количество = folder of each sub-report
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rpt {

class Interaction;

// Version tags compared byte for byte with "Отчет" / "Версия".
inline constexpr std::string_view kVersionThisYear = "23_00_22";
inline constexpr std::string_view kVersionLastYear = "22_00_21";

enum class ItemKind { Table, Document };

struct StructureItem {
  std::string title;
  ItemKind kind = ItemKind::Table;
  int type = 0;             // "Тип" as read
  std::string sectionName;  // "Пункт_N_M", at most 255 characters
  std::string file;         // "Файл", at most 255 characters
  bool excluded = false;
};

struct StructureSection {
  std::string title;
  bool excluded = false;
  std::vector<StructureItem> items;  // in file order, excluded ones included
};

struct StructureModel {
  std::string title;                       // the root node
  std::vector<StructureSection> sections;  // in file order
  // Depth-first position (root 0, sections and items in order) of the last
  // item whose "Файл" equals "Начало печати"; 0 when none does.
  int printStart = 0;
  // The table name (the "Файл" part before the first ".") of every item not
  // excluded by its own mark, documents included, in tree order.
  std::vector<std::string> activeNames;
  bool isSubreport = false;    // "Отчет" / "Подотчет"
  bool hasSubreports = false;  // "Подотчеты" / "Количество" > 0
  // The content lines of section "Подотчеты" as they stand in the file.
  std::vector<std::string> subreportLines;
};

// The first "*.str" in the folder in name order (letter case ignored), or
// nothing.
std::optional<std::string> FindStructureFile(const std::string& folder);

// Unpacks a report package ("Report.rpt") into a folder that exists.
using PackageUnpacker =
    std::function<void(const std::string& package, const std::string& destinationFolder)>;

// How included sub-reports are loaded while reading: each one's package is
// unpacked into workingFolder + "Subreports/" + the last component of its
// stored folder + "/", created or emptied first.
struct SubreportLoading {
  std::string workingFolder;
  PackageUnpacker unpack;
};

// Reads the structure file at `path`; nothing when it does not exist. With
// `loading`, the included sub-reports are unpacked first (an entry whose
// folder holds no "Report.rpt" leaves its destination empty; an entry whose
// last component is empty, "." or ".." is skipped, so that nothing outside
// "Subreports/" is ever emptied). Errors of the unpacker propagate.
std::optional<StructureModel> ReadStructure(const std::string& path,
                                            const SubreportLoading* loading = nullptr);

// Every item's "Файл" must name a plain file of the report's folder, and a
// table's file must be its own: not the structure file (any "*.str"), not
// "Check.chk" and not the file of another item. Raises ECoreError with a
// message naming the item ("Пункт_N_M" and its title) when the structure at
// `structurePath` breaks one of these rules, since saving or reading such a
// report would write or read files that are not its tables.
void CheckStructureFiles(const StructureModel& model, const std::string& structurePath);

// "Отчет" / "Версия" of the folder's structure file; empty when there is none.
std::string VersionOf(const std::string& folder);
// "Отчет" / "Подотчет" of the folder's structure file; false when there is none.
bool IsSubreport(const std::string& folder);

// The installation flags of the template structure file, read leniently.
struct TemplateFlags {
  bool isSubreport = false;     // "Подотчет"
  bool subreportOnly = false;   // "Только_подотчет"
};
TemplateFlags ReadTemplateFlags(const std::string& templateFolder);

// Which node to change: an item (section and item index from 0) or, with
// `item` unset, a whole section.
struct StructureNode {
  std::size_t section = 0;
  std::optional<std::size_t> item;
};

// Changes exclusion while a sub-report's structure is defined. An item's
// mark is toggled (`excluded` is ignored for an item) and its section
// becomes excluded exactly when all its items are; a section gives every
// item `excluded`. When no table item would remain, the change is refused
// with an error message and the marks are put back: false. Otherwise the
// structure file at `path` is updated at once ("Удален" of the changed items
// and of the section) and true is returned; when that write fails the marks
// are put back and EFileError is raised.
bool SetExcluded(StructureModel& model, const std::string& path, const StructureNode& node,
                 bool excluded, Interaction& ui);

// Single-key writers: each opens the structure file, writes, releases it.
// Each returns an empty string on success, else why the file could not be
// written.
[[nodiscard]] std::string WriteSubreportFlag(const std::string& path, bool isSubreport);
[[nodiscard]] std::string WriteSubreportFolder(const std::string& path, std::string_view folder);
[[nodiscard]] std::string WriteSubreportOnly(const std::string& path, bool subreportOnly);
[[nodiscard]] std::string WriteInstitutionCode(const std::string& path, std::string_view code);

// The "Подотчеты" list: folders (Windows-1251, as stored) in order of inclusion.
std::vector<std::string> ReadSubreportFolders(const std::string& path);
// Appends a folder as entry "Количество" + 1.
[[nodiscard]] std::string AddSubreportFolder(const std::string& path, std::string_view folder);
// Removes entry `number` (from 1), moving the later ones down by one; the
// last one going erases the section. A number outside the list changes
// nothing.
[[nodiscard]] std::string RemoveSubreportFolder(const std::string& path, int number);

}  // namespace rpt
