#include "gui/import/year_charts.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSvgGenerator>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/tables/table_text.h"
#include "core/tables/year_change.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

namespace {

QString Number(long double value) {
  // Whole figures without decimals, others with one.
  const bool whole = value == static_cast<long double>(static_cast<long long>(value));
  return FromCp1251(tables::FormatFixed(value, whole ? 0 : 1));
}

// A category's caption: the figure's caption, and below it both values
// and the change.
QString CategoryCaption(const YearFigure& f) {
  // Axis labels are rich text: a line break is "<br>".
  QString text = FromCp1251(f.caption).toHtmlEscaped() + QLatin1String("<br>");
  text += f.last ? Number(*f.last) : U("—");
  text += U(" → ");
  text += f.current ? Number(*f.current) : U("—");
  if (f.last && f.current && *f.last != 0)
    text += QLatin1String(" (") + FromCp1251(FormatPercent((*f.current - *f.last) / std::fabs(*f.last) * 100)) +
            QLatin1Char(')');
  return text;
}

}  // namespace

TFormYearCharts::TFormYearCharts(const QString& title, const QStringList& choices,
                                 std::function<std::vector<YearFigure>(int)> figuresOf, bool percentOfLastYear,
                                 QWidget* parent)
    : QDialog(parent), title_(title), figuresOf_(std::move(figuresOf)), percent_(percentOfLastYear) {
  setWindowTitle(title);
  auto* layout = new QVBoxLayout(this);
  if (!choices.isEmpty()) {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(U("Показать:"), this);
    choice_ = new QComboBox(this);
    choice_->setObjectName("ChartChoice");
    choice_->addItems(choices);
    label->setBuddy(choice_);
    row->addWidget(label);
    row->addWidget(choice_, 1);
    layout->addLayout(row);
    connect(choice_, &QComboBox::currentIndexChanged, this, [this](int index) { Choose(index); });
  }
  view_ = new QChartView(this);
  view_->setRenderHint(QPainter::Antialiasing);
  view_->setMinimumSize(760, 520);
  layout->addWidget(view_, 1);
  auto* buttons = new QHBoxLayout;
  auto* png = new QPushButton(U("Сохранить ..."), this);
  png->setObjectName("SaveChart");
  auto* print = new QPushButton(U("Печать ..."), this);
  print->setObjectName("PrintChart");
  auto* close = new QPushButton(U("Закрыть"), this);
  buttons->addWidget(png);
  buttons->addWidget(print);
  buttons->addStretch(1);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(png, &QPushButton::clicked, this, [this] { SaveAs(); });
  connect(print, &QPushButton::clicked, this, [this] { Print(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  Choose(0);
}

void TFormYearCharts::Choose(int index) {
  if (choice_ && choice_->currentIndex() != index) {
    choice_->setCurrentIndex(index);  // comes back here
    return;
  }
  const QString caption = choice_ ? title_ + U(" — ") + choice_->itemText(index) : title_;
  Fill(*view_, caption, figuresOf_(index), percent_);
}

void TFormYearCharts::Fill(QChartView& view, const QString& title, const std::vector<YearFigure>& figures,
                           bool percentOfLastYear) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->setAnimationOptions(QChart::NoAnimation);
  auto* series = new QHorizontalBarSeries;
  auto* last = new QBarSet(U("Прошлый год"));
  auto* current = new QBarSet(U("Этот год"));
  last->setColor(QColor(0x9a, 0xa8, 0xb8));
  current->setColor(QColor(0x2b, 0x6c, 0xb0));
  QStringList categories;
  bool anyLast = false;
  double low = 0, high = 0;
  // The bars run from the top down in the order of the figures.
  for (auto it = figures.rbegin(); it != figures.rend(); ++it) {
    const YearFigure& f = *it;
    anyLast = anyLast || f.last.has_value();
    double before = f.last ? static_cast<double>(*f.last) : 0;
    double now = f.current ? static_cast<double>(*f.current) : 0;
    if (percentOfLastYear) {
      const bool measurable = f.last && *f.last != 0 && f.current;
      now = measurable ? now / std::fabs(before) * 100 : 0;
      before = f.last && *f.last != 0 ? 100 : 0;
    }
    *last << before;
    *current << now;
    low = std::min({low, before, now});
    high = std::max({high, before, now});
    categories << CategoryCaption(f);
  }
  if (anyLast) series->append(last);
  else delete last;
  series->append(current);
  series->setLabelsVisible(false);
  chart->addSeries(series);
  auto* axisY = new QBarCategoryAxis;
  axisY->append(categories);
  chart->addAxis(axisY, Qt::AlignLeft);
  series->attachAxis(axisY);
  auto* axisX = new QValueAxis;
  axisX->setRange(low, high > low ? high * 1.05 : low + 1);
  axisX->applyNiceNumbers();
  axisX->setLabelFormat(percentOfLastYear ? "%.0f %%" : "%.0f");
  if (percentOfLastYear) axisX->setTitleText(U("в процентах к прошлому году"));
  chart->addAxis(axisX, Qt::AlignBottom);
  series->attachAxis(axisX);
  chart->legend()->setAlignment(Qt::AlignBottom);
  if (figures.empty()) chart->setTitle(title + U(" — нет показателей"));
  QChart* old = view.chart();
  view.setChart(chart);
  delete old;
}

bool TFormYearCharts::SavePng(const QString& path) { return view_->grab().save(path, "PNG"); }

bool TFormYearCharts::SaveSvg(const QString& path) {
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(view_->size());
  svg.setViewBox(QRect(QPoint(0, 0), view_->size()));
  svg.setTitle(windowTitle());
  QPainter painter;
  if (!painter.begin(&svg)) return false;
  view_->render(&painter);
  return painter.end();
}

void TFormYearCharts::SaveAs() {
  QString filter;
  QString path = QFileDialog::getSaveFileName(this, U("Сохранить диаграмму"), QString(),
                                              U("Рисунок PNG (*.png);;Рисунок SVG (*.svg)"), &filter);
  if (path.isEmpty()) return;
  const bool svg = path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive) ||
                   (!path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) && filter.contains(QLatin1String("svg")));
  if (!path.contains(QLatin1Char('.'))) path += svg ? QLatin1String(".svg") : QLatin1String(".png");
  if (!(svg ? SaveSvg(path) : SavePng(path)))
    QMessageBox::critical(this, U("Ошибка"), U("Не удалось записать файл ") + path);
}

void TFormYearCharts::Print() {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (!PrintOn(printer)) QMessageBox::critical(this, U("Ошибка"), U("Не удалось начать печать."));
}

bool TFormYearCharts::PrintOn(QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  const QSize size = view_->size().scaled(page.size(), Qt::KeepAspectRatio);
  view_->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
  return painter.end();
}

}  // namespace rpt::gui
