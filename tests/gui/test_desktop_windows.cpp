// The splash and the progress windows as the core drives them through the
// Qt port.
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "core/foundation/codec.h"
#include "core/foundation/progress.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_interaction.h"
#include "gui/foundation/qt_text.h"
#include "gui/app/splash.h"
#include "gui/foundation/progress_windows.h"

using namespace rpt;
using namespace rpt::gui;
using namespace rpt::literals;

namespace {

// Answers the next message box with the button of the given caption.
void AnswerNextMessage(const QString& caption, QString* text) {
  QTimer::singleShot(0, [caption, text] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      *text = box->text();
      for (QAbstractButton* b : box->buttons())
        if (b->text() == caption) b->click();
      return;
    }
    AnswerNextMessage(caption, text);  // not shown yet
  });
}

void ExpectBottomRight(QWidget* w) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QCOMPARE(w->frameGeometry().right(), screen.right());
  QCOMPARE(w->frameGeometry().bottom(), screen.bottom() - 28);
  QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
}

}  // namespace

class DesktopWindowsTest : public QObject {
  Q_OBJECT
 private slots:
  void splashIsAGradientFromBlueToRed() {
    TSplashForm splash;
    QCOMPARE(splash.size(), QSize(317, 128));
    const QImage image = splash.grab().toImage();
    // For looking at: REPORT_GUI_SHOTS=folder keeps the picture.
    if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS"))
      image.save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/splash.png");
    const QPixmap icon = ProgramIcon().pixmap(256, 256);
    QCOMPARE(icon.size(), QSize(256, 256));
    if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) icon.save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/report.png");
    const QColor top = image.pixelColor(160, 6), bottom = image.pixelColor(160, 121);
    QVERIFY(top.blue() > 200 && top.red() < 30);
    QVERIFY(bottom.red() > 200 && bottom.blue() < 30);
    QVERIFY(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
  }

  void singleWindowShowsTheCountedPositions() {
    QtInteraction ui;
    TFormProgress progress(&ui);
    progress.Start(10, "Сохранение отчета"_w, false);
    TFormProgressWindow* w = ui.singleWindow();
    QVERIFY(w && w->isVisible());
    QCOMPARE(w->windowTitle(), QString::fromUtf8("Сохранение отчета"));
    ExpectBottomRight(w);
    QVector<int> seen;
    for (int i = 0; i < 10; ++i) {
      progress.Step();
      seen << w->Bar()->value();
    }
    QCOMPARE(seen, QVector<int>({2, 5, 8, 10, 12, 15, 18, 20, 22, 25}));
    // Not stoppable: the close box does nothing.
    QVERIFY(!(w->windowFlags() & Qt::WindowCloseButtonHint));
    progress.Finish();
    QVERIFY(!ui.singleWindow());
  }

  void stoppingAsksAndOnlyYesStops() {
    QtInteraction ui;
    TFormProgress progress(&ui);
    progress.Start(50, "Проверка"_w, true);
    TFormProgressWindow* w = ui.singleWindow();
    QVERIFY(w->windowFlags() & Qt::WindowCloseButtonHint);
    QString question;
    QCloseEvent request;
    QApplication::sendEvent(w, &request);  // as if the close box were pressed
    QTest::qWait(0);
    AnswerNextMessage(FromCp1251("Нет"_w), &question);
    QVERIFY(!progress.StopRequested());
    QCOMPARE(question, QString::fromUtf8("Вы действительно хотите прервать процесс?"));
    QVERIFY(ui.singleWindow() && ui.singleWindow()->isVisible());

    QApplication::sendEvent(w, &request);
    AnswerNextMessage(FromCp1251("Да"_w), &question);
    QVERIFY(progress.StopRequested());
    QVERIFY(!ui.singleWindow());
    progress.Finish();
  }

  void doubleWindowHeightsAndStop() {
    const struct {
      bool stop, second;
      int height;
    } cases[] = {{true, true, 100}, {false, true, 70}, {true, false, 60}, {false, false, 30}};
    for (const auto& c : cases) {
      QtInteraction ui;
      TFormProgressD progress(&ui);
      progress.Start(3, 4, "Загрузка отчета"_w, c.stop, c.second, "Таблицы"_w);
      TFormProgressDWindow* w = ui.doubleWindow();
      QVERIFY(w);
      QCOMPARE(w->height(), c.height);
      QCOMPARE(w->StopButton()->isVisibleTo(w), c.stop);
      QCOMPARE(w->Bar(1)->isVisibleTo(w), c.second);
      if (c.second) QCOMPARE(w->Label()->text(), QString::fromUtf8("Таблицы"));
      ExpectBottomRight(w);
      if (qEnvironmentVariableIsSet("REPORT_GUI_SHOTS") && c.stop && c.second)
        w->grab().save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/progress-double.png");
      progress.StepSecond();
      progress.StepSecond();
      QCOMPARE(w->Bar(1)->value(), 12);
      progress.StepFirst();
      QCOMPARE(w->Bar(0)->value(), 8);
      if (c.stop) {
        QString question;
        w->StopButton()->click();
        AnswerNextMessage(FromCp1251("Да"_w), &question);
        QVERIFY(progress.StopRequested());
        QVERIFY(!ui.doubleWindow());
      }
      progress.Finish();
      QVERIFY(!ui.doubleWindow());
    }
  }
};

QTEST_MAIN(DesktopWindowsTest)
#include "test_desktop_windows.moc"
