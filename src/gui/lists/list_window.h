// TFormList ("Список"): a value list beside the cell being edited. The user
// searches it, browses its groups and picks a row, which fills every cell
// of the table row bound to the same list. One window serves the program;
// it keeps the last list open and stores the layout the user leaves behind
// into that list's file.
#pragma once

#include <QDialog>
#include <QRect>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace rpt {
class Interaction;
class TCell;
class TListFile;
class TTable;
struct ListGroup;
struct ListRow;
}  // namespace rpt

namespace rpt::gui {

class TFormList : public QDialog {
  Q_OBJECT
 public:
  explicit TFormList(Interaction& ui, QWidget* parent = nullptr);
  ~TFormList() override;  // the open list is written back

  // Shows the list of `listPath` (UTF-8) for `cell` of `table`, modally,
  // positioned on the cell's value and placed under `cellRect` (global
  // screen coordinates; an empty rect leaves the position alone). False,
  // without a window, when the file does not exist; otherwise true once the
  // window closed (picked or not: see `picked`).
  bool ShowFor(const std::string& listPath, TTable& table, TCell& cell, const QRect& cellRect = {});
  // The same without the modal loop: loads, positions and shows the window
  // (tests and screenshots drive it from here). False when the file is missing.
  bool Open(const std::string& listPath, TTable& table, TCell& cell, const QRect& cellRect = {});

  // Picking (Enter or double click in the row table): applies the selected
  // row and closes the window. False when no row is selected.
  bool Pick();
  // "Найти далее".
  void FindNext();
  // A click on a column heading: that column (from 0) is searched.
  void SetSearchColumn(int column);

  // Places the window under (or above) a cell's rectangle, on the screen.
  void PlaceAt(const QRect& cellRect);

  QTreeWidget* Tree() const { return tree_; }
  QTableWidget* Grid() const { return grid_; }
  QLineEdit* SearchEdit() const { return search_; }
  QLabel* SearchLabel() const { return searchLabel_; }
  QPushButton* FindNextButton() const { return findNext_; }
  QSplitter* Splitter() const { return splitter_; }
  const TListFile* List() const { return list_.get(); }
  // Selected data row of the grid (from 0), -1 when none.
  int SelectedRow() const;

 signals:
  // After each filled cell: the table window runs its editor-exit handling.
  void cellFilled(rpt::TCell* cell);
  // A row was applied to the table.
  void picked();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Load(const std::string& listPath);
  bool Prepare(const std::string& listPath, TTable& table, TCell& cell, const QRect& cellRect);
  void FillTree();
  void AddGroups(QTreeWidgetItem* parent, const ListGroup& group);
  void FillRows(int rowKey, int count);
  void GroupSelected();
  void Position(std::int32_t code, const std::string& textCp1251);
  void SearchTextChanged();
  void SearchFrom(int line);
  void FitColumns();
  void FitRowHeights();
  void StoreLayout();
  void UpdateSearchLabel();
  std::optional<std::int32_t> SelectedRowCode() const;

  // Writes the list file back, showing a failure.
  void WriteBack();
  Interaction& ui_;
  std::unique_ptr<TListFile> list_;
  std::vector<ListRow> rows_;
  TTable* table_ = nullptr;
  TCell* cell_ = nullptr;
  int lastHit_ = -1;
  bool fitting_ = false;
  bool messaging_ = false;
  bool stored_ = false;

  QSplitter* splitter_;
  QTreeWidget* tree_;
  QTableWidget* grid_;
  QLabel* searchLabel_;
  QLineEdit* search_;
  QPushButton* findNext_;
};

}  // namespace rpt::gui
