#include "gui/tables/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <optional>

#include "core/calc/check_status.h"
#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/interaction.h"
#include "core/foundation/text_case.h"
#include "core/lists/list_insert.h"
#include "core/lists/list_view_model.h"
#include "core/report/report_state.h"
#include "core/subreports/composition.h"
#include "core/app/startup.h"
#include "core/tables/instructions.h"
#include "core/tables/row_operations.h"
#include "core/tables/table_geometry.h"
#include "gui/calc/protocol_window.h"
#include "gui/foundation/busy_pointer.h"
#include "gui/foundation/command_set.h"
#include "gui/foundation/help.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_text.h"
#include "gui/foundation/window_placement.h"
#include "gui/lists/list_window.h"
#include "gui/report/select_tab.h"
#include "gui/report/structure_window.h"
#include "gui/print/table_print.h"
#include "gui/subreports/composition_window.h"
#include "gui/tables/instruction_window.h"
#include "gui/tables/row_dialogs.h"
#include "gui/tables/table_window.h"

namespace rpt::gui {

using namespace literals;

namespace {

// The frame's section of "History.ini".
constexpr char kPlacementSection[] = "TMainForm";


QMdiSubWindow* SubWindowOf(const TF_Table* window) {
  return window ? qobject_cast<QMdiSubWindow*>(window->parentWidget()) : nullptr;
}

}  // namespace

namespace {

// The calculators of this desktop, in the order they are looked for.
constexpr const char* kCalculators[] = {"gnome-calculator", "kcalc", "galculator", "xcalc"};

}  // namespace

std::string FindCalculator() {
  for (const char* name : kCalculators) {
    const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!found.isEmpty()) return found.toStdString();
  }
  return {};
}

std::string CalculatorMissingText() {
  std::string names;
  const std::size_t count = std::size(kCalculators);
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) names += i + 1 == count ? std::string(" и "_w) : std::string(", ");
    names += kCalculators[i];
  }
  return std::string("Калькулятор не запускается. Программа ищет калькуляторы "_w) + names +
         std::string("; установите один из них, например пакет gnome-calculator "_w) +
         "(sudo apt install gnome-calculator).";
}

// --- construction ---------------------------------------------------------------------

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), mdi_(new QMdiArea(this)) {
  setObjectName("MainForm");
  setWindowTitle(FromCp1251("Таблицы отчета"_w));
  setWindowIcon(ProgramIcon());
  setMinimumSize(550, 400);
  // A system menu and a maximise box; the close box hides the frame.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  mdi_->setObjectName("MdiArea");
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdi_);
  BuildCommands();
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  BuildPopup();
  OnHelpKey(this, [this] { Help(5); });
  commands_.CheckComplete();
  ConnectCommands();
  protocolDock_ = new QDockWidget(FromCp1251(checks::texts::kProtocolCaption), this);
  protocolDock_->setObjectName("ProtocolDock");
  protocolDock_->setFeatures(QDockWidget::DockWidgetClosable);
  addDockWidget(Qt::BottomDockWidgetArea, protocolDock_);
  protocolDock_->hide();
  // The protocol takes a strip below the tables; the shown tables refit
  // to the room left to them.
  connect(protocolDock_, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible) resizeDocks({protocolDock_}, {170}, Qt::Vertical);
  });
  mdi_->viewport()->installEventFilter(this);
  protocolDock_->installEventFilter(this);
  // Wheel events go to the widget under the pointer and stop at the first
  // that takes them (the table windows' data areas do): only the
  // application sees them all.
  qApp->installEventFilter(this);
  // Its normal size, when the user leaves the maximised state: most of the
  // work area, in its middle.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    setGeometry(area.adjusted(area.width() / 10, area.height() / 10, -area.width() / 10, -area.height() / 10));
  }
  setEnabled(false);
  RefreshTableActions();
}

TMainForm::~TMainForm() {
  qApp->removeEventFilter(this);
  // The tables belong to the report state; the windows only show them.
  DestroyTableWindows();
}

void TMainForm::DestroyTableWindows() {
  // Out of the list before any goes, and none activated on the way: the
  // area would activate the next window as each one goes, whose activation
  // (recalculation, check, the actions' rules) would walk a list holding
  // the windows already destroyed.
  const std::vector<TF_Table*> windows = std::move(windows_);
  windows_.clear();
  for (TF_Table* w : windows)
    if (QMdiSubWindow* sub = SubWindowOf(w)) sub->blockSignals(true);
  for (TF_Table* w : windows) {
    if (QMdiSubWindow* sub = SubWindowOf(w)) {
      mdi_->removeSubWindow(sub);
      delete sub;
    } else {
      delete w;
    }
  }
}

TReportState* TMainForm::state() const { return session_ ? &session_->state() : nullptr; }

checks::TableChecker* TMainForm::Checker() const {
  TReportState* s = state();
  if (!s) return nullptr;
  return s->engine().Checker();
}

void TMainForm::AttachSession(TProgramSession* session) {
  session_ = session;
  if (checks::TableChecker* checker = Checker()) checker->AddObserver(this);
  StateChanged(session->state());
}

void TMainForm::SetStructure(TF_StructRep* structure) { structure_ = structure; }
void TMainForm::SetSelectTab(TSelectTab* selectTab) { selectTab_ = selectTab; }
void TMainForm::SetListWindow(TFormList* list) { listWindow_ = list; }

void TMainForm::SetProtocol(TFormProtocol* protocol) {
  protocol_ = protocol;
  if (!protocol) return;
  protocol->SetDock(protocolDock_);
  connect(protocol, &TFormProtocol::highlightChanged, this, [this](TTable* table) {
    const checks::TableChecker* checker = Checker();
    for (TF_Table* w : windows_) {
      if (&w->table() != table) continue;
      w->RefreshCells();
      if (!checker) continue;
      // The cells the message names come into view, the first one last so
      // that it is surely seen.
      const auto& cells = checker->protocolView().selectedCells;
      for (auto it = cells.rbegin(); it != cells.rend(); ++it)
        if (it->table == table)
          if (const TRow* row = RowAt(table->data, it->pos.row))
            if (const TCell* cell = CellAt(*row, it->pos.col)) w->ScrollToCell(*cell);
    }
  });
  // The user chose a message: its first cell becomes current.
  connect(protocol, &TFormProtocol::cellsChosen, this, [this] {
    const checks::TableChecker* checker = Checker();
    if (!checker || checker->protocolView().selectedCells.empty()) return;
    const checks::RemarkCell& first = checker->protocolView().selectedCells.front();
    for (TF_Table* w : windows_)
      if (&w->table() == first.table && !w->Hidden())
        if (const TRow* row = RowAt(first.table->data, first.pos.row))
          if (TCell* cell = CellAt(*row, first.pos.col)) {
            // The keyboard stays in the protocol: the cell is current, not edited.
            w->EditorExit();
            w->HideEditors();
            w->SetCurrentCell(cell, false);
            w->ScrollToCell(*cell);
          }
  });
  connect(protocol, &TFormProtocol::messageRequested, this, [this](TTable* table, int message) { ShowRemark(table, message); });
}

void TMainForm::GoToRemark(bool forward) {
  checks::TableChecker* checker = Checker();
  if (!checker || windows_.empty()) return;
  std::vector<std::vector<CellPos>> remarked;
  for (TF_Table* w : windows_) remarked.push_back(checker->RemarkedCells(w->table()));
  TF_Table* active = ActiveTable();
  std::size_t index = 0;
  std::optional<CellPos> current;
  if (active) {
    index = static_cast<std::size_t>(std::max(0, ActiveIndex()));
    if (active->CurrentSection() == TableSection::Data) current = CellPos{active->CurrentRow(), active->CurrentCol()};
  }
  const auto stop = checks::NextRemark(remarked, index, current, forward);
  if (!stop) {
    state()->ui().ShowMessage(MessageKind::Information,
                              forward ? "Дальше ячеек с замечаниями нет."_w : "Выше ячеек с замечаниями нет."_w, kOk,
                              kOk);
    if (active) FocusData(active);
    return;
  }
  TF_Table* w = windows_[stop->table];
  if (w != active) GoToTable(static_cast<int>(stop->table));
  w->GoToCell(stop->pos.row, stop->pos.col);
}

void TMainForm::ShowRemark(TTable* table, int message) {
  checks::TableChecker* checker = Checker();
  if (!checker || !table) return;
  TF_Table* w = nullptr;
  for (TF_Table* candidate : windows_)
    if (&candidate->table() == table) w = candidate;
  if (!w) return;
  if (w->Hidden() || ActiveTable() != w) GoToTable(static_cast<int>(std::find(windows_.begin(), windows_.end(), w) - windows_.begin()));
  if (table->status != checks::kErrors) return;
  checker->ShowProtocol(table, false);
  try {
    checker->SelectProtocolLine(message);
  } catch (const std::exception& e) {
    state()->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
  }
  const auto& cells = checker->protocolView().selectedCells;
  if (!cells.empty() && cells.front().table == table) w->GoToCell(cells.front().pos.row, cells.front().pos.col);
}

RowDialogs& TMainForm::Dialogs() {
  if (rowDialogs_) return *rowDialogs_;
  if (!ownDialogs_) {
    auto dialogs = std::make_unique<QtRowDialogs>(this);
    dialogs->SetHelp([this](int topic) { Help(topic); });
    ownDialogs_ = std::move(dialogs);
  }
  return *ownDialogs_;
}

void TMainForm::FocusData(TF_Table* window) {
  if (window) window->FocusCurrent();
}

// --- table windows ----------------------------------------------------------------------

void TMainForm::CreateTableWindow(const TReportTable& entry) {
  auto* window = new TF_Table(*entry.table, nullptr);
  QMdiSubWindow* sub = mdi_->addSubWindow(window);
  sub->setAttribute(Qt::WA_DeleteOnClose, false);
  const QString caption = FromCp1251(entry.caption.empty() ? entry.itemTitle : entry.caption);
  window->setWindowTitle(caption);
  sub->setWindowTitle(caption);
  window->SetHidden(true);
  sub->hide();
  windows_.push_back(window);
  connect(window, &TF_Table::statusText, cellPanel_, &QLabel::setText);
  connect(window, &TF_Table::inputLimited, hintPanel_, &QLabel::setText);
  connect(window, &TF_Table::modifiedChanged, this, [this] { RefreshTableActions(); });
  connect(window, &TF_Table::activated, this, [this] { RefreshTableActions(); });
  connect(window, &TF_Table::closing, this, [this, window] { TableClosing(window); });
  connect(window, &TF_Table::listRequested, this, [this, window] { ListRequested(window); });
  connect(window, &TF_Table::popupRequested, this, [this](const QPoint& at) {
    if (PreparePopup()) popup_->popup(at);
  });
}

void TMainForm::StateChanged(const TReportState& s) {
  // The windows' icons show the lights in the report's scheme.
  SetLightScheme(s.colorScheme().kind);
  if (!s.loading()) {
    const auto& tables = s.tables();
    bool same = tables.size() == windows_.size();
    for (std::size_t i = 0; same && i < tables.size(); ++i) same = &windows_[i]->table() == tables[i].table.get();
    if (!same) {
      CloseAllTables();
      for (const TReportTable& t : tables) CreateTableWindow(t);
      // A newly loaded report shows headers and footers again.
      if (!windows_.empty() && s.headerFooterViews) {
        commands_[TableCommand::ViewHeader1]->setChecked(true);
        commands_[TableCommand::ViewFootter1]->setChecked(true);
      }
    }
  }
  UpdateCaption();
  setEnabled(s.tablesFrameEnabled && !windows_.empty());
  RefreshTableActions();
}

void TMainForm::TablesClosing() { CloseAllTables(); }

void TMainForm::MinimiseTablesFrame() {
  if (isVisible()) {
    showMinimized();
    hide();
  }
}

void TMainForm::CloseAllTables() {
  if (windows_.empty()) return;
  if (listWindow_ && listWindow_->isVisible()) listWindow_->close();
  CloseProtocol();
  closing_ = true;
  DestroyTableWindows();
  closing_ = false;
  cellPanel_->clear();
  RefreshTableActions();
}

TF_Table* TMainForm::FindTable(const std::string& path) const {
  const std::string wanted = Utf8ToCp1251(path);
  for (TF_Table* w : windows_)
    if (SameText(Utf8ToCp1251(w->table().filePath), wanted)) return w;
  return nullptr;
}

TF_Table* TMainForm::ActiveTable() const {
  QMdiSubWindow* sub = mdi_->activeSubWindow();
  if (!sub) sub = mdi_->currentSubWindow();
  auto* w = sub ? qobject_cast<TF_Table*>(sub->widget()) : nullptr;
  return w && !w->Hidden() ? w : nullptr;
}

int TMainForm::ActiveIndex() const {
  const TF_Table* active = ActiveTable();
  for (std::size_t i = 0; i < windows_.size(); ++i)
    if (windows_[i] == active) return static_cast<int>(i);
  return -1;
}

QAction* TMainForm::Command(const QString& name) const { return commands_.Named(name); }

QMenu* TMainForm::MenuNamed(const QString& name) const { return commands_.NamedMenu(name); }

// --- actions on the active table ---------------------------------------------------------------

void TMainForm::OnActive(const std::function<void(TF_Table&, TTable&)>& action, bool focus) {
  TF_Table* w = ActiveTable();
  if (!w || !state()) return;
  try {
    action(*w, w->table());
  } catch (const std::exception& e) {
    state()->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
  }
  w->RefreshCells();
  RefreshTableActions();
  if (focus) FocusData(w);
}

void TMainForm::OnRow(const std::function<bool(TTable&, int)>& command, RowView view, bool busy,
                      bool replacesCells, UndoRecord undo) {
  TF_Table* w = ActiveTable();
  if (!w || !state()) return;
  const int row = w->CurrentRow();
  // The edit in progress is a step of its own, before the rows change.
  w->EditorExit();
  w->HideEditors();
  std::optional<TableRowsState> before;
  if (undo == UndoRecord::Step) before = CaptureRows(w->table());
  // Remembered by identity: the command may destroy the cell, and a new one
  // may take its address.
  const std::uint64_t keep = w->CurrentCell() ? w->CurrentCell()->id() : 0;
  w->SetCurrentCell(nullptr, false);
  bool done = false;
  {
    std::optional<BusyPointer> hourglass;
    if (busy) hourglass.emplace();
    try {
      done = command(w->table(), row);
    } catch (const std::exception& e) {
      hourglass.reset();
      state()->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
    }
  }
  if (done && before) w->UndoSteps().RecordRows(w->table(), std::move(*before));
  if (done && undo == UndoRecord::Forget) w->UndoSteps().Clear();
  if (TCell* kept = FindCell(w->table(), keep); kept && !(done && replacesCells)) w->SetCurrentCell(kept, false);
  // The data area takes its new size first, then the view moves.
  w->RefreshCells();
  if (done && view == RowView::NewRow) {
    if (const TCell* first = GetCell(w->table().data, 1, row + 1)) w->ScrollToCell(*first);
  } else if (done && view == RowView::Top) {
    w->DataArea()->verticalScrollBar()->setValue(0);
    w->AlignSections();
  }
  RefreshTableActions();
  FocusData(w);
}

void TMainForm::ListRequested(TF_Table* window) {
  TReportState* s = state();
  if (!s || !listWindow_) return;
  if (listWindow_->isVisible()) {
    listWindow_->close();
    return;
  }
  TCell* cell = window->CurrentCell();
  if (!cell) return;
  const std::string path = ListPathOf(s->folders().lists, *cell);
  {
    const auto list = path.empty() ? nullptr : TListFile::Load(path);
    if (!list || list->level1Count <= 0) {
      s->ui().ShowMessage(MessageKind::Warning, "Список пуст. Вводите данные самостоятельно."_w, kOk, kOk);
      return;
    }
  }
  const QRect r = window->CellRect(*cell);
  bool picked = false;
  const auto connection = connect(listWindow_, &TFormList::picked, this, [&picked] { picked = true; });
  listWindow_->ShowFor(path, window->table(), *cell, QRect(window->mapToGlobal(r.topLeft()), r.size()));
  disconnect(connection);
  // The filled cells' row fits their texts, as after typing.
  if (picked) window->EditorExit();
  window->RefreshCells();
  window->ListClosed();
}

// --- window actions --------------------------------------------------------------------------

void TMainForm::Optimize(TF_Table* window) {
  QMdiSubWindow* sub = SubWindowOf(window);
  if (!window || !sub) return;
  sub->setWindowFlags(sub->windowFlags() & ~Qt::MSWindowsFixedSizeDialogHint);
  sub->showNormal();
  sub->move(0, 0);
  window->FitWindow();
}

TF_Table* TMainForm::NeighbourTable(TF_Table* window) const {
  const auto it = std::find(windows_.begin(), windows_.end(), window);
  if (it == windows_.end()) return nullptr;
  for (auto after = it + 1; after != windows_.end(); ++after)
    if (!(*after)->Hidden()) return *after;
  for (auto before = it; before != windows_.begin();)
    if (!(*--before)->Hidden()) return *before;
  return nullptr;
}

void TMainForm::MinimizeAll() {
  CloseProtocol();
  for (TF_Table* w : windows_) {
    if (w->Hidden()) continue;
    if (QMdiSubWindow* sub = SubWindowOf(w)) sub->showNormal();
    w->SetHidden(true);
  }
  RefreshTableActions();
}

void TMainForm::MaximizeAll() {
  for (TF_Table* w : windows_)
    if (w->Hidden()) w->SetHidden(false);
  RefreshTableActions();
}

void TMainForm::HideAllWithoutActive() {
  TF_Table* active = ActiveTable();
  for (TF_Table* w : windows_) {
    if (w == active || w->Hidden()) continue;
    if (QMdiSubWindow* sub = SubWindowOf(w)) sub->showNormal();
    w->SetHidden(true);
  }
  RefreshTableActions();
}

void TMainForm::OptimizeAll() {
  for (TF_Table* w : windows_)
    if (!w->Hidden()) Optimize(w);
  RefreshTableActions();
}

void TMainForm::GoToTable(int index) {
  if (TF_Table* active = ActiveTable()) active->HideEditors();
  if (index < 0 || index >= static_cast<int>(windows_.size())) index = 0;
  if (windows_.empty()) return;
  MinimizeAll();
  TF_Table* w = windows_[static_cast<std::size_t>(index)];
  w->SetHidden(false);
  if (QMdiSubWindow* sub = SubWindowOf(w)) {
    sub->showNormal();
    sub->move(0, 0);
    sub->raise();
    mdi_->setActiveSubWindow(sub);
  }
  RefreshTableActions();
}

bool TMainForm::OpenTable(std::string_view fileCp1251) {
  TReportState* s = state();
  if (!s) return false;
  std::size_t index = 0;
  for (; index < s->tables().size(); ++index)
    if (SameText(s->tables()[index].file, fileCp1251)) break;
  if (index >= windows_.size()) return false;
  TF_Table* w = windows_[index];
  // The first opening of a run takes the placement the frame had when the
  // program last ended; without one it opens maximised, over the whole work
  // area with its title bar on the screen.
  if (!placement_.isValid()) {
    placementMaximized_ = true;
    if (const auto saved = ReadPlacement(s->folders().program, kPlacementSection)) {
      placement_ = saved->normal;
      placementMaximized_ = saved->maximized;
    }
  }
  const bool maximized = placementMaximized_;
  if (placement_.isValid()) ApplyPlacement(*this, {placement_, false});
  setEnabled(s->tablesFrameEnabled);
  if (maximized) {
    showMaximized();
  } else {
    showNormal();
    KeepOnScreen(*this);
  }
  raise();
  activateWindow();
  w->SetHidden(false);
  if (QMdiSubWindow* sub = SubWindowOf(w)) {
    sub->raise();
    mdi_->setActiveSubWindow(sub);
  }
  UpdateCaption();
  RefreshTableActions();
  return true;
}

void TMainForm::ShowStruct() {
  CloseProtocol();
  if (selectTab_) selectTab_->exec();
  RefreshTableActions();
}

void TMainForm::CloseActive() {
  if (TF_Table* w = ActiveTable()) TableClosing(w);
  RefreshTableActions();
}

void TMainForm::TableClosing(TF_Table* window) {
  CloseProtocol();
  window->HideEditors();
  TF_Table* neighbour = NeighbourTable(window);
  window->SetHidden(true);
  if (neighbour) {
    if (QMdiSubWindow* sub = SubWindowOf(neighbour)) {
      sub->raise();
      mdi_->setActiveSubWindow(sub);
    }
  } else {
    CloseFrame();
  }
  RefreshTableActions();
}

void TMainForm::CloseFrame() {
  if (closing_) return;
  closing_ = true;
  if (isVisible()) {
    placement_ = normalGeometry().isValid() ? normalGeometry() : geometry();
    placementMaximized_ = isMaximized();
    if (TReportState* s = state()) WritePlacement(s->folders().program, kPlacementSection, *this);
  }
  if (TF_Table* active = ActiveTable()) active->HideEditors();
  CloseProtocol();
  QCoreApplication::processEvents();
  if (TReportState* s = state(); s && !windows_.empty()) {
    s->RecalcAllTables();
    s->RefreshStatuses();
  }
  showMinimized();
  hide();
  closing_ = false;
  if (structure_) {
    structure_->SetExitMode(true);
    structure_->BringToFront();
    structure_->UpdateLights();
    structure_->UpdateStates();
  }
  emit frameClosed();
}

void TMainForm::ApplyColors() {
  for (TF_Table* w : windows_) w->ApplyColors();
}

void TMainForm::ApplyFont() {
  for (TF_Table* w : windows_) w->ApplyFont();
  RefreshTableActions();
}

void TMainForm::SetHeaderView(bool on) {
  if (headerShown_ == on) return;
  headerShown_ = on;
  for (TF_Table* w : windows_) w->SetHeaderVisible(on);
}

void TMainForm::SetFooterView(bool on) {
  if (footerShown_ == on) return;
  footerShown_ = on;
  for (TF_Table* w : windows_) w->SetFooterVisible(on);
}

void TMainForm::FillWindowMenu() {
  for (QAction* a : windowListItems_) {
    windowMenu_->removeAction(a);
    a->deleteLater();
  }
  windowListItems_.clear();
  const TF_Table* active = ActiveTable();
  int n = 0;
  // Every table window of the report, hidden ones too: choosing a hidden
  // one shows it beside the others.
  for (TF_Table* w : windows_) {
    QAction* a = windowMenu_->addAction(QString("&%1 %2").arg(++n).arg(w->windowTitle()));
    a->setCheckable(true);
    a->setChecked(w == active);
    connect(a, &QAction::triggered, this, [this, w] {
      if (w->Hidden()) w->SetHidden(false);
      if (QMdiSubWindow* sub = SubWindowOf(w)) {
        sub->raise();
        mdi_->setActiveSubWindow(sub);
      }
      RefreshTableActions();
    });
    windowListItems_.push_back(a);
  }
  windowListSeparator_->setVisible(n > 0);
}

void TMainForm::UpdateCaption() {
  const TReportState* s = state();
  if (!s || !s->treeVisible) {
    setWindowTitle(FromCp1251("Таблицы отчета"_w));
    return;
  }
  setWindowTitle(FromCp1251(ReportWord(s->isSubreport, true)) + ": " + QString::fromStdString(s->currentFolder));
}

// --- services --------------------------------------------------------------------------------

void TMainForm::Calculator() {
  TReportState* s = state();
  if (!s) return;
  const std::string program = FindCalculator();
  if (program.empty() || !s->ui().StartProgram(program, {}))
    s->ui().ShowMessage(MessageKind::Information, CalculatorMissingText(), kOk, kOk);
}

TFormInstruction& TMainForm::Instruction() {
  if (!instruction_) {
    instruction_ = new TFormInstruction(this);
    // Closed: the keyboard goes back to the table it was opened for.
    connect(instruction_, &QDialog::finished, this, [this] { FocusData(ActiveTable()); });
  }
  return *instruction_;
}

void TMainForm::Help(int topic) {
  if (TReportState* s = state()) ShowHelp(s->ui(), s->folders(), topic);
}

void TMainForm::SubreportData() {
  TF_Table* w = ActiveTable();
  TReportState* s = state();
  if (!w || !s) return;
  TCell* cell = w->CurrentCell();
  if (!cell || (cell->type != cell_type::kInteger && cell->type != cell_type::kReal)) return;
  CompositionSource source = CompositionSourceOf(*s);
  if (source.storedFolders.empty()) return;
  w->HideEditors();
  std::unique_ptr<TFormSRData> window;
  try {
    window = std::make_unique<TFormSRData>(
        std::make_unique<TSubreportComposition>(w->table(), *cell, std::move(source), s->ui()), s->ui(), this);
  } catch (const std::exception& e) {
    s->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
    return;
  }
  const std::uint64_t kept = cell->id();
  if (runComposition)
    runComposition(*window);
  else
    window->exec();
  window.reset();
  // A corrected report value has been stored and its table recalculated.
  if (TCell* again = FindCell(w->table(), kept)) w->SetCurrentCell(again, false);
  w->RefreshCells();
  RefreshTableActions();
  FocusData(w);
}

void TMainForm::CloseProtocol() {
  if (checks::TableChecker* checker = Checker(); checker && checker->protocolView().showing) checker->CloseProtocol();
}

// --- the checker's news ------------------------------------------------------------------------

void TMainForm::TableStatusChanged(TTable& table, std::uint8_t status) {
  for (TF_Table* w : windows_)
    if (&w->table() == &table) w->SetStatus(status);
  if (structure_) structure_->UpdateLights();
}

void TMainForm::CheckActionEnabled(TTable&, bool) { RefreshTableActions(); }

// --- window events -----------------------------------------------------------------------------

bool TMainForm::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    hintPanel_->setText(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QMainWindow::event(event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  event->ignore();
  CloseFrame();
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow())
    FocusData(ActiveTable());
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  // The protocol going while it has the keyboard: the keyboard goes back to
  // the active table before the toolkit passes it on to the next widget of
  // the frame, which may lie in another table's window and activate it.
  if (watched == protocolDock_ && event->type() == QEvent::Hide) {
    if (QWidget* focus = QApplication::focusWidget(); focus && protocolDock_->isAncestorOf(focus))
      if (TF_Table* active = ActiveTable()) active->TakeKeyboard();
  }
  // The room of the tables changed (the protocol came or went): the shown
  // windows fit it again.
  if (watched == mdi_->viewport() && event->type() == QEvent::Resize && !closing_)
    for (TF_Table* w : windows_)
      if (!w->Hidden()) w->FitWindow();
  // The wheel anywhere over the frame, table windows included, gives the
  // keyboard to the active table's data area, which scrolls from then on.
  // The table under the pointer still takes this event itself. The docked
  // protocol is a window of its own and keeps its wheel.
  if (event->type() == QEvent::Wheel) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->window() == this && !protocolDock_->isAncestorOf(widget))
      if (TF_Table* active = ActiveTable()) active->DataArea()->setFocus();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (closing_) return;
  for (TF_Table* w : windows_)
    if (!w->Hidden()) Optimize(w);
}

}  // namespace rpt::gui
