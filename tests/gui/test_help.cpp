// Help in the running program: the topics of the windows open the matching
// section of the HTML help the build made, through the address handed to
// the browser; without the help the program says so. The table of topics
// is checked against the help itself, so no topic leads to a section the
// manual lost.
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/foundation/codec.h"
#include "core/foundation/folders.h"
#include "gui/foundation/help.h"
#include "support/gui_program.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace rpt;
using namespace rpt::testing;
using namespace rpt::literals;

namespace {

const std::string kBuiltHelp = std::string(REPORT_BIN_DIR) + "/Help/html/";

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string FileAddress(const std::string& path) {
  return QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded).toStdString();
}

}  // namespace

class HelpTest : public QObject {
  Q_OBJECT
 private slots:
  // Every topic leads to a page of the built help, and that page to a
  // heading of the manual with its anchor.
  void everyTopicHasItsSection() {
    const std::string index = ReadText(kBuiltHelp + "index.html");
    QVERIFY2(!index.empty(), "the build made no HTML help");
    for (const gui::HelpTopic& t : gui::HelpTopics()) {
      if (t.anchor.empty()) continue;
      const std::string anchor(t.anchor);
      const std::string page = ReadText(kBuiltHelp + "go/" + anchor + ".html");
      QVERIFY2(page.find("../index.html#" + anchor) != std::string::npos, anchor.c_str());
      QVERIFY2(index.find("id=\"" + anchor + "\"") != std::string::npos, anchor.c_str());
    }
  }

  void theWindowsOpenTheirSectionsInTheBrowser() {
    TempFolder folder;
    InstallPackages(folder.path());
    fs::copy(kBuiltHelp, folder / "Help/html", fs::copy_options::recursive);
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("help"));
    QVERIFY(program);
    gui::TF_StructRep& w = program->structure();
    const std::string help = folder / "Help/html/";

    ui.shellRequests.clear();
    w.Command(gui::StructureCommand::HelpContents)->trigger();
    w.Help(1);
    w.Help(106);
    w.Help(12345);  // a topic without a section: the contents
    // F1 asks for the topic of the window, or of its tree.
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.Tree()->setFocus();
    QTest::keyClick(w.Tree(), Qt::Key_F1);
    const std::vector<std::string> expected = {
        "address " + FileAddress(help + "index.html"),
        "address " + FileAddress(help + "go/structure-window.html"),
        "address " + FileAddress(help + "go/printing.html"),
        "address " + FileAddress(help + "index.html"),
        "address " + FileAddress(help + "go/structure-tree.html"),
    };
    QCOMPARE(ui.shellRequests, expected);
    QVERIFY(ui.messages.empty());

    // No browser takes it: the warning names the file to open by hand.
    ui.shellSucceeds = false;
    w.Help(1);
    QCOMPARE(ui.MessageTexts(),
             std::vector<std::string>{Utf8ToCp1251("Не удается открыть справку в браузере. Справка находится в файле " +
                                                   help + "index.html")});
    ui.messages.clear();
    ui.shellSucceeds = true;

    // The help gone: the program says so, and nothing goes to a browser.
    fs::remove_all(folder / "Help/html");
    ui.shellRequests.clear();
    w.Help(1);
    QVERIFY(ui.shellRequests.empty());
    QCOMPARE(ui.MessageTexts(), std::vector<std::string>{std::string("Справочная система не установлена."_w)});
  }

  // An installed program's user folder has no help of its own; the
  // installation's, beside its packages, is the one opened.
  void anInstallationsHelpLiesBesideItsPackages() {
    TempFolder folder;
    fs::create_directories(folder / "usr/share/report/Help/Data");
    fs::copy(kBuiltHelp, folder / "usr/share/report/Help/html", fs::copy_options::recursive);
    const FolderSet installed =
        FolderSet::FromProgramFolder(folder / "home/.local/share/report/", folder / "usr/share/report/Help/Data/");
    QCOMPARE(gui::HelpFolder(installed), folder / "usr/share/report/Help/html/");
    QCOMPARE(gui::HelpAddress(gui::HelpFolder(installed), 2),
             FileAddress(folder / "usr/share/report/Help/html/go/structure-tree.html"));
    QCOMPARE(gui::HelpFolder(FolderSet::FromProgramFolder(folder / "elsewhere/")), std::string());
  }
};

QTEST_MAIN(HelpTest)
#include "test_help.moc"
