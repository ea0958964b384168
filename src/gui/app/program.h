// One run of the desktop program: the single-instance check, the splash,
// the long-lived windows, the folders and the first report, then the
// structure window; at the end the session's shutdown (recent list,
// temporary folders, lock).
#pragma once

#include <memory>
#include <string>

#include "core/foundation/folders.h"

namespace rpt {
class Interaction;
class TProgramSession;
}  // namespace rpt

namespace rpt::gui {

class QtInteraction;
class TF_StructRep;
class TFormList;
class TFormProtocol;
class TMainForm;
class TSelectTab;
class TSplashForm;
class TProgramView;
class TRecoveryTicker;
class TYearCompare;

class TProgram {
 public:
  // `ui` null: the Qt message boxes and progress windows.
  TProgram(const FolderSet& folders, std::string programName, Interaction* ui = nullptr);
  ~TProgram();

  // Start up to the loaded report with the splash still shown. False for a
  // second instance: only the warning was shown and no file was touched.
  bool Start();
  // Removes the splash and shows the structure window in exit mode.
  void ShowStructure();

  TMainForm& frame() { return *frame_; }
  TF_StructRep& structure() { return *structure_; }
  TFormProtocol& protocol() { return *protocol_; }
  TFormList& listWindow() { return *listWindow_; }
  TSelectTab& selectTab() { return *selectTab_; }
  TProgramSession& session() { return *session_; }
  Interaction& ui() { return *ui_; }
  TSplashForm* splash() { return splash_.get(); }
  TYearCompare& yearCompare() { return *yearCompare_; }

 private:
  FolderSet folders_;
  std::string programName_;
  std::unique_ptr<QtInteraction> ownUi_;
  Interaction* ui_;
  std::unique_ptr<TSplashForm> splash_;
  std::unique_ptr<TProgramView> view_;
  // The long-lived windows in their order of creation.
  std::unique_ptr<TMainForm> frame_;
  std::unique_ptr<TF_StructRep> structure_;
  std::unique_ptr<TFormProtocol> protocol_;
  std::unique_ptr<TSelectTab> selectTab_;
  std::unique_ptr<TFormList> listWindow_;
  std::unique_ptr<TYearCompare> yearCompare_;
  std::unique_ptr<TProgramSession> session_;  // destroyed first: it reports to the windows
  std::unique_ptr<TRecoveryTicker> recoveryTicker_;  // destroyed before the session
};

// The program folder of the running executable and its folder set.
FolderSet ProgramFolders(const std::string& programName);

// main(): the whole run; the process exit code.
int RunProgram(int argc, char** argv);

}  // namespace rpt::gui
