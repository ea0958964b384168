// The composition of an indicator ("Состав показателя"): for one numeric
// cell of the open report, the value the report holds, the sum the
// included sub-reports contribute and each sub-report's own value, read
// from its table file in the sub-report's working copy. The user corrects
// any of them; saving writes the corrections into the report's cell and
// into the sub-reports' table files, whose packages are then rewritten.
//
// The window only shows what this model holds and passes on what the user
// did. Texts are Windows-1251, folders UTF-8 ending with "/".
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rpt {

class Interaction;
class TCell;
class TReportState;
class TTable;

enum class CompositionRowKind { Report, Sum, Subreport };

struct CompositionRow {
  CompositionRowKind kind = CompositionRowKind::Subreport;
  std::string source;   // the grid's "Источник": "Отчет", the sum's caption, the folder's last component
  std::string folder;   // a sub-report's folder as the report lists it (UTF-8, ending with "/")
  bool present = true;  // the table is part of the sub-report
  bool found = true;    // the cell was found in the sub-report's table file
  int cellNumber = 0;   // n of the table file's section "Cell_" n
  std::string value;
};

// Where the sub-reports are: the working folder holding "Subreports/" and
// the folders of "Подотчеты" as stored (Windows-1251).
struct CompositionSource {
  std::string workingFolder;
  std::vector<std::string> storedFolders;
};

// The open report's: its working folder and the list of its structure file.
CompositionSource CompositionSourceOf(const TReportState& state);

// How a sub-report's table file holds the cell: the section number n of
// "Cell_" n, or 0 when no cell qualifies. For a growing table the key is
// the selected cell's row (its text and list cells); otherwise the cell's
// own number, or the first cell with its export code "BObj".
int FindSubreportCell(const std::string& tableFilePath, const TTable& table, const TCell& cell);

class TSubreportComposition {
 public:
  // `table` and `cell` belong to the open report and outlive the model.
  TSubreportComposition(TTable& table, TCell& cell, CompositionSource source, Interaction& ui);

  // Decimals of the values: 0 for an integer cell, the cell's "Dec" for a real.
  int decimals() const { return decimals_; }
  const std::vector<CompositionRow>& rows() const { return rows_; }
  // The labels: the cell's number, and its column and row when both are set.
  int cellNumber() const;
  std::optional<std::pair<int, int>> columnAndRow() const;

  // Rebuilds the rows from the files ("Отменить" and opening).
  void Rebuild();
  // The sum of the sub-reports' non-empty values with the window's
  // decimals. Raises EConvertError for a value that is no number.
  std::string Sum() const;

  // Selecting a grid row: the input field's text and whether it is editable.
  struct Input {
    std::string text;
    bool editable = false;
  };
  Input Select(std::size_t row) const;

  // "Взять": the typed number, written with the window's decimals, becomes
  // the row's value when it differs. False when nothing changed (the text
  // is no number, the row cannot be edited or holds that value already).
  bool Take(std::size_t row, const std::string& typed);

  // "Сохранить" and "Отменить" are enabled while there are changes.
  bool changed() const { return changed_; }

  // "Сохранить": every changed sub-report value is written into its table
  // file and the sub-report's package is rewritten from its working copy;
  // a changed report value is stored in the cell. True when everything was
  // written; a failure is shown through the port and the rows that could
  // not be written stay changed.
  bool Save();

 private:
  CompositionRow SubreportRow(const std::string& stored) const;

  TTable& table_;
  TCell& cell_;
  CompositionSource source_;
  Interaction& ui_;
  int decimals_ = 0;
  std::vector<CompositionRow> rows_;
  std::vector<bool> dirty_;  // per row: changed since the last save
  bool changed_ = false;
};

}  // namespace rpt
