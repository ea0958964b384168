// The desktop's side of the comparison with last year: the dialog that
// names last year's report and the thresholds ("Сравнить с прошлым
// годом"), the list of flagged cells ("Изменения по сравнению с прошлым
// годом", a line chosen goes to its cell) and the charts. TYearCompare
// owns the core's comparison and follows the open report.
#pragma once

#include <QDialog>
#include <QObject>
#include <cstdint>
#include <string>
#include <vector>

#include "core/import/year_comparison.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace rpt {
class Interaction;
class TReportState;
}  // namespace rpt

namespace rpt::gui {

// "Сравнение с прошлым годом": last year's report and the thresholds.
class TCompareDialog : public QDialog {
  Q_OBJECT
 public:
  TCompareDialog(const ComparisonSettings& settings, std::string startFolder, Interaction& ui,
                 QWidget* parent = nullptr);
  ComparisonSettings settings() const;
  QLineEdit* folderEdit() const { return folder_; }

 private:
  void Choose();
  std::string folderPath_;
  std::string startFolder_;
  Interaction& ui_;
  QLineEdit* folder_;
  QDoubleSpinBox* growth_;
  QDoubleSpinBox* fall_;
  QCheckBox* zero_;
  QPushButton* ok_;
};

// "Изменения по сравнению с прошлым годом": one line per flagged cell.
class TFormYearChanges : public QDialog {
  Q_OBJECT
 public:
  explicit TFormYearChanges(QWidget* parent = nullptr);
  // Lists the flagged cells of `state` (the comparison must be open).
  void Fill(const TYearComparison& comparison, const TReportState& state);
  QTreeWidget* list() const { return list_; }
  // "Таблица" or a double click on line `index`.
  void Choose(int index);

 signals:
  void cellRequested(const rpt::TTable* table, const rpt::TCell* cell);

 private:
  QLabel* heading_;
  QTreeWidget* list_;
  QPushButton* go_;
  // Each line's cell by its table's file and its identity, found again
  // when chosen: the tables may have been reloaded since.
  struct Line {
    std::string file;
    std::uint64_t cell = 0;
  };
  std::vector<Line> lines_;
  const TReportState* state_ = nullptr;
};

class TYearCompare : public QObject {
  Q_OBJECT
 public:
  TYearCompare(TReportState& state, Interaction& ui);

  const TYearComparison& comparison() const { return comparison_; }
  // The open report changed: its settings are read and the last year's
  // report they name is opened. Nothing when the report is the same.
  void Follow();
  // "Сравнить с прошлым годом": the dialog, then the list of changes
  // (modal, over `parent`). False when cancelled or refused.
  bool Configure(QWidget* parent);
  // Opens last year's report for the open report (tests and scripts).
  bool Apply(const ComparisonSettings& settings);
  // The list of changes; modal from the structure window, beside the
  // tables otherwise.
  void ShowChanges(QWidget* parent, bool modal);
  TFormYearChanges* changesWindow() const { return changes_; }
  // The charts of a table window's table and of the report's key totals.
  void ShowTableChart(const TTable& table, const std::string& fileCp1251, QWidget* parent);
  void ShowSummary(QWidget* parent);

 signals:
  void comparisonChanged();
  void cellRequested(const rpt::TTable* table, const rpt::TCell* cell);

 private:
  TReportState& state_;
  Interaction& ui_;
  TYearComparison comparison_;
  std::string followed_;  // the report folder the comparison belongs to
  TFormYearChanges* changes_ = nullptr;
};

}  // namespace rpt::gui
