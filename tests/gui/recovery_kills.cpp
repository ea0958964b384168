// Crashes while the user types: the desktop program (recovery_victim, the
// real program with a scripted user typing into the real table windows) is
// killed with SIGKILL at random moments, again and again on one report.
// After every kill the next start answers "Да" to the recovered changes,
// and then:
// - the report opens, without an error and without a refused recovery
//   (one is allowed only when the kill hit a save half-way);
// - every value typed more than the recovery interval (plus the time to
//   notice and write it) before the kill is there; a value typed later is
//   there or the cell holds what it held before; no other number moved.
// At the end reportctl lists and applies what is left, and the report
// opens with every value as the last start found it.
//
// RECOVERY_KILLS (default 100) and RECOVERY_SEED (default 1) in the
// environment say how many kills and which random moments. The interval is shortened through REPORT_RECOVERY_INTERVAL_MS.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTest>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/report/recovery.h"
#include "support/demo_report.h"
#include "support/gui_program.h"
#include "support/temp_folder.h"

using namespace rpt;
using namespace rpt::testing;

namespace {

constexpr int kIntervalMs = 250;
// Time to notice a change, write it and flush it, on a loaded machine.
constexpr int kSlackMs = 600;
// How long a run types before it is killed: up to this long.
constexpr int kLongestRunMs = 1600;

struct Typed {
  long long at;
  std::string key, value;
};

struct RunLog {
  bool ready = false;
  std::vector<std::string> messages;       // "kind text"
  std::map<std::string, std::string> values;  // key -> value at the start
  std::vector<Typed> typed;
  bool saveUnfinished = false;
  std::string text;
};

RunLog ReadLog(const std::string& path) {
  RunLog log;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    log.text += line + "\n";
    std::istringstream words(line);
    std::string tag;
    words >> tag;
    if (tag == "READY") {
      log.ready = true;
    } else if (tag == "M") {
      log.messages.push_back(line.substr(2));
    } else if (tag == "V" || tag == "T") {
      long long at = 0;
      if (tag == "T") words >> at;
      std::string file, row, col, value;
      words >> file >> row >> col;
      std::getline(words, value);
      if (!value.empty() && value.front() == ' ') value.erase(0, 1);
      const std::string key = file + " " + row + " " + col;
      if (tag == "V") log.values[key] = value;
      else log.typed.push_back({at, key, value});
    } else if (tag == "S") {
      log.saveUnfinished = true;
    } else if (tag == "E") {
      log.saveUnfinished = false;
    }
  }
  return log;
}

bool Exited(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, WNOHANG) == pid;
}

// Starts the program; returns its process once it has written READY (or
// has ended).
pid_t StartVictim(const std::string& folder, const std::string& log, unsigned seed, bool checkOnly,
                  bool& ready) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv(kRecoveryIntervalVariable, std::to_string(kIntervalMs).c_str(), 1);
    const std::string s = std::to_string(seed);
    if (checkOnly)
      ::execl(RECOVERY_VICTIM, RECOVERY_VICTIM, folder.c_str(), log.c_str(), s.c_str(), "--check", nullptr);
    else
      ::execl(RECOVERY_VICTIM, RECOVERY_VICTIM, folder.c_str(), log.c_str(), s.c_str(), nullptr);
    std::_Exit(127);
  }
  ready = false;
  for (int waited = 0; waited < 180'000; waited += 5) {
    if (ReadLog(log).ready) {
      ready = true;
      break;
    }
    if (Exited(pid)) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return pid;
}

}  // namespace

class RecoveryKills : public QObject {
  Q_OBJECT
 private slots:
  void killedAtRandomMomentsLosesNothingOlderThanTheInterval() {
    const char* killsText = std::getenv("RECOVERY_KILLS");
    const char* seedText = std::getenv("RECOVERY_SEED");
    const int kills = killsText ? std::atoi(killsText) : 100;
    const unsigned seed = seedText ? static_cast<unsigned>(std::atoi(seedText)) : 1;
    std::mt19937 random(seed);
    TempFolder dir;
    const std::string folder = dir / "prog/";
    QVERIFY(InstallDemoReport(folder));

    std::map<std::string, std::set<std::string>> acceptable;  // by cell, from the run before
    bool refusalAllowed = false;
    int typed = 0, checked = 0, questions = 0;
    auto verifyStart = [&](const RunLog& start, int run) {
      QVERIFY2(start.ready, ("start " + std::to_string(run) + " did not open the report:\n" + start.text).c_str());
      for (const std::string& m : start.messages) {
        const bool question = m.starts_with("3 Найдены несохраненные изменения");
        const bool refused = m.starts_with("0 ") && m.find("не могут быть восстановлены") != std::string::npos;
        questions += question;
        QVERIFY2(question || (refused && refusalAllowed), ("start " + std::to_string(run) + ": " + m).c_str());
      }
      for (const auto& [key, values] : acceptable) {
        const auto found = start.values.find(key);
        QVERIFY2(found != start.values.end(), key.c_str());
        QVERIFY2(values.count(found->second),
                 ("start " + std::to_string(run) + ", cell " + key + ": \"" + found->second + "\"").c_str());
      }
    };

    for (int run = 0; run < kills; ++run) {
      const std::string log = dir / ("run" + std::to_string(run) + ".log");
      bool ready = false;
      const pid_t pid = StartVictim(folder, log, seed * 1000 + static_cast<unsigned>(run), false, ready);
      QVERIFY2(pid > 0 && ready, ReadLog(log).text.c_str());
      const RunLog start = ReadLog(log);
      verifyStart(start, run);
      if (QTest::currentTestFailed()) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return;
      }

      std::this_thread::sleep_for(std::chrono::milliseconds(random() % kLongestRunMs));
      const long long killedAt = RecoveryClockMs();
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);

      // What the next start must show: per cell, the last value typed long
      // enough before the kill (or the value at this start), or any typed after.
      const RunLog done = ReadLog(log);
      acceptable.clear();
      std::map<std::string, std::string> sure = done.values;
      std::map<std::string, std::set<std::string>> later;
      for (const Typed& t : done.typed) {
        ++typed;
        if (t.at < killedAt - kIntervalMs - kSlackMs) {
          sure[t.key] = t.value;
          later[t.key].clear();
          ++checked;
        } else {
          later[t.key].insert(t.value);
        }
      }
      for (const auto& [key, value] : sure) {
        acceptable[key] = later[key];
        acceptable[key].insert(value);
      }
      refusalAllowed = done.saveUnfinished;
    }

    // The last kill, checked by a start that only looks.
    const std::string last = dir / "last.log";
    bool ready = false;
    pid_t pid = StartVictim(folder, last, seed, true, ready);
    if (pid > 0) ::waitpid(pid, nullptr, 0);
    const RunLog final = ReadLog(last);
    verifyStart(final, kills);
    if (QTest::currentTestFailed()) return;

    // reportctl takes what is left as the saved report.
    const std::string report = folder + "Demo2022";
    const std::string ctl = ShellQuote(REPORTCTL_PATH) + " ";
    const std::string where = " --program-folder " + ShellQuote(folder) + " " + ShellQuote(report);
    QCOMPARE(RunShell(ctl + "recover" + where).exitCode, 0);
    const ShellRun apply = RunShell("(" + ctl + "recover --apply" + where + " 2>&1)");
    QVERIFY2(apply.exitCode == 0 || apply.out.find("nothing to recover") != std::string::npos, apply.out.c_str());
    QCOMPARE(RunShell(ctl + "open" + where).exitCode, 0);
    const std::string after = dir / "after.log";
    pid = StartVictim(folder, after, seed, true, ready);
    if (pid > 0) ::waitpid(pid, nullptr, 0);
    const RunLog saved = ReadLog(after);
    QVERIFY2(saved.ready && saved.messages.empty(), saved.text.c_str());
    QVERIFY(saved.values == final.values);
    qInfo("%d kills: %d values typed, %d of them old enough to be checked; %d recoveries offered", kills, typed,
          checked, questions);
  }
};

QTEST_MAIN(RecoveryKills)
#include "recovery_kills.moc"
