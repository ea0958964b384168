// The toolkit's own dialogs speak Russian whatever the desktop's language:
// the file and folder pickers, the font dialog and the calendar of the date
// editor, with the toolkit's Russian translations and the Russian locale.
//
// With REPORT_GUI_SHOTS set (tests/gui/screenshots.sh, under a virtual X
// server), the file picker as the program opens it is saved as
// file-dialog.png.
#include <QApplication>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "core/foundation/codec.h"
#include "gui/foundation/qt_interaction.h"
#include "gui/foundation/qt_text.h"
#include "gui/foundation/translations.h"
#include "support/temp_folder.h"

using namespace rpt;
using namespace rpt::gui;
using namespace rpt::literals;

namespace {

// Texts of the dialog's buttons and labels, without their "&" marks.
QStringList TextsOf(const QWidget& dialog) {
  QStringList texts;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
  for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) texts << button->text();
  for (QString& text : texts) text.remove(QLatin1Char('&'));
  return texts;
}

}  // namespace

class RussianDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    // The desktop speaks English here.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY2(UseRussianLanguage(), "the toolkit's Russian translations (qt6-translations-l10n) are not installed");
  }

  void filePickersAndTheFontDialog() {
    QFileDialog files(nullptr, U("Выбор файла"));
    QVERIFY(files.testOption(QFileDialog::DontUseNativeDialog) ||
            QApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
    files.setFileMode(QFileDialog::ExistingFile);
    files.setAcceptMode(QFileDialog::AcceptOpen);
    const QStringList texts = TextsOf(files);
    QVERIFY2(texts.contains(U("Открыть")), qPrintable(texts.join(" | ")));
    QVERIFY2(texts.contains(U("Отмена")), qPrintable(texts.join(" | ")));
    QVERIFY(!texts.contains(QStringLiteral("Open")));
    QCOMPARE(files.findChild<QLabel*>(QStringLiteral("fileTypeLabel"))->text(), U("Типы файлов:"));
    // The type of a folder in the list, which Debian's translations lack.
    QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder"), U("Папка"));

    QFontDialog font;
    QVERIFY(!TextsOf(font).contains(QStringLiteral("Cancel")));
    QVERIFY(TextsOf(font).contains(U("Отмена")));
  }

  void theCalendarNamesMonthsAndDaysInRussian() {
    QCalendarWidget calendar;
    calendar.setSelectedDate(QDate(2023, 2, 15));
    calendar.setCurrentPage(2023, 2);
    auto* month = calendar.findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    QVERIFY(month);
    QCOMPARE(month->text().toLower(), U("февраль"));
    QCOMPARE(calendar.locale().dayName(1, QLocale::ShortFormat).toLower(), U("пн"));
    QCOMPARE(calendar.firstDayOfWeek(), Qt::Monday);
  }

  void screenshot() {
    if (!qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) QSKIP("screenshots are made by tests/gui/screenshots.sh");
    rpt::testing::TempFolder folder;
    folder.Write("Отчет1/Report.rpt", "");
    folder.Write("Отчет2/Report.rpt", "");
    folder.Write("Протокол.txt", "");
    QtInteraction ui;
    bool saved = false;
    QTimer::singleShot(500, [&saved] {
      if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        saved = dialog->grab().save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/file-dialog.png");
        dialog->reject();
      }
    });
    ui.ChooseOpenFile("Открыть отчет"_w, "Текстовый файл (*.txt)|*.txt|Все файлы (*.*)|*.*"_w, folder.path());
    QVERIFY(saved);
  }
};

QTEST_MAIN(RussianDialogsTest)
#include "test_russian_dialogs.moc"
