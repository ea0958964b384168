// The desktop program holds its report's lock for as long as it has the
// report open, through the core that opens and closes reports: fifty times
// reportctl tries to save a change into the report while the program
// saves its own, and each time reportctl is refused with a message naming
// the program, exits non-zero, and the program's change reaches the
// package. Once the program ends, the report is free.
#include <QProcess>
#include <QTest>

#include <unistd.h>

#include <filesystem>
#include <memory>

#include "core/foundation/codec.h"
#include "core/archive/package.h"
#include "core/report/report_lock.h"
#include "core/report/report_state.h"
#include "core/app/startup.h"
#include "core/tables/table_model.h"
#include "gui/app/program.h"
#include "support/gui_program.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace rpt;
using namespace rpt::gui;
using namespace rpt::testing;

namespace {

struct Run {
  int exitCode;
  QString err;
};

Run Reportctl(const QStringList& args) {
  QProcess p;
  p.start(QString::fromUtf8(REPORTCTL_PATH), args);
  p.waitForFinished(60000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError())};
}

// The text of cell (row 1, column 6) of the table of units in the package.
std::string PackedValue(const std::string& report, const TempFolder& scratch) {
  const std::string out = scratch / "unpacked/";
  fs::remove_all(out);
  UnpackPackage(report + "Report.rpt", out);
  const std::string text = ReadFile(out + "Podr.ini");
  const std::string cell = "Col=6\r\nRow=1\r\n";
  const auto at = text.find(cell);
  if (at == std::string::npos) return "?";
  const auto cap = text.find("Cap=", at);
  return text.substr(cap + 4, text.find("\r\n", cap) - cap - 4);
}

}  // namespace

class ReportLockTest : public QObject {
  Q_OBJECT
 private slots:
  void theProgramHoldsItsReportAgainstReportctl() {
    TempFolder folder, scratch;
    InstallPackages(folder.path());
    const std::string report = folder / "Отчет1/";
    const QStringList setArgs = {QStringLiteral("set"), QStringLiteral("--program-folder"),
                                 QString::fromStdString(folder.path()), QString::fromStdString(report),
                                 QStringLiteral("Podr.ini"), QStringLiteral("1-6")};
    {
      ScriptedInteraction ui;
      TProgram program(FolderSet::FromProgramFolder(folder.path()), UniqueLockName("lock"), &ui);
      QVERIFY(program.Start());
      program.ShowStructure();
      TReportState& state = program.session().state();
      QCOMPARE(state.currentFolder, report);
      QVERIFY(state.reportLock().held());
      TReportLock other;
      QCOMPARE(other.Acquire(report), TReportLock::Result::Busy);
      QCOMPARE(other.holder().pid, std::to_string(::getpid()));

      TTable* units = nullptr;
      for (const auto& t : state.tables())
        if (t.table->tableName == "Podr") units = t.table.get();
      QVERIFY(units);
      for (int i = 1; i <= 50; ++i) {
        // reportctl starts, and the program saves a change meanwhile.
        QProcess cli;
        cli.start(QString::fromUtf8(REPORTCTL_PATH), setArgs + QStringList{QString::number(1000 + i)});
        QVERIFY(cli.waitForStarted());
        GetCell(units->data, 6, 1)->SetValue(std::to_string(i));
        QVERIFY(state.Save());
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 1);
        const QString err = QString::fromUtf8(cli.readAllStandardError());
        QVERIFY2(err.contains(U("уже открыт другой программой")) &&
                     err.contains(U("процесс ") + QString::number(::getpid())),
                 qPrintable(err));
        QCOMPARE(PackedValue(report, scratch), std::to_string(i));
      }
    }
    // The program has ended: the report is free, and reportctl's change is saved.
    const Run after = Reportctl(setArgs + QStringList{QStringLiteral("77")});
    QVERIFY2(after.exitCode == 0, qPrintable(after.err));
    QCOMPARE(PackedValue(report, scratch), std::string("77"));
  }
};

QTEST_MAIN(ReportLockTest)
#include "test_report_lock.moc"
