// Window placements: the client geometry saved is the one restored, so a
// window opens where it was left whatever frame the desktop draws around
// it, and a window never opens with any part (its title bar least of all)
// off the available screen. The rule as a table of cases, then the
// structure window and the tables frame on temporary program folders.
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <fstream>
#include <memory>

#include "core/foundation/folders.h"
#include "core/foundation/my_ini_file.h"
#include "gui/app/program.h"
#include "gui/foundation/window_placement.h"
#include "gui/report/structure_window.h"
#include "gui/tables/main_form.h"
#include "support/gui_program.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

using namespace rpt;
using namespace rpt::gui;
using namespace rpt::testing;

namespace {

QRect Available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

// Ends the program through "Выход" (which saves the placement).
void EndProgram(TProgram& program, ScriptedInteraction& ui) {
  ui.answers = {kYes, kNo};
  program.structure().Command(U("Exit"))->trigger();
}

}  // namespace

class WindowPlacementTest : public QObject {
  Q_OBJECT
 private slots:
  void fitOnScreenAsATableOfCases() {
    const QRect screen(0, 0, 1280, 800);
    const QMargins frame(4, 24, 4, 4);  // a title bar of 24 pixels
    struct Case {
      const char* name;
      QRect client;
      QRect placed;
    } cases[] = {
        {"inside stays", {100, 100, 600, 400}, {100, 100, 600, 400}},
        {"title bar above the screen", {100, 10, 600, 400}, {100, 24, 600, 400}},
        {"the whole work area as client", {0, 0, 1280, 800}, {4, 24, 1272, 772}},
        {"off to the right", {1000, 100, 600, 400}, {676, 100, 600, 400}},
        {"below the bottom", {100, 700, 600, 400}, {100, 396, 600, 400}},
        {"far off to the left and up", {-5000, -5000, 300, 200}, {4, 24, 300, 200}},
    };
    for (const Case& c : cases) QVERIFY2(FitOnScreen(c.client, frame, screen) == c.placed, c.name);
    // Saved and restored again and again: a placement on the screen is a
    // fixed point (the window that crept down by its title bar at every
    // start had its frame moved to the saved client position).
    QRect placement(239, 239, 500, 400);
    for (int start = 0; start < 5; ++start) placement = FitOnScreen(placement, frame, screen);
    QCOMPARE(placement, QRect(239, 239, 500, 400));
  }

  void structureWindowOpensWhereItWasLeftAndOnTheScreen() {
    TempFolder folder;
    InstallPackages(folder.path());
    const QRect left(150, 120, 640, 480);
    {
      ScriptedInteraction ui;
      auto program = StartedProgram(folder.path(), ui, UniqueLockName("placement"));
      QVERIFY(program);
      program->structure().setGeometry(left);
      EndProgram(*program, ui);
    }
    for (int start = 0; start < 3; ++start) {
      ScriptedInteraction ui;
      auto program = StartedProgram(folder.path(), ui, UniqueLockName("placement"));
      QVERIFY(program);
      QCOMPARE(program->structure().geometry(), left);
      EndProgram(*program, ui);
    }
    QCOMPARE(ProfileFile(folder / std::string(kHistoryFileName)).ReadInteger("TF_StructRep", "Top", 0), left.top());

    // A placement off the screen (another monitor, another resolution).
    {
      ProfileFile history(folder / std::string(kHistoryFileName));
      QVERIFY(history.WriteString("TF_StructRep", "Left", "4000").empty());
      QVERIFY(history.WriteString("TF_StructRep", "Top", "-300").empty());
    }
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("placement"));
    QVERIFY(program);
    QVERIFY(Available().contains(program->structure().frameGeometry()));
    QCOMPARE(program->structure().size(), left.size());
  }

  void tablesFrameOpensMaximisedThenAsLeftAndOnTheScreen() {
    TempFolder folder;
    InstallPackages(folder.path());
    ScriptedInteraction ui;
    auto program = StartedProgram(folder.path(), ui, UniqueLockName("frame"));
    QVERIFY(program);
    TF_StructRep& w = program->structure();
    TMainForm& frame = program->frame();
    auto open = [&] {
      w.Tree()->setCurrentItem(NodeOfFile(w.Tree(), "Title.ini"));
      w.Command(U("Edit"))->trigger();
    };
    // The first time: the whole work area, its title bar on the screen.
    open();
    QVERIFY(frame.isMaximized());
    frame.showNormal();
    QVERIFY(Available().contains(frame.frameGeometry()));
    const QRect left(60, 50, 700, 500);
    frame.setGeometry(left);
    frame.Command(U("FileExit1"))->trigger();
    open();
    QCOMPARE(frame.geometry(), left);
    frame.Command(U("FileExit1"))->trigger();

    // Saved off the screen: back on it.
    ProfileFile history(folder / std::string(kHistoryFileName));
    QVERIFY(history.WriteString("TMainForm", "Top", "-400").empty());
    ScriptedInteraction ui2;
    program.reset();
    program = StartedProgram(folder.path(), ui2, UniqueLockName("frame"));
    QVERIFY(program);
    program->structure().Tree()->setCurrentItem(NodeOfFile(program->structure().Tree(), "Title.ini"));
    program->structure().Command(U("Edit"))->trigger();
    QVERIFY(!program->frame().isMaximized());
    QVERIFY(Available().contains(program->frame().frameGeometry()));
    QCOMPARE(program->frame().size(), left.size());
  }
};

QTEST_MAIN(WindowPlacementTest)
#include "test_window_placement.moc"
