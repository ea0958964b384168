#include "gui/app/program.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QTreeWidget>

#include <filesystem>

#include "core/calc/check_status.h"
#include "core/foundation/interaction.h"
#include "core/report/report_folder_dialog.h"
#include "core/app/startup.h"
#include "gui/foundation/font_substitutes.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_interaction.h"
#include "gui/app/recovery_ticker.h"
#include "gui/app/splash.h"
#include "gui/foundation/translations.h"
#include "gui/foundation/window_placement.h"
#include "gui/report/new_report_dialog.h"
#include "gui/report/select_tab.h"
#include "gui/calc/protocol_window.h"
#include "gui/lists/list_window.h"
#include "gui/report/structure_window.h"
#include "gui/import/year_compare.h"
#include "gui/tables/table_window.h"
#include "gui/tables/main_form.h"

namespace rpt::gui {

// The report state tells both working windows: the structure window and
// the tables frame (whose table windows follow the state's tables).
class TProgramView : public ReportView {
 public:
  TF_StructRep* structure = nullptr;
  TMainForm* frame = nullptr;
  TYearCompare* yearCompare = nullptr;

  void StateChanged(const TReportState& state) override {
    if (yearCompare) yearCompare->Follow();
    if (frame) frame->StateChanged(state);
    if (structure) structure->StateChanged(state);
  }
  void MinimiseTablesFrame() override {
    if (frame) frame->MinimiseTablesFrame();
  }
  void TablesClosing() override {
    if (frame) frame->TablesClosing();
  }
  void BringToFront() override {
    if (structure) structure->BringToFront();
  }
};

TProgram::TProgram(const FolderSet& folders, std::string programName, Interaction* ui)
    : folders_(folders), programName_(std::move(programName)) {
  if (!ui) {
    ownUi_ = std::make_unique<QtInteraction>();
    ui = ownUi_.get();
  }
  ui_ = ui;
}

TProgram::~TProgram() {
  recoveryTicker_.reset();
  // The windows hold last year's comparison until the session closes them.
  if (frame_) frame_->SetYearComparison(nullptr);
  if (view_) view_->yearCompare = nullptr;
  yearCompare_.reset();
  // The protocol window leaves the checker, which goes with the session.
  protocol_.reset();
  session_.reset();
  listWindow_.reset();
  selectTab_.reset();
  structure_.reset();
  frame_.reset();
}

bool TProgram::Start() {
  // A second copy is told so before anything is shown or touched.
  view_ = std::make_unique<TProgramView>();
  session_ = std::make_unique<TProgramSession>(folders_, *ui_, programName_, nullptr, view_.get());
  if (!session_->Lock()) {
    session_.reset();
    return false;
  }
  splash_ = std::make_unique<TSplashForm>();
  splash_->ShowAndPaint();

  frame_ = std::make_unique<TMainForm>();
  structure_ = std::make_unique<TF_StructRep>();
  if (checks::TableChecker* checker = session_->state().engine().Checker()) {
    protocol_ = std::make_unique<TFormProtocol>(*checker, *ui_, frame_.get());
    protocol_->SetServiceFolder(folders_.service);
  }
  selectTab_ = std::make_unique<TSelectTab>(structure_.get(), frame_.get());
  listWindow_ = std::make_unique<TFormList>(*ui_, frame_.get());
  structure_->SetSelectTab(selectTab_.get());
  structure_->SetTableOpener([this](const std::string& file) {
    // Messages stand over the window the user works in.
    if (frame_->OpenTable(file) && ownUi_) ownUi_->SetParent(frame_.get());
  });
  QObject::connect(frame_.get(), &TMainForm::frameClosed, structure_.get(), [this] {
    if (ownUi_) ownUi_->SetParent(structure_.get());
  });
  structure_->SetFontApplier([this] { frame_->ApplyFont(); });
  structure_->SetColorApplier([this] { frame_->ApplyColors(); });
  if (protocol_) {
    // Report mode's "Таблица" opens the table through the structure tree.
    QObject::connect(protocol_.get(), &TFormProtocol::tableRequested, structure_.get(),
                     [this](const QString& caption) { structure_->EditItemTitled(caption); });
    protocol_->SetPrintEnabled([this] { return structure_->Command(StructureCommand::PrintSelected)->isEnabled(); });
  }
  frame_->SetStructure(structure_.get());
  frame_->SetSelectTab(selectTab_.get());
  frame_->SetListWindow(listWindow_.get());
  frame_->SetProtocol(protocol_.get());
  if (ownUi_) ownUi_->SetParent(structure_.get());
  view_->frame = frame_.get();
  view_->structure = structure_.get();
  session_->state().runFolderDialog = [this](TFormNewRep& dialog) {
    TFormNewRepDialog::Run(dialog, structure_.get(), [this] { structure_->Help(4); });
  };
  yearCompare_ = std::make_unique<TYearCompare>(session_->state(), *ui_);
  view_->yearCompare = yearCompare_.get();
  QObject::connect(yearCompare_.get(), &TYearCompare::comparisonChanged, frame_.get(),
                   [this] { frame_->SetYearComparison(&yearCompare_->comparison()); });
  QObject::connect(yearCompare_.get(), &TYearCompare::cellRequested, frame_.get(),
                   [this](const TTable* table, const TCell* cell) {
                     // From the structure window the table comes up in the frame first.
                     if (!frame_->isVisible())
                       for (const TReportTable& entry : session_->state().tables())
                         if (entry.table.get() == table) structure_->EditItemFile(entry.file);
                     frame_->ShowYearChange(table, cell);
                   });
  QObject::connect(frame_.get(), &TMainForm::yearChangesRequested, frame_.get(),
                   [this] { yearCompare_->ShowChanges(frame_.get(), false); });
  QObject::connect(frame_.get(), &TMainForm::yearChartRequested, frame_.get(), [this](TF_Table* window) {
    for (const TReportTable& entry : session_->state().tables())
      if (entry.table.get() == &window->table()) yearCompare_->ShowTableChart(window->table(), entry.file, frame_.get());
  });
  structure_->SetYearActions([this] { yearCompare_->Configure(structure_.get()); },
                             [this] { yearCompare_->ShowSummary(structure_.get()); });
  frame_->SetYearComparison(&yearCompare_->comparison());
  frame_->AttachSession(session_.get());
  structure_->AttachSession(session_.get());
  // What is typed is kept for a crash while the report is unsaved; the
  // first report's load already offers what an earlier crash left.
  session_->state().SetRecoveryMode(TReportState::RecoveryMode::Offer, RecoveryTiming::FromEnvironment());
  recoveryTicker_ = std::make_unique<TRecoveryTicker>(session_->state());
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
  KeepOnScreen(*structure_);
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
  UseRussianLanguage();
  InstallFontSubstitutes();
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
