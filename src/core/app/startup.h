// Start-up and shutdown of the program around the report state: the
// single-instance lock, the folders unpacked from the installed packages,
// the working folder, the installation's options, the first report, and at
// the end the recent list and the removal of the temporary folders.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/foundation/common.h"
#include "core/foundation/folders.h"
#include "core/app/instance_lock.h"
#include "core/report/report_state.h"

namespace rpt {

class Interaction;

// The "Options.cnf" keys read at start.
struct InstallationOptions {
  std::string siteAddress;   // "Сайт" / "Норм"
  int importableTables = 0;  // "Импортируемые таблицы" / "Количество"
};

// Takes the lock; a second instance is told "Эта программа уже загружена."
// (warning) and false is returned. A lock the system cannot provide is
// ignored.
bool AcquireInstance(InstanceLock& lock, std::string_view programName, Interaction& ui);

// What of the installation a session unpacks: all of it, or only what
// reading, checking and saving a report use (the blank tables with the
// check rules, and the value lists), for a session that neither prints,
// exports nor sends.
enum class InstallationParts { All, ReportData };

// Refreshes the template, list, print and service folders from "TI.a",
// "TL.a", "TP.a" and "S.a" (a missing package leaves its folder empty) and
// prepares the working folder: its "Subreports/" deleted with everything
// in it and its own files removed, or the folder created. Errors of a
// damaged package are shown and the start goes on.
void PrepareFolders(const FolderSet& folders, Interaction& ui,
                    InstallationParts parts = InstallationParts::All);

InstallationOptions ReadInstallationOptions(const FolderSet& folders);

// One run of the program: lock, folders, report state, and the end.
class TProgramSession {
 public:
  TProgramSession(const FolderSet& folders, Interaction& ui, std::string programName,
                  ReportEngine* engine = nullptr, ReportView* view = nullptr);
  ~TProgramSession();

  // Takes the single-instance lock, before anything is shown. False for a
  // second instance (warned; no file touched). Start takes it when it was
  // not taken yet.
  bool Lock();
  // False for a second instance (warned; no file touched). Otherwise the
  // folders are prepared, the installation read and the most recent report
  // opened (or a new "Отчет" + N made from "TI.a").
  bool Start(bool openReport = true);
  // The close request of the structure window in exit mode: the question
  // "Вы действительно хотите закончить работу?", then the close query.
  // True when the program may end (the check rules are then released).
  bool CloseRequest();
  // Program end: the recent list written to "History.ini", the working,
  // template, list, print and service folders deleted, the lock released.
  // Runs once; the destructor runs it for a started session.
  void Shutdown();

  TReportState& state() { return *state_; }
  const InstallationOptions& options() const { return options_; }
  const EditorCommand& editor() const { return editor_; }
  bool started() const { return started_; }

 private:
  FolderSet folders_;
  Interaction& ui_;
  std::string programName_;
  InstanceLock lock_;
  std::unique_ptr<TReportState> state_;
  InstallationOptions options_;
  EditorCommand editor_;
  bool locked_ = false;
  bool started_ = false;
};

}  // namespace rpt
