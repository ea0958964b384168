// The desktop program with a scripted user, for the crash test
// (test_recovery_kills): it starts as a user starts it (answering "Да" when
// unsaved changes are offered back), writes what it found, then types
// numbers into several tables through key events, until it is killed.
//
//   recovery_victim PROGRAM_FOLDER LOG SEED [--check]
//
// The log (appended line by line with write(), so that a killed process
// loses nothing of it) holds:
//   M <kind> <text>            each message shown at start (UTF-8, one line)
//   V <file> <row> <col> <value>   every number cell of the data after the start
//   READY
//   T <ms> <file> <row> <col> <value>  a value typed and stored (steady clock)
//   S <ms> / E <ms>            a save begins / ends
// With --check it ends after READY.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/app/startup.h"
#include "core/foundation/codec.h"
#include "core/report/recovery.h"
#include "gui/app/program.h"
#include "gui/tables/main_form.h"
#include "gui/tables/table_window.h"
#include "support/scripted_interaction.h"

using namespace rpt;
using namespace rpt::gui;

namespace {

int logFd = -1;

void Log(const std::string& line) {
  const std::string text = line + "\n";
  if (::write(logFd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::_Exit(3);
}

bool IsNumberCell(const TCell& c) { return c.type == cell_type::kInteger || c.type == cell_type::kReal; }

// Where a data cell lies: row and position in its row.
bool PlaceOf(const TTable& t, const TCell* cell, std::size_t& row, std::size_t& col) {
  for (row = 0; row < t.data.rows.size(); ++row)
    for (col = 0; col < t.data.rows[row]->cells.size(); ++col)
      if (t.data.rows[row]->cells[col].get() == cell) return true;
  return false;
}

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

// A key the way the keyboard gives it, to whatever has the focus.
void Key(Qt::Key key, const QString& text = {}) {
  QWidget* target = QApplication::focusWidget();
  if (!target) return;
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
  if (QWidget* after = QApplication::focusWidget()) {
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(after, &release);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  logFd = ::open(argv[2], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (logFd < 0) return 2;
  std::mt19937 random(static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)));
  const bool checkOnly = argc > 4 && std::string(argv[4]) == "--check";

  testing::ScriptedInteraction ui;  // every question answered with its default: "Да"
  TProgram program(FolderSet::FromProgramFolder(argv[1]), "report-recovery-victim-" + std::to_string(::getpid()),
                   &ui);
  if (!program.Start()) return 4;
  program.ShowStructure();
  for (const auto& m : ui.messages) Log("M " + std::to_string(static_cast<int>(m.kind)) + " " + OneLine(Cp1251ToUtf8(m.text)));
  TReportState& state = program.session().state();
  std::vector<std::string> files;
  for (const auto& t : state.tables()) {
    bool numbers = false;
    for (std::size_t r = 0; r < t.table->data.rows.size(); ++r)
      for (std::size_t c = 0; c < t.table->data.rows[r]->cells.size(); ++c)
        if (const TCell& cell = *t.table->data.rows[r]->cells[c]; IsNumberCell(cell)) {
          numbers = true;
          Log("V " + t.file + " " + std::to_string(r) + " " + std::to_string(c) + " " + cell.label.caption);
        }
    if (numbers) files.push_back(t.file);
  }
  Log("READY");
  if (checkOnly || files.empty()) return files.empty() ? 5 : 0;

  TMainForm& frame = program.frame();
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
    const std::string file = files[random() % files.size()];
    if (!frame.OpenTable(file)) return 6;
    QTest::qWait(5);
    TF_Table* window = frame.ActiveTable();
    if (!window) return 7;
    window->activateWindow();
    window->setFocus();
    for (int values = 3 + static_cast<int>(random() % 5); values > 0; --values) {
      // On to a number cell, as the user tabs through the table.
      for (int tabs = static_cast<int>(random() % 4); tabs >= 0 || (window->OpenEditor() != CellEditor::Int &&
                                                                    window->OpenEditor() != CellEditor::Real);
           --tabs) {
        Key(Qt::Key_Tab);
        if (tabs < -200) break;
      }
      TCell* cell = window->CurrentCell();
      std::size_t row = 0, col = 0;
      if (!cell || !IsNumberCell(*cell) || !PlaceOf(window->table(), cell, row, col)) continue;
      const std::string digits = std::to_string(1 + random() % 99999);
      for (const char d : digits) Key(static_cast<Qt::Key>(d), QString(QChar(d)));
      Key(Qt::Key_Tab);  // leaving the cell stores the value
      Log("T " + std::to_string(RecoveryClockMs()) + " " + file + " " + std::to_string(row) + " " +
          std::to_string(col) + " " + cell->label.caption);
      QTest::qWait(static_cast<int>(random() % 25));
    }
    if (random() % 12 == 0) {
      Log("S " + std::to_string(RecoveryClockMs()));
      state.Save();
      Log("E " + std::to_string(RecoveryClockMs()));
    }
  }
  return 0;
}
