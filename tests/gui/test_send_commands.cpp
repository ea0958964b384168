// "Отправка" in the running program on the demo report (two tables with
// remarks, one empty table): the two summaries come up in turn with their
// lists, "Подробности" opens the report's protocol and ends the send, and a
// send answered through both summaries leaves the data file in the mail
// folder, its path on the clipboard and the upload page handed to the
// browser.
//
// With REPORT_GUI_SHOTS set, both summaries and the final message are saved
// there as send-errors.png, send-empty.png and send-done.png.
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include "core/foundation/codec.h"
#include "gui/calc/protocol_window.h"
#include "gui/foundation/qt_interaction.h"
#include "gui/foundation/qt_text.h"
#include "support/gui_program.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace rpt;
using namespace rpt::testing;

namespace {

void Shoot(QWidget* w, const char* name) {
  if (!qEnvironmentVariableIsSet("REPORT_GUI_SHOTS")) return;
  w->grab().save(qEnvironmentVariable("REPORT_GUI_SHOTS") + "/" + name);
}

// Answers the modal summary that is up with the button `caption`; its title
// and list go to `title` and `lines`.
void Answer(const char* caption, QString* title, QStringList* lines, const char* shot) {
  auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
  if (!d) return;
  *title = d->windowTitle();
  if (auto* list = d->findChild<QListWidget*>("SummaryList"))
    for (int i = 0; i < list->count(); ++i) *lines << list->item(i)->text();
  if (shot) Shoot(d, shot);
  for (QPushButton* b : d->findChildren<QPushButton*>())
    if (b->text() == U(caption)) return b->click();
  d->reject();
}

}  // namespace

class SendCommandsTest : public QObject {
  Q_OBJECT
 private slots:
  void summariesThenTheDataFile() {
    TempFolder folder;
    if (!InstallDemoReport(folder.path())) QSKIP("the demo report could not be generated");
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("send"));
    QVERIFY(program);
    gui::TF_StructRep& w = program->structure();
    QAction* internet = w.Command(U("SendInternet"));
    QVERIFY(internet->isEnabled() || w.MenuNamed(U("MenuSend"))->menuAction()->isEnabled());

    // "Подробности": the report's protocol, modal, and no data file.
    QString title;
    QStringList lines;
    bool protocolShown = false;
    QTimer::singleShot(0, [&] {
      Answer("Подробности", &title, &lines, nullptr);
      QTimer::singleShot(0, [&] {
        QDialog* p = program->protocol().FreeWindow();
        protocolShown = p->isVisible() && p->isModal();
        p->reject();
      });
    });
    internet->trigger();
    QCOMPARE(title, U("Таблицы с замечаниями"));
    QVERIFY(protocolShown);
    const std::string mail = folder / "Почтовый ящик/";
    QVERIFY(!fs::exists(mail + "R_H83791.rpt"));

    // Both summaries answered "send anyway".
    QString errorsTitle, emptyTitle;
    QStringList errorsLines, emptyLines;
    QTimer::singleShot(0, [&] {
      Answer("Отправить с замечаниями", &errorsTitle, &errorsLines, "send-errors.png");
      QTimer::singleShot(0, [&] { Answer("Отправить отчет", &emptyTitle, &emptyLines, "send-empty.png"); });
    });
    ui.messages.clear();
    internet->trigger();
    QCOMPARE(errorsTitle, U("Таблицы с замечаниями"));
    QCOMPARE(errorsLines.value(1), U("Обнаружены некорректные соотношения в следующих таблицах:"));
    QCOMPARE(errorsLines.size(), 4 + 2 + 1);  // two tables
    QCOMPARE(emptyTitle, U("Пустые таблицы"));
    QCOMPARE(emptyLines.value(1), U("Следующие таблицы отчета не содержат данных:"));
    QVERIFY(fs::is_regular_file(mail + "R_H83791.rpt"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(mail + "R_H83791.rpt"));
    QCOMPARE(ui.shellRequests.back(), "address https://stat.example.org/site/Orvantis.aspx?a=H83791");
    QCOMPARE(ui.messages.size(), std::size_t{1});
    QCOMPARE(ui.messages[0].kind, MessageKind::Information);

    // The final message as the program shows it.
    gui::QtInteraction shown;
    QString boxText;
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        boxText = box->text();
        Shoot(box, "send-done.png");
        box->accept();
      }
    });
    shown.ShowMessage(MessageKind::Information, ui.messages[0].text, kOk, kOk);
    QVERIFY(boxText.contains(U("R_H83791.rpt")));
    QVERIFY(boxText.contains(U("SHA-256")));
  }
};

QTEST_MAIN(SendCommandsTest)
#include "test_send_commands.moc"
