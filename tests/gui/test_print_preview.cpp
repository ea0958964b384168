// The preview window and the page setup dialog: page count and buttons,
// the status line only above one page, zoom sizes, keys, margins turning
// with the orientation, the sketch's hint and the closing question.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include "core/foundation/codec.h"
#include "core/tables/table.h"
#include "gui/print/page_setup_dialog.h"
#include "gui/print/preview_form.h"
#include "gui/print/print_service.h"
#include "gui/print/table_print.h"
#include "support/scripted_interaction.h"

using namespace rpt;
using namespace rpt::gui;
using namespace rpt::testing;

namespace {

// A grid table of `rows` rows of 40 pixels, four columns of 100.
void FillTable(TTable& t, int rows) {
  t.grid = true;
  t.RowCount = rows;
  t.ColCount = 4;
  auto* number = AddSectionCell(t.header, &t, true);
  number->type = cell_type::kTableNumber;
  number->label.caption = Utf8ToCp1251("Таблица 9");
  number->label.width = 400;
  number->label.height = 20;
  for (int r = 0; r <= rows; ++r) {
    TRow* row = AppendRow(t.data, 4, &t, r > 0);
    for (int c = 1; c <= 4; ++c) {
      TCell* cell = CellAt(*row, c);
      cell->Row = r;
      cell->label.caption = std::to_string(r);
      cell->label.left = (c - 1) * 100;
      cell->label.top = 20 + (r - 1) * 40;
      cell->label.width = 100;
      cell->label.height = 40;
      cell->label.framed = true;
    }
  }
}

QAction* Tool(QWidget* w, const char* name) { return w->findChild<QAction*>(name); }

// With REPORT_SCREENSHOT_DIR set, the window is saved there as PNG.
void Screenshot(QWidget* w, const char* name) {
  const QByteArray dir = qgetenv("REPORT_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QApplication::processEvents();
  w->grab().save(QString::fromUtf8(dir) + "/" + name + ".png");
}

}  // namespace

class PrintPreviewTest : public QObject {
  Q_OBJECT
 private slots:
  void pageButtonsAndStatusLine() {
    ScriptedInteraction ui;
    TPrintForm& form = TPrintForm::Instance();
    form.SetInteraction(&ui);
    TableContext ctx;
    TTable one(ctx), many(ctx);
    FillTable(one, 3);
    FillTable(many, 200);

    form.PrepareTable(one, true);
    TPreviewForm* p = form.Service().PreviewWindow();
    QVERIFY(p);
    QCOMPARE(p->PageCount(), 1);
    QVERIFY(p->statusBar()->isHidden());
    QVERIFY(!Tool(p, "tbtPrevPage")->isEnabled());
    QVERIFY(!Tool(p, "tbtNextPage")->isEnabled());
    QCOMPARE(p->windowTitle(), QString::fromUtf8("Предварительный просмотр"));

    // A new preparation closes the open preview first.
    form.PrepareTable(many, true);
    p = form.Service().PreviewWindow();
    QVERIFY(p->PageCount() > 2);
    QVERIFY(!p->statusBar()->isHidden());
    auto* status = p->statusBar()->findChild<QLabel*>();
    QCOMPARE(status->text(), QString::fromUtf8("Страница 1 из %1").arg(p->PageCount()));
    Tool(p, "tbtNextPage")->trigger();
    QCOMPARE(p->CurrentPage(), 2);
    QVERIFY(Tool(p, "tbtPrevPage")->isEnabled());
    p->SetCurrentPage(99);
    QCOMPARE(p->CurrentPage(), p->PageCount());
    QVERIFY(!Tool(p, "tbtNextPage")->isEnabled());
    p->SetCurrentPage(2);
    Screenshot(p, "print-preview");

    // Fewer pages than the current one: the last page is shown; the window
    // loses the status bar's height.
    const int height = p->height(), bar = p->statusBar()->height();
    form.Service().SetPageCount(0);
    QCOMPARE(p->height(), height - bar);
    QCOMPARE(form.Service().PageCount(), 1);
    QCOMPARE(p->CurrentPage(), 1);
    QVERIFY(p->statusBar()->isHidden());
    form.Service().ClosePreview();
    QVERIFY(form.Current() == nullptr);
  }

  void zoomSizesAndKeys() {
    ScriptedInteraction ui;
    TPrintForm& form = TPrintForm::Instance();
    form.SetInteraction(&ui);
    TableContext ctx;
    TTable t(ctx);
    FillTable(t, 10);
    form.PrepareTable(t, true);
    TPreviewForm* p = form.Service().PreviewWindow();
    p->resize(700, 800);
    QCOMPARE(p->Zoom(), 8);
    // Whole page: inside the scroll area, A4's aspect.
    QVERIFY(p->PanelSize().height() <= p->ScrollArea()->viewport()->height() - 16);
    QVERIFY(qAbs(p->PanelSize().height() * 210 - p->PanelSize().width() * 297) < 297 * 2);
    p->SetZoom(2);  // 100 %: the paper's width on the screen
    QCOMPARE(p->PanelSize().width(), static_cast<int>(100 * 210.0 / 25.4 * p->logicalDpiX() / 100));
    p->SetZoom(0);
    QApplication::processEvents();
    QScrollBar* v = p->ScrollArea()->verticalScrollBar();
    QTest::keyClick(p, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(v->value(), v->maximum());
    QTest::keyClick(p, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(v->value(), 0);
    QTest::keyClick(p, Qt::Key_Down);
    QCOMPARE(v->value(), v->singleStep());
    form.Service().ClosePreview();
  }

  void pageSetupTurnsMarginsAndAsksOnClose() {
    ScriptedInteraction ui;
    TFormPageSetup d(ui);
    d.State().Show(PageSettings{30, 15, 10, 20, 0});
    d.Refresh();
    auto* cancel = d.findChildren<QPushButton*>().at(2);
    QCOMPARE(cancel->text(), QString::fromUtf8("Отменить"));
    QVERIFY(!cancel->isEnabled());
    d.findChildren<QRadioButton*>().at(1)->setChecked(true);  // "Альбомная"
    QCOMPARE(d.State().Record(), (PageSettings{20, 30, 15, 10, 1}));
    QCOMPARE(d.findChildren<QSpinBox*>().at(0)->value(), 20);
    QVERIFY(cancel->isEnabled());
    d.show();
    Screenshot(&d, "page-setup");
    // The sketch's hint.
    const output::Sketch sketch = output::PageSketch(d.State().Record(), d.width());
    const QPoint inside(sketch.page.left + sketch.page.width / 2, sketch.page.top + sketch.page.height / 2);
    QHelpEvent help(QEvent::ToolTip, inside, d.mapToGlobal(inside));
    QApplication::sendEvent(&d, &help);
    QCOMPARE(QToolTip::text(), QString::fromUtf8("Макет страницы"));
    QVERIFY(d.HintAt(QPoint(sketch.page.left - 2, sketch.page.top)).isEmpty());
    // Closing with changes: "Отменить" on the question keeps the dialog open.
    d.show();
    ui.answers = {kCancel};
    d.reject();
    QVERIFY(d.isVisible());
    QCOMPARE(ui.MessageTexts().back(), Utf8ToCp1251("Сохранить изменения?"));
    ui.answers = {kNo};
    d.reject();
    QVERIFY(!d.isVisible());
    QCOMPARE(d.State().Record(), (PageSettings{30, 15, 10, 20, 0}));
  }
};

QTEST_MAIN(PrintPreviewTest)
#include "test_print_preview.moc"
