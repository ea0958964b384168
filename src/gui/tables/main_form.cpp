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

#include "core/app/startup.h"
#include "core/calc/checking_engine.h"
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
#include "core/tables/instructions.h"
#include "core/tables/row_operations.h"
#include "gui/calc/protocol_window.h"
#include "gui/foundation/commands.h"
#include "gui/foundation/help.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_text.h"
#include "gui/foundation/window_placement.h"
#include "gui/lists/list_window.h"
#include "gui/print/table_print.h"
#include "gui/report/select_tab.h"
#include "gui/report/structure_window.h"
#include "gui/subreports/composition_window.h"
#include "gui/tables/instruction_window.h"
#include "gui/tables/row_dialogs.h"
#include "gui/tables/table_window.h"

namespace rpt::gui {

using namespace literals;

namespace {

// The frame's section of "History.ini".
constexpr char kPlacementSection[] = "TMainForm";

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Whether a cell still belongs to the table (row operations and reloads
// destroy cells).
bool CellInTable(const TTable& table, const TCell* cell) {
  if (!cell) return false;
  for (const TNoDataSect* section :
       {static_cast<const TNoDataSect*>(&table.header), static_cast<const TNoDataSect*>(&table.top),
        static_cast<const TNoDataSect*>(&table.footer)})
    for (const auto& c : section->cells)
      if (c.get() == cell) return true;
  for (const auto& row : table.data.rows)
    for (const auto& c : row->cells)
      if (c.get() == cell) return true;
  return false;
}

// The keyboard focus back to a table window: to the editor open over its
// current cell, else to its data area.
void FocusData(TF_Table* window) {
  if (window) window->FocusCurrent();
}

// The hourglass over the program while a command works.
struct BusyPointer {
  BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyPointer() { QApplication::restoreOverrideCursor(); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
};

// The sort dialog's answer decides what happens to the window: a choice
// of columns closes the check protocol and puts up the hourglass until the
// rows stand in their new order; a cancel or an empty choice leaves both.
class SortingDialogs : public RowDialogs {
 public:
  SortingDialogs(RowDialogs& inner, std::function<void()> beforeSort)
      : inner_(inner), beforeSort_(std::move(beforeSort)) {}
  bool RowCount(RowCountSpin& spin) override { return inner_.RowCount(spin); }
  std::optional<std::vector<std::string>> SortColumns(const std::vector<std::string>& available) override {
    auto chosen = inner_.SortColumns(available);
    if (chosen && !chosen->empty()) {
      beforeSort_();
      hourglass_.emplace();
    }
    return chosen;
  }

 private:
  RowDialogs& inner_;
  std::function<void()> beforeSort_;
  std::optional<BusyPointer> hourglass_;
};

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
  auto* engine = dynamic_cast<TCheckingEngine*>(&s->engine());
  return engine ? &engine->checker() : nullptr;
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
      // The first cell the message names comes into view.
      if (!checker || checker->protocolView().highlighted.empty()) continue;
      const checks::HighlightAddress& a = checker->protocolView().highlighted.front();
      const TCell* cell = a.number > 0 ? CellByNumber(table->data, a.number) : GetCell(table->data, a.col, a.row);
      if (cell) w->ScrollToCell(*cell);
    }
  });
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

QAction* TMainForm::AddCommand(const char* name, const char* caption, const char* hint, const char* key) {
  QAction* action = NewCommand(this, name, caption, hint, key);
  commands_[action->objectName()] = action;
  return action;
}

QMenu* TMainForm::AddMenu(QMenu* parent, const char* name, const char* caption, const char* hint) {
  QMenu* menu = NewMenu(menuBar(), parent, name, caption, hint);
  menus_[menu->objectName()] = menu;
  return menu;
}

// A second face of a command (menu bar, a menu or tool button with its own
// caption or hint): triggers the command; follows its enabled state unless
// the rules set it on its own.
QAction* TMainForm::MenuItem(QAction* command, const char* name, const char* caption, const char* hint,
                             bool forward) {
  auto* item = new QAction(caption ? U(caption) : command->text(), this);
  item->setObjectName(U(name));
  item->setToolTip(command->toolTip());
  item->setStatusTip(command->statusTip());
  if (hint) SetHint(item, U(hint));
  item->setIcon(command->icon());
  if (forward) connect(item, &QAction::triggered, command, &QAction::trigger);
  commands_[item->objectName()] = item;
  return item;
}

void TMainForm::BuildCommands() {
  AddCommand("FileOpen1", "Открыть ...", "Открыть|Открыть другой документ", "Ctrl+O");
  AddCommand("ShowStruct", "Открыть ...", "Открыть|Показать дерево структуры отчета для выбора документа")
      ->setIcon(LetterGlyph("O", QColor(0x3a, 0x7b, 0xc8)));
  AddCommand("FileSave1", "Сохранить", "Сохранить|Сохранить активный документ", "Ctrl+S")
      ->setIcon(LetterGlyph("S", QColor(0x2f, 0x8f, 0x4e)));
  AddCommand("FileClose1", "Закрыть", "Закрыть|Свернуть активный документ");
  AddCommand("FileExit1", "Выход", "Выход|Свернуть окно документов");
  AddCommand("WindowCascade1", "Каскад", "Каскад|Расположить окна документов каскадом")
      ->setIcon(LetterGlyph("K", QColor(0x70, 0x70, 0x80)));
  AddCommand("WindowMinimizeAll1", "Свернуть все", "Свернуть все документы");
  AddCommand("WindowMaximizeAll1", "Развернуть все", "Открыть все документы");
  AddCommand("HideAllWithoutActive", "Оставить активное", "|Закрыть все окна, кроме активного");
  AddCommand("WindowOptimizeAll1", "Оптимизировать все", "Установить оптимальные размеры всех видимых документов");
  AddCommand("WindowOptimize", "Оптимизировать", "Установить оптимальные размеры активного документа");
  QAction* header = AddCommand("ViewHeader1", "Заголовок", "Видимость заголовка|Показывать или скрыть заголовок таблиц");
  header->setCheckable(true);
  header->setChecked(true);
  QAction* footer = AddCommand("ViewFootter1", "Подпись", "Видимость подписи");
  footer->setCheckable(true);
  footer->setChecked(true);
  AddCommand("CalcTable", "Пересчет", "Пересчет|Пересчет формул активного документа")
      ->setIcon(LetterGlyph("=", QColor(0x8a, 0x4f, 0xb5)));
  AddCommand("FillZeros", "Заполнить нулями",
             "Заполнить нулями|Заполнить нулями все числовые ячейки активного документа")
      ->setIcon(LetterGlyph("0", QColor(0x5c, 0x6b, 0x7a)));
  AddCommand("CheckTable", "Проверка", "Проверка|Проверка корректности заполнения активного документа")
      ->setIcon(LetterGlyph("\u2713", QColor(0xc0, 0x3a, 0x2b)));
  AddCommand("LoardClearTable", "Загрузить чистую таблицу", "Заменить на чистую таблицу");
  AddCommand("LoardLastEdition", "Взять последнюю редакцию", "Заменить на последний сохраненный вариант");
  AddCommand("DelEmptyRows", "Удалить пустые строки",
             "Удалить пустые строки|Удалить не заполненные данными строки активного документа")
      ->setIcon(LetterGlyph("\u2212", QColor(0xb0, 0x60, 0x20)));
  AddCommand("SortRows", "Сортировка", "Сортировка|Сортировка строк активного документа")
      ->setIcon(LetterGlyph("A\u2193", QColor(0x2c, 0x7f, 0x8f)));
  AddCommand("CellsHeight", "Размер ячеек", "Размер ячеек|Автоматический подбор высоты ячеек")
      ->setIcon(LetterGlyph("\u2195", QColor(0x55, 0x75, 0x30)));
  AddCommand("PrintTable", "Печать", "Печать|Печать активного документа", "Ctrl+P")
      ->setIcon(LetterGlyph("P", QColor(0x40, 0x40, 0x48)));
  AddCommand("FirstTab", "Первая таблица", "Первая таблица")->setIcon(LetterGlyph("|\u25c0", QColor(0x3a, 0x7b, 0xc8)));
  AddCommand("PrevTab", "Предыдущая таблица", "Предыдущая таблица")->setIcon(LetterGlyph("\u25c0", QColor(0x3a, 0x7b, 0xc8)));
  AddCommand("NextTab", "Следующая таблица", "Следующая таблица")->setIcon(LetterGlyph("\u25b6", QColor(0x3a, 0x7b, 0xc8)));
  AddCommand("LastTab", "Последняя таблица", "Последняя таблица")->setIcon(LetterGlyph("\u25b6|", QColor(0x3a, 0x7b, 0xc8)));
  AddCommand("WinCalc", "Калькулятор", "Вызов калькулятора")->setIcon(LetterGlyph("+", QColor(0x60, 0x60, 0x60)));
  AddCommand("TabInstruct", "Инструкция", "Инструкция по заполнению таблицы")
      ->setIcon(LetterGlyph("i", QColor(0x2f, 0x6f, 0xb0)));
  AddCommand("KeyBoardInstr", "Клавиатура", "Клавиатура|Инструкция по использованию клавиатуры")
      ->setIcon(LetterGlyph("\u2328", QColor(0x50, 0x50, 0x70)));
  AddCommand("HelpAbout1", "О программе ...", "О программе|Вывод основных сведений о программе");
  AddCommand("HelpContents", "Содержание", "|Оглавление справочника системы");
  AddCommand("HelpTool", "Справка", "Справка|Справочная система")->setIcon(LetterGlyph("?", QColor(0x2f, 0x6f, 0xb0)));
}

void TMainForm::BuildMenus() {
  QMenu* documents = AddMenu(nullptr, "MenuDocuments", "Документы", "Выполнение операций с документами отчета");
  documents->addAction(commands_["FileOpen1"]);
  documents->addAction(commands_["FileClose1"]);
  documents->addAction(commands_["FileSave1"]);
  documents->addSeparator();
  documents->addAction(commands_["FileExit1"]);

  QMenu* table = AddMenu(nullptr, "MenuTable", "Таблица", "");
  table->addAction(commands_["CalcTable"]);
  table->addAction(commands_["SortRows"]);
  table->addSeparator();
  QMenu* reload = AddMenu(table, "MenuReload", "Обновление", "|Заменить таблицу чистой таблицей");
  reload->addAction(commands_["LoardClearTable"]);
  reload->addAction(commands_["LoardLastEdition"]);
  table->addAction(commands_["DelEmptyRows"]);
  table->addAction(MenuItem(commands_["CellsHeight"], "CellsHeightMenu", "Высота строк",
                            "Высота строк|Автоматический подбор высоты ячеек"));
  table->addSeparator();
  table->addAction(commands_["FillZeros"]);
  table->addSeparator();
  for (const char* name : {"FirstTab", "PrevTab", "NextTab", "LastTab"}) table->addAction(commands_[name]);

  // Items of the menu bar itself: the caption only, no glyph.
  QAction* check = MenuItem(commands_["CheckTable"], "CheckTableOnMenuBar");
  check->setIcon(QIcon());
  menuBar()->addAction(check);
  QMenu* print = AddMenu(nullptr, "MenuPrint", "Печать", "Печать|Печать активного документа");
  print->addAction(commands_["PrintTable"]);
  QAction* calc = MenuItem(commands_["WinCalc"], "WinCalcOnMenuBar");
  calc->setIcon(QIcon());
  menuBar()->addAction(calc);

  QMenu* view = AddMenu(nullptr, "MenuView", "Вид", "Видимость отдельных элементов документов");
  view->addAction(commands_["ViewHeader1"]);
  view->addAction(commands_["ViewFootter1"]);

  windowMenu_ = AddMenu(nullptr, "MenuWindows", "Окна", "Операции с окнами документов");
  // These two items have enabled rules of their own: they act themselves.
  windowMenu_->addAction(MenuItem(commands_["WindowCascade1"], "WindowCascadeMenu", nullptr, nullptr, false));
  windowMenu_->addAction(MenuItem(commands_["WindowMinimizeAll1"], "WindowMinimizeAllMenu", nullptr, nullptr, false));
  windowMenu_->addAction(commands_["HideAllWithoutActive"]);
  windowMenu_->addAction(commands_["WindowMaximizeAll1"]);
  windowMenu_->addAction(commands_["WindowOptimizeAll1"]);
  windowMenu_->addAction(commands_["WindowOptimize"]);
  windowListSeparator_ = windowMenu_->addSeparator();
  connect(windowMenu_, &QMenu::aboutToShow, this, [this] { FillWindowMenu(); });

  QMenu* help = AddMenu(nullptr, "MenuHelp", "Справка", "Справочник системы");
  help->addAction(commands_["TabInstruct"]);
  help->addAction(commands_["KeyBoardInstr"]);
  help->addAction(commands_["HelpContents"]);
  help->addSeparator();
  help->addAction(commands_["HelpAbout1"]);

  AddMenuBarKey(this);

  // The menu bar's items carry no glyphs: the tool bar has them.
  for (QMenu* menu : {documents, table, reload, print, view, windowMenu_, help})
    for (QAction* a : menu->actions()) a->setIconVisibleInMenu(false);
}

void TMainForm::BuildToolBar() {
  toolBar_ = addToolBar(QString());
  toolBar_->setObjectName("ToolBar1");
  toolBar_->setMovable(false);
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->addAction(commands_["ShowStruct"]);
  toolBar_->addAction(commands_["FileSave1"]);
  toolBar_->addSeparator();
  for (const char* name : {"SortRows", "CalcTable", "FillZeros", "CheckTable"}) toolBar_->addAction(commands_[name]);
  toolBar_->addSeparator();
  auto* reloadMenu = new QMenu(this);
  reloadMenu->addAction(commands_["LoardClearTable"]);
  reloadMenu->addAction(commands_["LoardLastEdition"]);
  QAction* reload = AddCommand("ReloadButton", "Обновить", "Обновить|Заменить заполненную таблицу чистой таблицей");
  reload->setIcon(LetterGlyph("\u21bb", QColor(0x2c, 0x7f, 0x8f)));
  reload->setMenu(reloadMenu);
  toolBar_->addAction(reload);
  if (auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(reload)))
    button->setPopupMode(QToolButton::InstantPopup);
  toolBar_->addAction(commands_["DelEmptyRows"]);
  toolBar_->addAction(MenuItem(commands_["CellsHeight"], "CellsHeightTool", "Высота строк",
                               "Высота строк|Автоматический подбор высоты ячеек"));
  toolBar_->addSeparator();
  toolBar_->addAction(commands_["PrintTable"]);
  toolBar_->addSeparator();
  for (const char* name : {"FirstTab", "PrevTab", "NextTab", "LastTab"}) toolBar_->addAction(commands_[name]);
  toolBar_->addSeparator();
  toolBar_->addAction(commands_["WinCalc"]);
  toolBar_->addSeparator();
  QAction* cascade = MenuItem(commands_["WindowCascade1"], "WindowCascadeTool");
  toolBar_->addAction(cascade);
  cascade->setVisible(false);
  toolBar_->addSeparator()->setVisible(false);
  toolBar_->addAction(commands_["TabInstruct"]);
  toolBar_->addAction(commands_["KeyBoardInstr"]);
  toolBar_->addAction(commands_["HelpTool"]);
  toolBar_->setContextMenuPolicy(Qt::CustomContextMenu);
}

void TMainForm::BuildStatusBar() {
  hintPanel_ = new QLabel(this);
  hintPanel_->setObjectName("StatusPanel1");
  hintPanel_->setMinimumWidth(200);
  cellPanel_ = new QLabel(this);
  cellPanel_->setObjectName("StatusPanel2");
  cellPanel_->setMinimumWidth(140);
  statusBar()->addWidget(hintPanel_, 1);
  statusBar()->addWidget(cellPanel_, 0);
  statusBar()->setContextMenuPolicy(Qt::CustomContextMenu);
  // The tool bar and the status bar share one menu with "Справка".
  auto* barMenu = new QMenu(this);
  barMenu->setObjectName("BarPopup");
  QAction* help = barMenu->addAction(FromCp1251("Справка"_w));
  connect(help, &QAction::triggered, this, [this] { Help(5); });
  for (QWidget* bar : {static_cast<QWidget*>(toolBar_), static_cast<QWidget*>(statusBar())})
    connect(bar, &QWidget::customContextMenuRequested, this,
            [barMenu, bar](const QPoint& pos) { barMenu->popup(bar->mapToGlobal(pos)); });
  menus_["BarPopup"] = barMenu;
}

void TMainForm::BuildPopup() {
  popup_ = new QMenu(this);
  popup_->setObjectName("PopupMenu1");
  menus_["PopupMenu1"] = popup_;
  auto item = [this](QMenu* menu, const char* name, const char* caption, const char* hint) {
    QAction* a = AddCommand(name, caption, hint);
    menu->addAction(a);
    return a;
  };
  item(popup_, "CopyRow", "Копировать строку", "|Скопировать текущую строку в буфер");
  QMenu* insert = AddMenu(popup_, "InsertRow", "Вставить строку", "|Вставить новую строку после текущей");
  insert->menuAction()->setEnabled(false);
  item(insert, "InsertEmptyRow", "Пустую", "|Вставить пустую строку после текущей");
  item(insert, "InsertBufferRow", "Из буфера", "|Вставить строку из буфера после текущей");
  item(insert, "InsertCopyRow", "Копию текущей", "|Вставить копию текущей строки");
  item(popup_, "CutRow", "Вырезать строку", "");
  item(popup_, "ClearRow", "Очистить строку", "");
  item(popup_, "DeleteRow", "Удалить строку", "");
  popup_->addSeparator();
  item(popup_, "InsertList", "Вставить весь список", "");
  item(popup_, "InsertNRows", "Вставить N пустых строк", "|Вставить пустые строки после текущей");
  popup_->addAction(MenuItem(commands_["DelEmptyRows"], "DelEmptyRowsPopup"));
  popup_->addSeparator();
  item(popup_, "SubrepData", "Данные из подотчетов", "");
  popup_->addSeparator();
  item(popup_, "PopupHelp", "Справка", "");
  for (QAction* a : popup_->actions()) a->setIconVisibleInMenu(false);
}

void TMainForm::ConnectCommands() {
  auto on = [this](const char* name, std::function<void()> f) {
    connect(commands_[U(name)], &QAction::triggered, this, [f = std::move(f)] { f(); });
  };
  on("FileOpen1", [this] { ShowStruct(); });
  on("ShowStruct", [this] { ShowStruct(); });
  on("FileSave1", [this] {
    OnActive(
        [this](TF_Table& w, TTable& t) {
          w.HideEditors();
          try {
            t.SaveToFile(t.filePath, true);
          } catch (const std::exception& e) {
            state()->ui().ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
          }
        },
        false);
  });
  on("FileClose1", [this] { CloseActive(); });
  on("FileExit1", [this] { CloseFrame(); });
  for (const char* cascade : {"WindowCascade1", "WindowCascadeMenu"})
    on(cascade, [this] {
      mdi_->cascadeSubWindows();
      RefreshTableActions();
    });
  on("WindowMinimizeAll1", [this] { MinimizeAll(); });
  on("WindowMinimizeAllMenu", [this] { MinimizeAll(); });
  on("WindowMaximizeAll1", [this] { MaximizeAll(); });
  on("HideAllWithoutActive", [this] { HideAllWithoutActive(); });
  on("WindowOptimizeAll1", [this] { OptimizeAll(); });
  on("WindowOptimize", [this] {
    if (TF_Table* w = ActiveTable()) Optimize(w);
    RefreshTableActions();
  });
  connect(commands_["ViewHeader1"], &QAction::toggled, this, [this](bool on) { SetHeaderView(on); });
  connect(commands_["ViewFootter1"], &QAction::toggled, this, [this](bool on) { SetFooterView(on); });
  on("CalcTable", [this] {
    OnActive([](TF_Table& w, TTable& t) {
      w.HideEditors();
      t.hooks().RecalcTable(t, true, true);
    });
  });
  on("FillZeros", [this] {
    OnActive([](TF_Table& w, TTable& t) {
      w.HideEditors();
      FillZeros(t);
    });
  });
  on("CheckTable", [this] {
    OnActive([this](TF_Table&, TTable& t) {
      if (checks::TableChecker* checker = Checker()) checker->CheckTableAction(t);
    });
  });
  on("LoardClearTable", [this] {
    OnRow([](TTable& t, int) { return t.ReloadCleanTable(); }, RowView::Stay, false, true);
  });
  on("LoardLastEdition", [this] {
    OnRow([](TTable& t, int) { return t.ReloadLastEdition(); }, RowView::Stay, false, true);
  });
  on("DelEmptyRows", [this] {
    OnRow(
        [this](TTable& t, int) {
          if (state()->ui().ShowMessage(MessageKind::Warning, DeleteEmptyRowsQuestion(), kYes | kNo) != kYes)
            return false;
          BusyPointer hourglass;
          DeleteEmptyRows(t);
          // Confirmed: the view goes to the top whether or not rows went.
          return true;
        },
        RowView::Top);
  });
  on("SortRows", [this] {
    TF_Table* w = ActiveTable();
    if (!w) return;
    // The rows are not painted while they change places.
    QWidget* data = w->DataArea();
    OnRow([this, data](TTable& t, int) {
      SortingDialogs dialogs(Dialogs(), [this, data] {
        CloseProtocol();
        data->setUpdatesEnabled(false);
      });
      const bool sorted = SortRowsCommand(t, &state()->ui(), dialogs);
      data->setUpdatesEnabled(true);
      return sorted;
    });
  });
  on("CellsHeight", [this] {
    OnActive(
        [this](TF_Table& w, TTable& t) {
          w.HideEditors();
          setEnabled(false);
          w.setEnabled(false);
          if (t.Fixed && t.RowCount > 0) w.DataArea()->verticalScrollBar()->setValue(0);
          FitRowHeights(t);
          w.setEnabled(true);
          setEnabled(true);
        },
        false);
  });
  on("PrintTable", [this] {
    TF_Table* window = ActiveTable();
    TReportState* s = state();
    if (!window || !s) return;
    window->AlignSections();
    TPrintForm& form = TPrintForm::Instance();
    form.SetInteraction(&s->ui());
    form.SetOwner(this);
    form.PrepareTable(window->table(), true);
  });
  on("FirstTab", [this] { GoToTable(0); });
  on("PrevTab", [this] { GoToTable(ActiveIndex() - 1); });
  on("NextTab", [this] { GoToTable(ActiveIndex() + 1); });
  on("LastTab", [this] { GoToTable(static_cast<int>(windows_.size()) - 1); });
  on("WinCalc", [this] { Calculator(); });
  on("TabInstruct", [this] {
    TF_Table* w = ActiveTable();
    if (!w || !state()) return;
    const auto lines = TableInstruction(state()->ui(), state()->folders().templates, w->table().tableName);
    if (!lines) {
      FocusData(w);
      return;
    }
    QStringList text;
    for (const std::string& line : *lines) text << FromCp1251(line);
    Instruction().ShowFor(w->windowTitle(), text.join(QLatin1Char('\n')));
  });
  on("KeyBoardInstr", [this] {
    Help(4000);
    FocusData(ActiveTable());
  });
  on("HelpAbout1", [this] { ShowAboutBox(this); });
  on("HelpContents", [this] { Help(201); });
  on("HelpTool", [this] { Help(5); });

  // The cell pop-up menu: rows act on the current cell's row.
  on("CopyRow", [this] {
    OnRow([](TTable& t, int r) {
      CopyRowToBuffer(t, r);
      return true;
    });
  });
  on("InsertEmptyRow", [this] {
    OnRow([](TTable& t, int r) { return InsertEmptyRow(t, r); }, RowView::NewRow, true);
  });
  on("InsertBufferRow", [this] {
    OnRow([](TTable& t, int r) { return InsertBufferRow(t, r); }, RowView::NewRow, true);
  });
  on("InsertCopyRow", [this] {
    OnRow([](TTable& t, int r) { return InsertCopyRow(t, r); }, RowView::NewRow, true);
  });
  on("CutRow", [this] { OnRow([](TTable& t, int r) { return CutRow(t, r); }, RowView::Stay, true); });
  on("ClearRow", [this] { OnRow([this](TTable& t, int r) { return ClearRowCommand(t, r, &state()->ui()); }); });
  on("DeleteRow", [this] { OnRow([this](TTable& t, int r) { return DeleteRowCommand(t, r, &state()->ui()); }); });
  on("InsertList", [this] {
    TF_Table* w = ActiveTable();
    if (!w) return;
    const int col = w->CurrentCol();
    OnRow([col](TTable& t, int r) { return InsertWholeList(t, r, col).inserted > 0; }, RowView::Stay, true);
  });
  on("InsertNRows", [this] {
    OnRow([this](TTable& t, int r) { return InsertEmptyRowsCommand(t, r, &state()->ui(), Dialogs()); },
          RowView::NewRow);
  });
  on("SubrepData", [this] { SubreportData(); });
  on("PopupHelp", [this] { Help(5); });

  connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) {
    if (!closing_) RefreshTableActions();
  });
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
  if (!s.loading()) {
    const auto& tables = s.tables();
    bool same = tables.size() == windows_.size();
    for (std::size_t i = 0; same && i < tables.size(); ++i) same = &windows_[i]->table() == tables[i].table.get();
    if (!same) {
      CloseAllTables();
      for (const TReportTable& t : tables) CreateTableWindow(t);
      // A newly loaded report shows headers and footers again.
      if (!windows_.empty() && s.headerFooterViews) {
        commands_["ViewHeader1"]->setChecked(true);
        commands_["ViewFootter1"]->setChecked(true);
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

QAction* TMainForm::Command(const QString& name) const { return Named(commands_, name); }

QMenu* TMainForm::MenuNamed(const QString& name) const { return Named(menus_, name); }

// --- the rules ---------------------------------------------------------------------------

TableActionInputs TMainForm::Inputs() const {
  TableActionInputs in;
  in.windows = static_cast<int>(windows_.size());
  for (const TF_Table* w : windows_)
    if (!w->Hidden()) ++in.shown;
  const TF_Table* active = ActiveTable();
  in.hasActive = active != nullptr;
  in.activeIndex = ActiveIndex();
  if (active) {
    const TTable& t = active->table();
    in.modified = t.Modified();
    in.hasFormulas = t.hasFormulas;
    in.hasNumbers = t.hasNumbers;
    in.growing = t.growing;
    if (const checks::TableChecker* checker = Checker()) in.protocolHasMessages = !checker->Protocol(t).empty();
  }
  return in;
}

void TMainForm::RefreshTableActions() {
  const TableActionStates st = gui::RefreshTableActions(Inputs());
  auto enable = [this](const char* name, bool on) { commands_[U(name)]->setEnabled(on); };
  enable("FileOpen1", st.open);
  enable("ShowStruct", st.open);
  enable("FirstTab", st.first);
  enable("PrevTab", st.previous);
  enable("NextTab", st.next);
  enable("LastTab", st.last);
  enable("WindowCascade1", st.cascade);
  enable("WindowCascadeTool", st.cascade);
  enable("WindowCascadeMenu", st.cascadeMenu);
  enable("WindowMinimizeAll1", st.minimizeAll);
  enable("WindowMinimizeAllMenu", st.minimizeAllMenu);
  enable("HideAllWithoutActive", st.keepActive);
  enable("FileSave1", st.save);
  enable("CalcTable", st.recalc);
  enable("FillZeros", st.fillZeros);
  enable("SortRows", st.sort);
  enable("DelEmptyRows", st.deleteEmptyRows);
  enable("PrintTable", st.print);
  enable("LoardClearTable", st.loadClean);
  enable("LoardLastEdition", st.loadLastEdition);
  enable("ReloadButton", st.reloadButton);
  enable("WindowOptimizeAll1", st.optimizeAll);
  enable("WindowOptimize", st.optimize);
  enable("TabInstruct", st.instruction);
  enable("CheckTable", st.check);
  menus_["MenuView"]->menuAction()->setEnabled(st.viewMenu);
  // The menu-bar faces follow their commands.
  enable("CheckTableOnMenuBar", st.check);
  enable("DelEmptyRowsPopup", st.deleteEmptyRows);
  if (const TReportState* s = state()) setEnabled(st.frame && s->tablesFrameEnabled);
}

// --- the pop-up menu ----------------------------------------------------------------------

bool TMainForm::PreparePopup() {
  TF_Table* w = ActiveTable();
  if (!w) return false;
  TCell* cell = w->CurrentCell();
  const bool data = cell && w->CurrentSection() == TableSection::Data;
  const TReportState* s = state();
  const bool subreports = s && s->structure && s->structure->hasSubreports;
  const CellPopupMenu menu = DecideCellPopup(w->table(), data ? cell : nullptr, data ? w->CurrentRow() : -1, subreports);
  if (!menu.show) return false;
  for (const char* name : {"CopyRow", "CutRow", "ClearRow", "DeleteRow", "InsertNRows", "InsertEmptyRow",
                           "InsertCopyRow"})
    commands_[U(name)]->setEnabled(menu.rowOperations);
  menus_["InsertRow"]->menuAction()->setEnabled(menu.rowOperations);
  commands_["InsertBufferRow"]->setEnabled(menu.insertFromBuffer);
  commands_["InsertList"]->setEnabled(menu.insertWholeList);
  commands_["DelEmptyRowsPopup"]->setEnabled(menu.deleteEmptyRows);
  commands_["SubrepData"]->setEnabled(menu.subreportData);
  return true;
}

// --- actions on the active table ---------------------------------------------------------------

void TMainForm::OnActive(const std::function<void(TF_Table&, TTable&)>& action, bool focus) {
  TF_Table* w = ActiveTable();
  if (!w || !state()) return;
  try {
    action(*w, w->table());
  } catch (const std::exception& e) {
    state()->ui().ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
  }
  w->RefreshCells();
  RefreshTableActions();
  if (focus) FocusData(w);
}

void TMainForm::OnRow(const std::function<bool(TTable&, int)>& command, RowView view, bool busy,
                      bool replacesCells) {
  TF_Table* w = ActiveTable();
  if (!w || !state()) return;
  const int row = w->CurrentRow();
  w->HideEditors();
  TCell* keep = w->CurrentCell();
  w->SetCurrentCell(nullptr, false);
  bool done = false;
  {
    std::optional<BusyPointer> hourglass;
    if (busy) hourglass.emplace();
    try {
      done = command(w->table(), row);
    } catch (const std::exception& e) {
      hourglass.reset();
      state()->ui().ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
    }
  }
  if (!(done && replacesCells) && CellInTable(w->table(), keep)) w->SetCurrentCell(keep, false);
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
  if (TReportState* s = state()) ShowHelp(s->ui(), s->folders().program, topic);
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
    s->ui().ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
    return;
  }
  if (runComposition)
    runComposition(*window);
  else
    window->exec();
  window.reset();
  // A corrected report value has been stored and its table recalculated.
  if (CellInTable(w->table(), cell)) w->SetCurrentCell(cell, false);
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
