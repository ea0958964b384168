// The report's files under failing file operations: every call that saving,
// packing and unpacking make is made to fail in turn (no room, an I/O error,
// no permission). Whatever fails, "Report.rpt" afterwards opens with the
// old or the new content; a save that reports success has the new content
// in the package, and one that fails has said so with the system's reason.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/archive/package.h"
#include "core/report/report_fixture.h"
#include "core/report/report_state.h"
#include "core/app/startup.h"
#include "core/tables/table_model.h"
#include "fault/fault_injection.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ScriptedInteraction;
using testing::TempFolder;

constexpr std::initializer_list<int> kErrors = {ENOSPC, EIO, EACCES};

std::string Trace(const faults::Outcome& o) {
  return std::string("call ") + std::to_string(o.failAt) + " (" + o.kind + ") failing with " + std::strerror(o.error);
}

std::string Shown(const ScriptedInteraction& ui) {
  std::string all;
  for (const auto& m : ui.messages) all += Cp1251ToUtf8(m.text) + "\n";
  return all;
}

bool ShowedError(const ScriptedInteraction& ui, int error) {
  const std::string reason = Utf8ToCp1251(std::strerror(error));
  for (const auto& m : ui.messages)
    if (m.kind == MessageKind::Error && m.text.find(reason) != std::string::npos) return true;
  return false;
}

// Cell 2 of the first table as a fresh program opens the report; nothing
// when it does not open cleanly.
std::optional<std::string> OpenedValue(const FolderSet& program, const TempFolder& dir, const std::string& folder) {
  ScriptedInteraction ui;
  FolderSet f = program;
  f.working = dir / "check-work/";
  f.subreports = f.working + "Subreports/";
  TReportState state(f, ui);
  state.OpenReportFolder(folder);
  if (!state.treeVisible || state.tables().size() != 2 || !ui.messages.empty()) return std::nullopt;
  return CellByNumber(state.tables()[0].table->data, 2)->label.caption;
}

struct SaveWorld {
  TempFolder dir;
  FolderSet folders = testing::MakeProgram(dir);
  ScriptedInteraction ui;
  std::string report = testing::MakeReport(dir, "r", testing::BlankReportFiles());
  std::unique_ptr<TReportState> state;
  SaveWorld() {
    PrepareFolders(folders, ui);
    state = std::make_unique<TReportState>(folders, ui);
    state->OpenReportFolder(report);
    CellByNumber(state->tables()[0].table->data, 2)->SetValue("42");
    ui.messages.clear();
  }
};

TEST(FaultsReport, EveryFailingCallOfASaveLeavesTheOldOrTheNewReport) {
  std::unique_ptr<SaveWorld> w;
  bool saved = false;
  int failedSaves = 0;
  const int runs = faults::ForEveryCall(
      [&] { w = std::make_unique<SaveWorld>(); },
      [&] { saved = w->state->Save(); },
      [&](const faults::Outcome& o) {
        SCOPED_TRACE(Trace(o));
        if (!o.fired) {
          ASSERT_TRUE(saved);
        }
        if (saved) {
          EXPECT_TRUE(w->ui.messages.empty());
        } else {
          ++failedSaves;
          EXPECT_TRUE(ShowedError(w->ui, o.error)) << Shown(w->ui);
          EXPECT_TRUE(w->state->IsModified()) << "the change is still there to save again";
        }
        w->state.reset();  // the program ends: the report is free
        const auto value = OpenedValue(w->folders, w->dir, w->report);
        ASSERT_TRUE(value.has_value());
        EXPECT_TRUE(*value == "5" || *value == "42") << *value;
        if (saved) {
          EXPECT_EQ(*value, "42");
        }
      },
      kErrors);
  std::printf("%d runs\n", runs);
  EXPECT_GT(runs, 30);
  EXPECT_GT(failedSaves, 10);
}

struct PackWorld {
  TempFolder dir;
  ScriptedInteraction ui;
  std::string package = dir / "rep/Report.rpt";
  std::map<std::string, std::string> before = {{"Report.str", "old"}, {"T1.ini", std::string(40000, 'o')}};
  std::map<std::string, std::string> after = {{"Report.str", "new"},
                                              {"T1.ini", std::string(90000, 'n')},
                                              {"T2.ini", "added"}};
  PackWorld() {
    for (const auto& [name, bytes] : before) dir.Write("old/" + name, bytes);
    for (const auto& [name, bytes] : after) dir.Write("work/" + name, bytes);
    fs::create_directories(dir / "rep");
    if (!PackFolder(ui, dir / "old/*", package, true, false)) throw std::runtime_error("no package");
  }
  std::map<std::string, std::string> Unpacked() const {
    const std::string out = dir / "out/";
    fs::remove_all(out);
    UnpackPackage(package, out);
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(out)) files[e.path().filename()] = ReadFile(e.path());
    return files;
  }
  bool Leftovers() const {
    for (const auto& e : fs::directory_iterator(dir / "rep"))
      if (e.path().filename() != "Report.rpt") return true;
    return false;
  }
};

TEST(FaultsReport, EveryFailingCallOfAPackKeepsACompletePackage) {
  std::unique_ptr<PackWorld> w;
  bool packed = false;
  const int runs = faults::ForEveryCall(
      [&] { w = std::make_unique<PackWorld>(); },
      [&] { packed = PackFolder(w->ui, w->dir / "work/*", w->package, true, false); },
      [&](const faults::Outcome& o) {
        SCOPED_TRACE(Trace(o));
        const auto files = w->Unpacked();
        if (packed) {
          EXPECT_EQ(files, w->after);
        } else {
          EXPECT_TRUE(files == w->before || files == w->after);
          EXPECT_TRUE(ShowedError(w->ui, o.error)) << Shown(w->ui);
        }
        if (o.kind != "unlink") {
          EXPECT_FALSE(w->Leftovers()) << "a failed pack cleans up after itself";
        }
      },
      kErrors);
  std::printf("%d runs\n", runs);
  EXPECT_GT(runs, 20);
}

TEST(FaultsReport, EveryFailingCallOfAnUnpackIsRaisedAndLeavesNoHalfFile) {
  TempFolder dir;
  std::map<std::string, std::string> files = {
      {"Report.str", "structure"}, {"T1.ini", std::string(200000, 't')}, {"T2.ini", "two"}, {"Empty.ini", ""}};
  for (const auto& [name, bytes] : files) dir.Write("work/" + name, bytes);
  ScriptedInteraction ui;
  ASSERT_TRUE(PackFolder(ui, dir / "work/*", dir / "Report.rpt", true, false));
  const std::string out = dir / "out/";
  bool raised = false;
  const int runs = faults::ForEveryCall(
      [&] { fs::remove_all(out); },
      [&] {
        raised = false;
        try {
          UnpackPackage(dir / "Report.rpt", out);
        } catch (const ECoreError&) {
          raised = true;
        }
      },
      [&](const faults::Outcome& o) {
        SCOPED_TRACE(Trace(o));
        std::map<std::string, std::string> got;
        if (fs::exists(out))
          for (const auto& e : fs::directory_iterator(out)) got[e.path().filename()] = ReadFile(e.path());
        if (!raised) {
          EXPECT_EQ(got, files);
          return;
        }
        for (const auto& [name, bytes] : got) EXPECT_EQ(bytes, files[name]) << name << " is half written";
      },
      kErrors);
  std::printf("%d runs\n", runs);
  EXPECT_GT(runs, 10);
}

// Each cause of a failed pack is named, with the system's own words.
TEST(FaultsReport, PackFailureSaysItsCause) {
  struct Case {
    int error;
    unsigned kinds;
    const char* cause;
  };
  const Case cases[] = {
      {ENOSPC, faults::kWrite, "на диске недостаточно места (No space left on device)"},
      {EACCES, faults::kOpen, "нет права записи в папку \"<rep>\" (Permission denied)"},
      {EROFS, faults::kOpen, "нет права записи в папку \"<rep>\" (Read-only file system)"},
      {EMFILE, faults::kOpen, "открыто слишком много файлов (Too many open files)"},
      {EIO, faults::kFsync, "Input/output error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cause);
    PackWorld w;
    w.ui.messages.clear();
    faults::Arm(1, c.error, c.kinds);
    const bool packed = PackFolder(w.ui, w.dir / "work/*", w.package, true, false);
    faults::Disarm();
    EXPECT_FALSE(packed);
    ASSERT_EQ(w.ui.messages.size(), 1u);
    std::string cause = c.cause;
    if (const auto at = cause.find("<rep>"); at != std::string::npos) cause.replace(at, 5, w.dir / "rep");
    EXPECT_EQ(Cp1251ToUtf8(w.ui.messages[0].text),
              "При сохранении данных возникла ошибка: " + cause +
                  ".\r\nПостарайтесь устранить причину ошибки и повторите операцию сохранения.");
    EXPECT_EQ(w.Unpacked(), w.before);
  }
}

}  // namespace
}  // namespace rpt
