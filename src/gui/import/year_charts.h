// Charts of the report's figures against last year's (Qt Charts): for a
// table, a column by its rows or the table's totals; for the report, its
// key totals in percent of last year on one page. A chart is saved as PNG
// or SVG and printed.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "core/import/year_figures.h"

class QChartView;
class QComboBox;
class QLabel;
class QPrinter;

namespace rpt::gui {

class TFormYearCharts : public QDialog {
  Q_OBJECT
 public:
  // `choices` are the captions of the combo box (none: it is hidden);
  // `figuresOf` gives the bars of a choice.
  TFormYearCharts(const QString& title, const QStringList& choices,
                  std::function<std::vector<YearFigure>(int choice)> figuresOf, bool percentOfLastYear,
                  QWidget* parent = nullptr);

  // Shows choice `index` of the combo box.
  void Choose(int index);
  QChartView* view() const { return view_; }

  // The chart as it is shown, into an image or a vector file. False when
  // the file could not be written.
  bool SavePng(const QString& path);
  bool SaveSvg(const QString& path);
  // The chart on one page of `printer`, scaled with its proportions kept.
  bool PrintOn(QPrinter& printer);

  // A chart of `figures`: this year's and last year's bars side by side,
  // or (percentOfLastYear) this year in percent of last year.
  static void Fill(QChartView& view, const QString& title, const std::vector<YearFigure>& figures,
                   bool percentOfLastYear);

 private:
  void SaveAs();
  void Print();

  QString title_;
  std::function<std::vector<YearFigure>(int)> figuresOf_;
  bool percent_;
  QComboBox* choice_ = nullptr;
  QChartView* view_ = nullptr;
};

}  // namespace rpt::gui
