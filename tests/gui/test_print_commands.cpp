// The structure window's print commands on the demo report: a blank form
// leaves the report as it was (no recalculation, change marks and lights
// kept) and puts the report at the top of the recent list; the whole
// report goes into one PDF with the double progress window, its text
// documents through the office program when there is one and named in a
// warning when there is none.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPrinter>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/app/startup.h"
#include "core/foundation/codec.h"
#include "core/tables/table.h"
#include "gui/print/print_service.h"
#include "gui/print/table_print.h"
#include "support/gui_program.h"
#include "support/office_stub.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace rpt;
using namespace rpt::gui;
using namespace rpt::testing;

namespace {

TTable* TableOf(TReportState& state, const char* file) {
  const TReportTable* t = state.FindTable(file);
  return t ? t->table.get() : nullptr;
}

int Light(TF_StructRep& w, const char* file) {
  QTreeWidgetItem* node = NodeOfFile(w.Tree(), file);
  return node ? node->data(0, kStateRole).toInt() : -1;
}

TCell* FirstFormula(TReportState& state) {
  for (const auto& t : state.tables())
    for (int r = 0; r <= t.table->RowCount; ++r)
      if (const TRow* row = RowAt(t.table->data, r))
        for (const auto& c : row->cells)
          if (c->type == cell_type::kFormula) return c.get();
  return nullptr;
}

const std::string kSaveQuestion =
    Utf8ToCp1251("Рекомендуется сохранить сделанные в отчете изменения. Выполнить сохранение?");

// PATH for the duration of a scope.
class PathFor {
 public:
  explicit PathFor(const std::string& path) : old_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    ::setenv("PATH", path.c_str(), 1);
  }
  ~PathFor() { ::setenv("PATH", old_.c_str(), 1); }
  const std::string& old() const { return old_; }

 private:
  std::string old_;
};

}  // namespace

class PrintCommandsTest : public QObject {
  Q_OBJECT
 private slots:
  void blankFormLeavesTheReportAsItWas() {
    TempFolder folder;
    if (!InstallDemoReport(folder.path())) QSKIP("the demo report could not be generated");
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("print-blank"));
    QVERIFY(program);
    TF_StructRep& w = program->structure();
    TReportState& state = program->session().state();
    TPrintForm& form = TPrintForm::Instance();
    const std::string demo = state.currentFolder;

    // Another report was worked on since; one table is changed and a
    // formula shows a stale value.
    const std::string other = folder / "Other/";
    fs::create_directories(other);
    fs::copy_file(demo + "Report.rpt", other + "Report.rpt");
    state.recent().Set({other, demo});
    TTable* org = TableOf(state, "Org.ini");
    org->SetModified(true);
    TCell* formula = FirstFormula(state);
    QVERIFY(formula);
    formula->label.caption = "stale";
    const int light = Light(w, "Podr.ini");

    w.Tree()->setCurrentItem(NodeOfFile(w.Tree(), "Podr.ini"));
    ui.answers = {kNo, kYes};  // not saved; the list expanded
    w.Command(U("PrintBlank"))->trigger();
    QCOMPARE(ui.MessageTexts(), (std::vector<std::string>{kSaveQuestion, Utf8ToCp1251("Раскрыть список?")}));
    TTable* blank = form.Current();
    QVERIFY(blank && blank != TableOf(state, "Podr.ini"));
    QVERIFY(blank->RowCount > 3);  // a row per entry of the list
    QVERIFY(form.Service().PreviewWindow());

    QVERIFY(state.IsModified());
    for (const auto& t : state.tables()) QCOMPARE(t.table->Modified(), t.table.get() == org);
    QCOMPARE(formula->label.caption, std::string("stale"));
    QCOMPARE(Light(w, "Podr.ini"), light);
    QCOMPARE(state.recent().entries().front(), demo);
    QCOMPARE(w.MenuNamed(U("MenuHistory"))->actions().first()->text().toStdString() + "/", demo);
    form.Service().ClosePreview();
    QVERIFY(!form.Current());

    // The table by itself is previewed after every formula is worked out.
    ui.answers = {kNo};
    w.Command(U("PrintSelected"))->trigger();
    QCOMPARE(form.Current(), TableOf(state, "Podr.ini"));
    QVERIFY(formula->label.caption != "stale");
    form.Service().ClosePreview();
  }

  void wholeReportIntoOnePdfWithItsDocuments() {
    TempFolder folder;
    if (!InstallDemoReport(folder.path())) QSKIP("the demo report could not be generated");
    if (QStandardPaths::findExecutable("pdfunite").isEmpty()) QSKIP("pdfunite (poppler-utils) is not installed");
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("print-all"));
    QVERIFY(program);
    TF_StructRep& w = program->structure();
    TPrintForm& form = TPrintForm::Instance();
    form.printDialog = [](QPrinter& p, QWidget*) {
      p.setOutputFormat(QPrinter::PdfFormat);
      return true;
    };
    const std::string annotation = Utf8ToCp1251("4.5. Аннотация основных результатов научных исследований");
    const std::string note = Utf8ToCp1251("6.3. Пояснительная записка к отчету");
    const std::string stub = WriteOfficeStub(folder / "stub-bin");

    for (const bool office : {true, false}) {
      PathFor path(office ? stub + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "") : folder / "empty-bin");
      const std::string pdf = folder / (office ? "with.pdf" : "without.pdf");
      ui.messages.clear();
      ui.progress.clear();
      ui.pickerAnswers = {pdf};
      ui.answers = {kYes, kOk, kNo};  // print it all; the message; do not open the file
      w.Command(U("PrintAll"))->trigger();

      const std::vector<std::string> texts = ui.MessageTexts();
      QCOMPARE(texts.size(), std::size_t{3});
      QCOMPARE(texts[0],
               Utf8ToCp1251("Вы выбрали печать всего отчета. Это может занять несколько минут.\r\nПечатать?"));
      if (office) {
        QCOMPARE(texts[1], Utf8ToCp1251("Отправка данных на печать закончена."));
        std::ifstream log(stub + "/runs.log");
        std::string run, more;
        QVERIFY(std::getline(log, run));
        QVERIFY(!std::getline(log, more));  // both documents in one run
      } else {
        QCOMPARE(ui.messages[1].kind, MessageKind::Warning);
        QCOMPARE(texts[1], Utf8ToCp1251("Не напечатаны документы:") + "\r\n\"" + annotation +
                               Utf8ToCp1251("\": текстовые документы печатаются через LibreOffice, а он не "
                                            "установлен (пакет libreoffice-writer).") +
                               "\r\n\"" + note +
                               Utf8ToCp1251("\": текстовые документы печатаются через LibreOffice, а он не "
                                            "установлен (пакет libreoffice-writer)."));
      }
      QCOMPARE(texts[2], Utf8ToCp1251("Файл " + pdf + " записан. Открыть его?"));
      QVERIFY(fs::file_size(pdf) > 0);

      // The double window: its caption, no "Стоп", no second bar; a step
      // per section.
      QVERIFY(!ui.progress.empty());
      const RecordedProgress& shown = ui.progress.front();
      QCOMPARE(shown.window, ProgressWindow::Double);
      QCOMPARE(shown.event, std::string("show"));
      QCOMPARE(shown.text, Utf8ToCp1251("Печать данных. Ждите ..."));
      QVERIFY(!shown.stoppable && !shown.secondBar);
      QCOMPARE(ui.progress.back().event, std::string("close"));
      int last = 0;
      for (const auto& p : ui.progress)
        if (p.event == "update" && p.bar == 0) last = p.position;
      QCOMPARE(last, 25);
    }
    form.printDialog = nullptr;
  }
};

QTEST_MAIN(PrintCommandsTest)
#include "test_print_commands.moc"
