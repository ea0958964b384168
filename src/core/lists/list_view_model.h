// The list window's side of a value-list file: the tree of groups, the
// columns with widths and headings, the rows of a group, positioning on a
// cell's value, the search over section "0", the layout written back into
// the file, and applying a chosen row to the bound cells of a table row.
//
// Unlike TValueList (a read-only view for whole-list insertion), the file
// stays open as a settings object while the window shows the same list
// again; the layout the user leaves behind is written back when another
// list is opened or the window goes away. The list folder is a temporary
// copy, so a stored layout lasts until the program ends.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rpt {

class TCell;
class TMyIniFile;
class TTable;

// A group of the tree. On the last level `key` is the row key of its rows
// in section "0", elsewhere the parent key of its children.
struct ListGroup {
  std::string caption;  // Windows-1251
  int key = 0;
  int count = 0;  // children, or rows on the last level
  int level = 1;
  std::vector<ListGroup> children;
};

struct ListColumn {
  int width = 0;        // "Ширина_" + n as read (0: the remaining width)
  std::string heading;  // "Заголовок" / "Поле_" + n, default "Поле " + n
  std::string code;     // n + ".LC"
};

// One row of the row table: per column its text and cell code, and the
// row's code. Codes that are not numbers read as -1.
struct ListRow {
  std::vector<std::string> texts;
  std::vector<std::int32_t> cellCodes;
  std::int32_t rowCode = -1;
};

// Where positioning lands: the group holding the row (row key, 0 in a flat
// list), the column (from 1) and the text to select in it.
struct ListPosition {
  int rowKey = 0;
  int column = 1;
  std::string text;
  bool operator==(const ListPosition&) const = default;
};

// A search hit: its line in section "0" (header = line 0), the code of the
// line after it and the hit's text.
struct ListSearchHit {
  int line = 0;
  std::int32_t code = -1;
  std::string text;
};

// What the window stores on closing.
struct ListLayout {
  int width = 300;      // of the row table
  int treeWidth = 0;    // 0 for a flat list
  int height = 300;     // of the window
  int searchColumn = 0; // from 0
  std::vector<int> columnWidths;
};

class TListFile {
 public:
  // Loads the list (UTF-8 path); nothing when the file does not exist.
  static std::unique_ptr<TListFile> Load(const std::string& path);
  ~TListFile();
  TListFile(const TListFile&) = delete;
  TListFile& operator=(const TListFile&) = delete;

  const std::string& path() const { return path_; }

  std::string caption;  // "Заголовок" / "Список", default "Список значений"
  std::int32_t listCode = 0;
  int levels = 0;       // 0: a flat list
  int level1Count = 0;  // "КолНаУровне1": groups on level 1, rows of a flat list
  int treeWidth = 200;
  int width = 300;
  int height = 300;
  int searchColumn = 0;  // from 0
  std::vector<ListColumn> columns;
  std::vector<ListGroup> groups;  // level 1; groups with a count below 1 left out

  // The rows of row key K (K + "_" + r + "_" + c for r = 1..count).
  std::vector<ListRow> Rows(int rowKey, int count) const;
  // Section "0" as lines, its header first.
  const std::vector<std::string>& lines() const { return lines_; }
  // The last-level group whose key is `rowKey`, or null.
  const ListGroup* FindGroup(int rowKey) const;

  // Positioning on a cell's value: the first ".BV" line (from line 2) whose
  // value is `code` in decimal (any value for -1) and whose preceding line
  // contains `text`. Nothing when there is none.
  std::optional<ListPosition> Locate(std::int32_t code, std::string_view text) const;
  // Where a typed search starts: the first line holding ".BL=" + the
  // selected row's code, else line 0 (also without a selected row).
  int SearchStart(std::optional<std::int32_t> selectedRowCode) const;
  // From `startLine`, wrapping once round section "0": the first line of
  // the searched column (it contains "_" + (column + 1) + "=") whose text
  // after "=" (at most 300 characters) contains `text`, letter case
  // ignored. `text` is Windows-1251.
  std::optional<ListSearchHit> Search(std::string_view text, int startLine) const;

  // Writes the layout into section "Список" of the open file (widths of 4
  // or less as 40); the file is written back by Release.
  void StoreLayout(const ListLayout& layout);
  // Writes the file back when anything was stored. Empty on success, else
  // the reason.
  [[nodiscard]] std::string Release();

 private:
  TListFile() = default;
  std::string path_;
  std::unique_ptr<TMyIniFile> ini_;
  std::vector<std::string> lines_;
};

// The name of the list a cell's "List" names: its first blank-separated word.
std::string ListNameOf(const TCell& cell);
// The list file of a cell in the list folder (UTF-8, letter case of the
// name ignored); empty when the cell names no list or the file is missing.
std::string ListPathOf(const std::string& listFolder, const TCell& cell);

// Applies a chosen row: every cell of the opening cell's row (a form
// table: every data cell) of type 6 or 1 bound to the same list gets the
// text of its column (type 6: the column whose code is its "BObj", skipped
// when there is none; type 1: the first column); a type-6 cell also gets
// "BVal" = the cell code, "BList" = the row code and "ListCode" = the
// list's code. `afterCell` runs after each cell (the table window's
// editor-exit handling). Returns the cells filled, in order.
std::vector<TCell*> ApplyListRow(TTable& table, const TCell& opening, const TListFile& list,
                                 const ListRow& chosen,
                                 const std::function<void(TCell&)>& afterCell = {});

}  // namespace rpt
