#include "gui/foundation/program.h"

#include <QApplication>
#include <QFileInfo>
#include <QTreeWidget>

#include <filesystem>

#include "core/foundation/interaction.h"
#include "core/report/report_folder_dialog.h"
#include "core/report/startup.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_interaction.h"
#include "gui/foundation/splash.h"
#include "gui/report/new_report_dialog.h"
#include "gui/report/select_tab.h"
#include "gui/report/structure_window.h"

namespace rpt::gui {

TProgram::TProgram(const FolderSet& folders, std::string programName, Interaction* ui)
    : folders_(folders), programName_(std::move(programName)) {
  if (!ui) {
    ownUi_ = std::make_unique<QtInteraction>();
    ui = ownUi_.get();
  }
  ui_ = ui;
}

TProgram::~TProgram() {
  session_.reset();
  selectTab_.reset();
  structure_.reset();
}

bool TProgram::Start() {
  // A second copy is told so before anything is shown or touched. The
  // session takes the lock for good a moment later.
  {
    InstanceLock probe;
    if (!AcquireInstance(probe, programName_, *ui_)) return false;
  }
  splash_ = std::make_unique<TSplashForm>();
  splash_->ShowAndPaint();

  structure_ = std::make_unique<TF_StructRep>();
  selectTab_ = std::make_unique<TSelectTab>(structure_.get(), structure_.get());
  structure_->SetSelectTab(selectTab_.get());
  if (ownUi_) ownUi_->SetParent(structure_.get());
  session_ = std::make_unique<TProgramSession>(folders_, *ui_, programName_, nullptr, structure_.get());
  session_->state().runFolderDialog = [this](TFormNewRep& dialog) {
    TFormNewRepDialog::Run(dialog, structure_.get());
  };
  structure_->AttachSession(session_.get());
  if (!session_->Start(true)) {
    splash_.reset();
    return false;
  }
  structure_->RestorePlacement();
  structure_->StateChanged(session_->state());
  return true;
}

void TProgram::ShowStructure() {
  splash_.reset();
  structure_->SetExitMode(true);
  structure_->show();
  structure_->raise();
  structure_->activateWindow();
  structure_->Tree()->setFocus();
}

FolderSet ProgramFolders(const std::string& programName) {
  const ProgramLocation location = ResolveProgramLocation(ExecutableFolder(), programName);
  return FolderSet::FromProgramFolder(location.programFolder, location.installData);
}

int RunProgram(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("report");
  QApplication::setWindowIcon(ProgramIcon());
  QApplication::setQuitOnLastWindowClosed(false);
  // The program file's name keys the single-instance lock.
  std::error_code ec;
  std::string programName = std::filesystem::read_symlink("/proc/self/exe", ec).filename().string();
  if (ec || programName.empty()) programName = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName().toStdString();
  TProgram program(ProgramFolders(programName), programName);
  if (!program.Start()) return 0;
  QObject::connect(&program.structure(), &TF_StructRep::programEnd, &app, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  program.ShowStructure();
  return QApplication::exec();
}

}  // namespace rpt::gui
