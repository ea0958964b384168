// The cells of a table file as far as finding one of them needs: where
// each lies, its type, codes and value. Used to find, in another copy of a
// table (a sub-report's, last year's), the cell that holds the same figure
// as a cell of an open table.
//
// Texts are Windows-1251; paths UTF-8.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace rpt {

class TCell;
class TTable;

namespace tables {
class IniSnapshot;
}

struct FileCell {
  int number = 0;      // n of the file's section "Cell_" n
  char section = 'D';  // "State": 'H' header, 'T' column headings, 'D' data, 'B' footer
  int row = 0, col = 0;
  int type = 0;
  int bObj = -1, bList = -1, bVal = -1;
  std::string key;    // text and list cells: the value trimmed and upper-cased
  std::string value;  // the value as the cell shows it
};

// A record's key: one entry per text and list cell of a data row.
struct RecordKey {
  struct Entry {
    int type;
    std::string key;  // trimmed, upper-cased
    int bList, bVal;
  };
  std::vector<Entry> entries;
};
RecordKey RecordKeyOf(const TTable& table, int row);

class TableFileCells {
 public:
  // Raises EFileError when the file cannot be read.
  static TableFileCells Read(const std::string& path);
  explicit TableFileCells(const tables::IniSnapshot& ini);

  const std::vector<FileCell>& cells() const { return cells_; }
  // The cell "Cell_" n, or null.
  const FileCell* Numbered(int n) const;

  // The number of the file's cell that holds what `cell` of `table` holds,
  // 0 when none does:
  // - in a growing table, a data cell is looked for in the first record
  //   whose text and list cells match every text and list cell of the
  //   cell's row (trimmed, upper-cased; list cells also by "BList" and
  //   "BVal"), as the cell with its "BObj" (and, for a cell without an
  //   export code, its column); a cell outside the data rows by its place
  //   in its section;
  // - otherwise the cell's own number when the file's cell there has its
  //   "BObj", else the first cell with that "BObj" (never by "BObj" -1,
  //   which every cell without an export code shares).
  int Find(const TTable& table, const TCell& cell) const;

  // The two steps of finding a growing table's data cell, for callers that
  // look up every cell of a row: the file's rows whose text and list cells
  // match every entry of `key` (every row for an empty key, marked by
  // `all`), then the cell of those rows that holds `cell`.
  struct Records {
    bool all = false;
    std::vector<int> rows;
  };
  Records RecordsOf(const RecordKey& key) const;
  int FindInRecords(const Records& records, const TCell& cell) const;

  std::vector<FileCell> cells_;
  // Text and list cells by their key: the rows a record key can lie in.
  std::unordered_map<std::string, std::vector<int>> rowsByKey_;
  std::unordered_map<int, std::vector<std::size_t>> cellsByRow_;
  std::unordered_map<char, std::vector<std::size_t>> cellsBySection_;
};

// The cell's number as the table file numbers it: a growing table's cells
// are numbered when they are saved, in the order NumberCells uses. 0 when
// the cell is not the table's.
int FileNumberOf(const TTable& table, const TCell& cell);

}  // namespace rpt
