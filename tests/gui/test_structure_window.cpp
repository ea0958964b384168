#include <QTest>
#include <QTreeWidget>

#include "core/foundation/codec.h"
#include "gui/foundation/qt_text.h"
#include "gui/report/structure_window.h"

using namespace rpt::literals;

class StructureWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void startsEmptyWithItsCaption() {
    rpt::gui::TF_StructRep window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QString::fromUtf8("Структура отчета:"));
    QCOMPARE(window.Tree()->topLevelItemCount(), 0);
  }
  void textEdgeRoundTrips() {
    const std::string bytes(rpt::gui::ToCp1251(QString::fromUtf8("Ёлка №5")));
    QCOMPARE(QByteArray::fromStdString(bytes), QByteArray::fromStdString(std::string("Ёлка №5"_w)));
    QCOMPARE(rpt::gui::FromCp1251(bytes), QString::fromUtf8("Ёлка №5"));
    QCOMPARE(QByteArray::fromStdString(rpt::gui::ToCp1251(QString::fromUtf8("日"))), QByteArray("?"));
  }
};

QTEST_MAIN(StructureWindowTest)
#include "test_structure_window.moc"
