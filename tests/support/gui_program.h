// What the desktop-program tests share: a program folder with the installed
// packages, a lock name of the test run only, the program started as a user
// starts it, and lookups in the structure tree. Header-only: only the GUI
// tests include it, and the support library does not link Qt.
#pragma once

#include <unistd.h>

#include <QString>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/foundation/folders.h"
#include "gui/app/program.h"
#include "gui/report/structure_window.h"
#include "support/scripted_interaction.h"

namespace rpt::testing {

inline QString U(const char* s) { return QString::fromUtf8(s); }

// A program folder with the four installed packages, as a build leaves it.
inline void InstallPackages(const std::string& folder) {
  namespace fs = std::filesystem;
  const fs::path data = fs::path(folder) / "Help/Data";
  fs::create_directories(data);
  for (const char* package : {"TI.a", "TL.a", "TP.a", "S.a"})
    fs::copy_file(std::string(REPORT_BIN_DIR) + "/Help/Data/" + package, data / package);
}

// The generated demo report, packed into "Demo2022" of the program folder
// (the packages installed) and first in the recent list, so that the
// program opens it at start. False when it could not be made.
inline bool InstallDemoReport(const std::string& folder) {
  namespace fs = std::filesystem;
  InstallPackages(folder);
  auto quote = [](const std::string& s) { return "'" + s + "'"; };
  const std::string base = folder.ends_with('/') ? folder : folder + "/";
  const std::string gen = base + "gen";
  const std::string script = std::string(REPORT_SOURCE_DIR) + "/data/tools/installation/gen_demo.py";
  if (std::system(("python3 " + quote(script) + " " + quote(gen) + " >/dev/null").c_str()) != 0) return false;
  const std::string report = base + "Demo2022";
  fs::copy(gen + "/Demo2022", report, fs::copy_options::recursive);
  const std::string packed = base + "Report.rpt";
  if (std::system((quote(REPORTCTL_PATH) + " pack " + quote(report) + " " + quote(packed) + " >/dev/null").c_str()) !=
      0)
    return false;
  fs::rename(packed, report + "/Report.rpt");
  std::ofstream(base + "History.ini") << "[TF_StructRep.MRUManager1]\r\nItem_0=" << report << "\r\n";
  return true;
}

// A single-instance lock name of this test run only, so that a running
// program is never met.
inline std::string UniqueLockName(const std::string& what) {
  return "report-gui-test-" + what + "-" + std::to_string(::getpid());
}

// The program started on `folder` with the structure window shown; null for
// a refused start.
inline std::unique_ptr<gui::TProgram> StartedProgram(const std::string& folder, ScriptedInteraction& ui,
                                                     const std::string& lockName) {
  auto program = std::make_unique<gui::TProgram>(FolderSet::FromProgramFolder(folder), lockName, &ui);
  if (!program->Start()) return nullptr;
  program->ShowStructure();
  return program;
}

// The structure-tree item of a table or document file.
inline QTreeWidgetItem* NodeOfFile(QTreeWidget* tree, const char* file) {
  for (QTreeWidgetItemIterator it(tree); *it; ++it)
    if ((*it)->data(0, gui::kFileRole).toString().compare(U(file), Qt::CaseInsensitive) == 0) return *it;
  return nullptr;
}

}  // namespace rpt::testing
