// A table as the program holds it while the report is open: the four
// sections of cells plus the table-level state that loading sets (the
// table window shows this object). Loading, saving, reloading and the data
// lines for sending are operations of the table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/tables/table_context.h"
#include "core/tables/table_model.h"

namespace rpt {

namespace tables {
class ListFileCache;
}

class TTable {
 public:
  explicit TTable(TableContext& context);
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  TableContext& context() const { return *context_; }
  TableHooks& hooks() const { return *context_->hooks; }
  // Moves the table to another context (a table loaded on a worker thread
  // joins the report's context when it is handed over).
  void SetContext(TableContext& context) { context_ = &context; }

  // --- table file (loading) ---------------------------------------------
  // Builds the sections from the table file (UTF-8 path), replacing what
  // they held. A missing file loads as an empty form table. Raises
  // EFileError for a file whose sizes call for millions of cells.
  void LoadFromFile(const std::string& path);

  // --- saving -------------------------------------------------------------
  // Writes the table file through "Temp.tmp" in its folder. Raises
  // EFileError (message in Windows-1251, naming the table and the reason)
  // when the table could not be saved; the file is then unchanged and the
  // table stays modified.
  void SaveToFile(const std::string& path, bool showProgress);
  // The bytes SaveToFile writes; the model changes as in a save (values
  // normalised, list links checked). Raises EFileError like SaveToFile.
  std::string SaveText();
  // Replaces the table by another table file's content, keeping the table's
  // own path. False (nothing changed) when the file does not exist.
  bool ReloadFrom(const std::string& path);
  // The frame's two uses of ReloadFrom, with their question and message
  // through the interaction port. True when the table was reloaded.
  bool ReloadCleanTable();
  bool ReloadLastEdition();
  // Forgets the list item codes of a list cell whose text no longer is the
  // item's text.
  void CheckListLink(TCell& cell);
  // ListCode of the cell's list, looked up in the list file when not yet known.
  std::int32_t EnsureListCode(TCell& cell);

  // --- data lines -----------------------------------------------------------
  // Appends the table's data lines (Windows-1251, CR LF) to `out`.
  void WriteDataLines(std::string& out);

  // --- model helpers ------------------------------------------------------
  // Empties all four sections.
  void ClearSections();
  // Height the cell's text needs (measured in its width less 10, plus 10).
  int TextHeight(const TCell& cell) const;
  // The largest TextHeight of data row r's cells, at least 30.
  int RowTextHeight(int r) const;
  // No text, no number other than 0, and at least one text or list cell.
  bool IsRowEmpty(int r);

  bool Modified() const { return modified_; }
  void SetModified(bool modified);
  // Counts every change made to the table (each SetModified(true), also
  // when it was modified already): whoever keeps a copy of the table's
  // text knows by it whether the copy is still current.
  std::uint64_t Changes() const { return changes_; }

  // --- state set by loading -------------------------------------------------
  std::string filePath;   // UTF-8
  std::string tableName;  // Windows-1251: file name up to its first "."
  PageSettings page;
  std::int32_t BL0 = -1, BL1 = -1, BMainNum = -1;
  bool growing = false;
  // A grid table (rows of cells under column headings, the file key
  // "Fixed"); otherwise a form of cells placed freely.
  bool grid = false;
  std::int32_t MinLeft = 0, MinTop = 0, MinTopD = 0;
  std::int32_t RowCount = 0, ColCount = 0;
  bool hasRules = false, hasFormulas = false, hasNumbers = false;
  std::string title, number;  // Windows-1251, on one line
  std::int32_t contentWidth = 0, contentHeight = 0;
  bool dataAreaVisible = true;
  std::optional<TColor> background;
  std::uint8_t status = 0;

  THeaderSect header;
  TTopSect top;
  TDataSect data;
  TFootterSect footer;

 private:
  TableContext* context_;
  bool modified_ = false;
  std::uint64_t changes_ = 0;
  // The list files of the save or data-lines run under way.
  tables::ListFileCache* listCache_ = nullptr;
};

// Assigns cell numbers in table-file order (tables that are not growing).
void NumberCells(TTable& table);

// Same table-level state and same cells, section by section.
bool SameModel(const TTable& a, const TTable& b);

// Windows-1251 table name of a UTF-8 path: its file name up to the first ".".
std::string TableNameOf(const std::string& path);

}  // namespace rpt
