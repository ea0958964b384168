// The icons of both main windows: every tool-bar button and every menu item
// that shows an icon has a real one, from the icon theme or drawn by the
// program, with pixels of its own at 1x and 2x (a missing theme, a missing
// SVG plugin or a name no theme knows shows here as the command's name);
// the lights follow the colour scheme; faces share their command's icon.
//
// With REPORT_GUI_SHOTS set (tests/gui/screenshots.sh runs it under a
// virtual X server at QT_SCALE_FACTOR 1 and 2), the case "screenshots" saves
// the structure window and the tables frame with the demo report as
// icons-structure-<scale>x.png and icons-frame-<scale>x.png.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "gui/foundation/icons.h"
#include "gui/foundation/images.h"
#include "gui/report/structure_window.h"
#include "gui/tables/main_form.h"
#include "gui/tables/table_window.h"
#include "support/gui_program.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

using namespace rpt;
using namespace rpt::gui;
using namespace rpt::testing;

namespace {

// Opaque pixels of `icon` drawn `size` units large at `dpr`, or -1 when the
// pixmap does not have that ratio's own size.
int OpaquePixels(const QIcon& icon, qreal dpr, QSize size = QSize(16, 16)) {
  const QPixmap pm = icon.pixmap(size, dpr);
  const QImage image = pm.toImage().convertToFormat(QImage::Format_ARGB32);
  if (image.size() != size * dpr) return -1;
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
  return n;
}

bool Real(const QIcon& icon) { return !icon.isNull() && OpaquePixels(icon, 1.0) > 8 && OpaquePixels(icon, 2.0) > 32; }

// The actions of a menu and its sub-menus.
void Walk(QMenu* menu, QList<QAction*>& out) {
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    out << a;
    if (a->menu()) Walk(a->menu(), out);
  }
}

// Commands of `window` that show an icon or a gap where one belongs: the
// visible tool-bar buttons without a real icon, and the menu items whose
// icon is there but draws nothing.
QStringList Gaps(QWidget* window) {
  QStringList gaps;
  for (QToolBar* bar : window->findChildren<QToolBar*>())
    for (QAction* a : bar->actions()) {
      if (a->isSeparator() || !a->isVisible() || !qobject_cast<QToolButton*>(bar->widgetForAction(a))) continue;
      if (!Real(a->icon())) gaps << "tool bar: " + (a->objectName().isEmpty() ? a->text() : a->objectName());
    }
  QList<QAction*> items;
  for (QMenu* menu : window->findChildren<QMenu*>()) Walk(menu, items);
  for (QAction* a : items)
    if (!a->icon().isNull() && !Real(a->icon())) gaps << "menu: " + a->objectName() + " " + a->text();
  return gaps;
}

// A point of the disc above the mark, at 2x.
QColor Centre(const QIcon& icon) { return icon.pixmap(QSize(16, 16), 2.0).toImage().pixelColor(16, 7); }

}  // namespace

class CommandIconsTest : public QObject {
  Q_OBJECT
 private slots:
  void everyMeaningHasARealIcon() {
    QStringList missing;
    for (int i = static_cast<int>(Icon::None) + 1; i < static_cast<int>(Icon::Count); ++i) {
      const auto meaning = static_cast<Icon>(i);
      if (!Real(CommandIcon(meaning))) missing << IconNames(meaning).join('/') + QString(" (%1)").arg(i);
    }
    QVERIFY2(missing.isEmpty(), qPrintable("no icon: " + missing.join(", ") + "; the icon theme " +
                                           FallbackIconTheme() + " and the Qt SVG plugins must be installed"));
  }

  void theTreeImagesAreReal() {
    for (int image = kImageClosed; image <= kImageWinErrors; ++image)
      QVERIFY2(Real(ImageIcon(image)), qPrintable(QString("image %1").arg(image)));
    // A node: its light beside its picture, both drawn at the ratio's size.
    const QSize node(2 * kImageSize + 2, kImageSize);
    for (const qreal dpr : {1.0, 2.0}) {
      QVERIFY(OpaquePixels(NodeIcon(kImageTable, kImageErrors), dpr, node) >
              OpaquePixels(NodeIcon(kImageTable, kImageNone), dpr, node));
      QVERIFY(OpaquePixels(NodeIcon(kImageTable, kImageNone), dpr, node) > 0);
    }
  }

  void bothWindowsShowNoGap() {
    TF_StructRep structure;
    TMainForm frame;
    for (QWidget* w : {static_cast<QWidget*>(&structure), static_cast<QWidget*>(&frame)}) {
      const QStringList gaps = Gaps(w);
      QVERIFY2(gaps.isEmpty(), qPrintable(w->objectName() + ": " + gaps.join(", ")));
    }
    // The buttons the issue of a coherent look named are there with the
    // icons of their meaning, faces included.
    const std::pair<QAction*, Icon> expected[] = {
        {structure.Command(StructureCommand::NewRep), Icon::New},
        {structure.Command(StructureCommand::Check), Icon::Check},
        {structure.Command(StructureCommand::ExportExcel), Icon::ExportSpreadsheet},
        {structure.Command(StructureCommand::ExportWord), Icon::ExportDocument},
        {frame.Command(TableCommand::SortRows), Icon::Sort},
        {frame.Command(TableCommand::FirstTab), Icon::First},
        {frame.Command(TableCommand::WinCalc), Icon::Calculator},
        {frame.Command(TableCommand::CellsHeightTool), Icon::RowHeights},
        {frame.Command(TableCommand::DelEmptyRowsPopup), Icon::DeleteEmptyRows},
        {frame.Command(TableCommand::InsertEmptyRow), Icon::InsertRow},
        {frame.Command(TableCommand::DeleteRow), Icon::DeleteRow},
    };
    for (const auto& [action, meaning] : expected)
      QVERIFY2(action->icon().cacheKey() == CommandIcon(meaning).cacheKey(), qPrintable(action->objectName()));
    // Items of the menu bar itself stay captions: an icon there would hide
    // the caption.
    for (QWidget* w : {static_cast<QWidget*>(&structure), static_cast<QWidget*>(&frame)})
      for (QAction* a : w->findChild<QMenuBar*>()->actions())
        QVERIFY2(a->icon().isNull(), qPrintable(a->objectName()));
  }

  // The lights take the open report's scheme; the excluded mark is not
  // the errors light.
  void lightsFollowTheScheme() {
    auto color = [](SchemeKind kind, ColorRole role) {
      const TColor c = RoleColor(kind, role);
      return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    };
    for (const SchemeKind kind : {SchemeKind::Distinct, SchemeKind::Standard}) {
      SetLightScheme(kind);
      QCOMPARE(Centre(ImageIcon(kImageNorm)), color(kind, ColorRole::LightNorm));
      QCOMPARE(Centre(ImageIcon(kImageWinErrors)), color(kind, ColorRole::LightErrors));
      // The lights command: the errors lamp on top.
      QCOMPARE(Centre(LightsIcon()), color(kind, ColorRole::LightErrors));
    }
    const QImage excluded = ImageIcon(kImageExcluded).pixmap(QSize(16, 16), 2.0).toImage();
    const QImage errors = ImageIcon(kImageErrors).pixmap(QSize(16, 16), 2.0).toImage();
    QVERIFY(excluded != errors);
  }

  void screenshots() {
    const QString shots = qEnvironmentVariable("REPORT_GUI_SHOTS");
    if (shots.isEmpty()) QSKIP("screenshots are made by tests/gui/screenshots.sh");
    TempFolder folder;
    if (!InstallDemoReport(folder.path())) QSKIP("the demo report could not be generated");
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("icons"));
    QVERIFY(program);
    const QString scale = QString::number(qRound(qApp->devicePixelRatio())) + "x";
    TF_StructRep& structure = program->structure();
    structure.resize(760, 560);
    structure.Tree()->expandAll();
    QVERIFY(QTest::qWaitForWindowExposed(&structure));
    QTest::qWait(300);
    QVERIFY(structure.grab().save(shots + "/icons-structure-" + scale + ".png"));

    QTreeWidgetItem* node = NodeOfFile(structure.Tree(), "Publ.ini");
    QVERIFY(node);
    structure.Tree()->setCurrentItem(node);
    structure.Command(StructureCommand::Edit)->trigger();
    TMainForm& frame = program->frame();
    QVERIFY(frame.isVisible());
    frame.setGeometry(QRect(0, 0, 1000, 560));
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QTest::qWait(300);
    QVERIFY(frame.grab().save(shots + "/icons-frame-" + scale + ".png"));
  }
};

QTEST_MAIN(CommandIconsTest)
#include "test_command_icons.moc"
