// The tables frame's commands: the commands, menus, tool bar, status bar
// and cell pop-up menu, what each command does, and the rules that enable
// them.
#include "gui/tables/main_form.h"
#include "core/import/year_comparison.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
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
#include "gui/tables/instruction_window.h"
#include "gui/tables/row_dialogs.h"
#include "gui/tables/table_window.h"

namespace rpt::gui {

using namespace literals;

namespace {

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

}  // namespace

// --- building ------------------------------------------------------------------------------

void TMainForm::BuildCommands() {
  using C = TableCommand;
  commands_.SetIcons({
      {C::FileOpen1, Icon::Open},
      {C::ShowStruct, Icon::Open},
      {C::FileSave1, Icon::Save},
      {C::FileClose1, Icon::Close},
      {C::FileExit1, Icon::Exit},
      {C::WindowCascade1, Icon::Cascade},
      {C::CalcTable, Icon::Recalculate},
      {C::FillZeros, Icon::FillZeros},
      {C::CheckTable, Icon::Check},
      {C::ReloadButton, Icon::Reload},
      {C::LoardClearTable, Icon::LoadClean},
      {C::LoardLastEdition, Icon::Reload},
      {C::DelEmptyRows, Icon::DeleteEmptyRows},
      {C::SortRows, Icon::Sort},
      {C::CellsHeight, Icon::RowHeights},
      {C::PrintTable, Icon::Print},
      {C::FirstTab, Icon::First},
      {C::PrevTab, Icon::Previous},
      {C::NextTab, Icon::Next},
      {C::LastTab, Icon::Last},
      {C::WinCalc, Icon::Calculator},
      {C::TabInstruct, Icon::Instructions},
      {C::KeyBoardInstr, Icon::Keyboard},
      {C::HelpContents, Icon::Help},
      {C::HelpTool, Icon::Help},
      {C::HelpAbout1, Icon::About},
      {C::UndoEdit, Icon::Undo},
      {C::RedoEdit, Icon::Redo},
      {C::NextRemark, Icon::NextRemark},
      {C::PrevRemark, Icon::PreviousRemark},
      {C::CopyRow, Icon::CopyRow},
      {C::InsertEmptyRow, Icon::InsertRow},
      {C::InsertBufferRow, Icon::PasteRow},
      {C::InsertCopyRow, Icon::CopyRow},
      {C::InsertNRows, Icon::InsertRow},
      {C::CutRow, Icon::CutRow},
      {C::ClearRow, Icon::ClearRow},
      {C::DeleteRow, Icon::DeleteRow},
      {C::InsertList, Icon::InsertList},
      {C::PopupHelp, Icon::Help},
  });
  commands_.Add(TableCommand::FileOpen1, "FileOpen1", "Открыть ...", "Открыть|Открыть другой документ", "Ctrl+O");
  commands_.Add(TableCommand::ShowStruct, "ShowStruct", "Открыть ...", "Открыть|Показать дерево структуры отчета для выбора документа");
  commands_.Add(TableCommand::FileSave1, "FileSave1", "Сохранить", "Сохранить|Сохранить активный документ", "Ctrl+S");
  commands_.Add(TableCommand::FileClose1, "FileClose1", "Закрыть", "Закрыть|Свернуть активный документ");
  commands_.Add(TableCommand::FileExit1, "FileExit1", "Выход", "Выход|Свернуть окно документов");
  commands_.Add(TableCommand::WindowCascade1, "WindowCascade1", "Каскад", "Каскад|Расположить окна документов каскадом");
  commands_.Add(TableCommand::WindowMinimizeAll1, "WindowMinimizeAll1", "Свернуть все", "Свернуть все документы");
  commands_.Add(TableCommand::WindowMaximizeAll1, "WindowMaximizeAll1", "Развернуть все", "Открыть все документы");
  commands_.Add(TableCommand::HideAllWithoutActive, "HideAllWithoutActive", "Оставить активное", "|Закрыть все окна, кроме активного");
  commands_.Add(TableCommand::WindowOptimizeAll1, "WindowOptimizeAll1", "Оптимизировать все", "Установить оптимальные размеры всех видимых документов");
  commands_.Add(TableCommand::WindowOptimize, "WindowOptimize", "Оптимизировать", "Установить оптимальные размеры активного документа");
  QAction* header = commands_.Add(TableCommand::ViewHeader1, "ViewHeader1", "Заголовок", "Видимость заголовка|Показывать или скрыть заголовок таблиц");
  header->setCheckable(true);
  header->setChecked(true);
  QAction* footer = commands_.Add(TableCommand::ViewFootter1, "ViewFootter1", "Подпись", "Видимость подписи");
  footer->setCheckable(true);
  footer->setChecked(true);
  commands_.Add(TableCommand::CalcTable, "CalcTable", "Пересчет", "Пересчет|Пересчет формул активного документа");
  commands_.Add(TableCommand::FillZeros, "FillZeros", "Заполнить нулями",
             "Заполнить нулями|Заполнить нулями все числовые ячейки активного документа");
  commands_.Add(TableCommand::CheckTable, "CheckTable", "Проверка", "Проверка|Проверка корректности заполнения активного документа");
  commands_.Add(TableCommand::YearChanges, "YearChanges", "Изменения за год ...",
                "Изменения за год|Ячейки, значения которых заметно изменились по сравнению с прошлым годом");
  commands_.Add(TableCommand::YearChart, "YearChart", "Диаграмма ...",
                "Диаграмма|Диаграмма показателей активной таблицы в сравнении с прошлым годом");
  commands_.Add(TableCommand::LoardClearTable, "LoardClearTable", "Загрузить чистую таблицу", "Заменить на чистую таблицу");
  commands_.Add(TableCommand::LoardLastEdition, "LoardLastEdition", "Взять последнюю редакцию", "Заменить на последний сохраненный вариант");
  commands_.Add(TableCommand::DelEmptyRows, "DelEmptyRows", "Удалить пустые строки",
             "Удалить пустые строки|Удалить не заполненные данными строки активного документа");
  commands_.Add(TableCommand::SortRows, "SortRows", "Сортировка", "Сортировка|Сортировка строк активного документа");
  commands_.Add(TableCommand::CellsHeight, "CellsHeight", "Размер ячеек", "Размер ячеек|Автоматический подбор высоты ячеек");
  commands_.Add(TableCommand::PrintTable, "PrintTable", "Печать", "Печать|Печать активного документа", "Ctrl+P");
  commands_.Add(TableCommand::FirstTab, "FirstTab", "Первая таблица", "Первая таблица");
  commands_.Add(TableCommand::PrevTab, "PrevTab", "Предыдущая таблица", "Предыдущая таблица");
  commands_.Add(TableCommand::NextTab, "NextTab", "Следующая таблица", "Следующая таблица");
  commands_.Add(TableCommand::LastTab, "LastTab", "Последняя таблица", "Последняя таблица");
  commands_.Add(TableCommand::WinCalc, "WinCalc", "Калькулятор", "Вызов калькулятора");
  commands_.Add(TableCommand::TabInstruct, "TabInstruct", "Инструкция", "Инструкция по заполнению таблицы");
  commands_.Add(TableCommand::KeyBoardInstr, "KeyBoardInstr", "Клавиатура", "Клавиатура|Инструкция по использованию клавиатуры");
  commands_.Add(TableCommand::HelpAbout1, "HelpAbout1", "О программе ...", "О программе|Вывод основных сведений о программе");
  commands_.Add(TableCommand::HelpContents, "HelpContents", "Содержание", "|Оглавление справочника системы");
  commands_.Add(TableCommand::HelpTool, "HelpTool", "Справка", "Справка|Справочная система");
  commands_.Add(TableCommand::UndoEdit, "UndoEdit", "Отменить", "Отменить|Отменить последнее изменение активного документа", "Ctrl+Z");
  commands_.Add(TableCommand::RedoEdit, "RedoEdit", "Повторить", "Повторить|Повторить отмененное изменение активного документа", "Ctrl+Y");
  commands_.Add(TableCommand::NextRemark, "NextRemark", "Следующее замечание", "Следующее замечание|Перейти к следующей ячейке с замечанием", "F8");
  commands_.Add(TableCommand::PrevRemark, "PrevRemark", "Предыдущее замечание", "Предыдущее замечание|Перейти к предыдущей ячейке с замечанием", "Shift+F8");
}

void TMainForm::BuildMenus() {
  QMenu* documents = commands_.AddMenu(TableMenu::MenuDocuments, menuBar(), nullptr, "MenuDocuments", "Документы", "Выполнение операций с документами отчета");
  documents->addAction(commands_[TableCommand::FileOpen1]);
  documents->addAction(commands_[TableCommand::FileClose1]);
  documents->addAction(commands_[TableCommand::FileSave1]);
  documents->addSeparator();
  documents->addAction(commands_[TableCommand::FileExit1]);

  QMenu* table = commands_.AddMenu(TableMenu::MenuTable, menuBar(), nullptr, "MenuTable", "Таблица", "");
  table->addAction(commands_[TableCommand::UndoEdit]);
  table->addAction(commands_[TableCommand::RedoEdit]);
  table->addSeparator();
  table->addAction(commands_[TableCommand::CalcTable]);
  table->addAction(commands_[TableCommand::SortRows]);
  table->addSeparator();
  QMenu* reload = commands_.AddMenu(TableMenu::MenuReload, menuBar(), table, "MenuReload", "Обновление", "|Заменить таблицу чистой таблицей");
  reload->addAction(commands_[TableCommand::LoardClearTable]);
  reload->addAction(commands_[TableCommand::LoardLastEdition]);
  table->addAction(commands_[TableCommand::DelEmptyRows]);
  table->addAction(commands_.AddFace(TableCommand::CellsHeightMenu, TableCommand::CellsHeight, "CellsHeightMenu", "Высота строк",
                            "Высота строк|Автоматический подбор высоты ячеек"));
  table->addSeparator();
  table->addAction(commands_[TableCommand::FillZeros]);
  table->addSeparator();
  for (const TableCommand id : {TableCommand::FirstTab, TableCommand::PrevTab, TableCommand::NextTab, TableCommand::LastTab}) table->addAction(commands_[id]);
  table->addSeparator();
  table->addAction(commands_[TableCommand::NextRemark]);
  table->addAction(commands_[TableCommand::PrevRemark]);
  table->addSeparator();
  table->addAction(commands_[TableCommand::YearChanges]);
  table->addAction(commands_[TableCommand::YearChart]);

  // Items of the menu bar itself: the caption only (an icon there would
  // hide the caption).
  QAction* check = commands_.AddFace(TableCommand::CheckTableOnMenuBar, TableCommand::CheckTable, "CheckTableOnMenuBar");
  check->setIcon(QIcon());
  menuBar()->addAction(check);
  QMenu* print = commands_.AddMenu(TableMenu::MenuPrint, menuBar(), nullptr, "MenuPrint", "Печать", "Печать|Печать активного документа");
  print->addAction(commands_[TableCommand::PrintTable]);
  QAction* calc = commands_.AddFace(TableCommand::WinCalcOnMenuBar, TableCommand::WinCalc, "WinCalcOnMenuBar");
  calc->setIcon(QIcon());
  menuBar()->addAction(calc);

  QMenu* view = commands_.AddMenu(TableMenu::MenuView, menuBar(), nullptr, "MenuView", "Вид", "Видимость отдельных элементов документов");
  view->addAction(commands_[TableCommand::ViewHeader1]);
  view->addAction(commands_[TableCommand::ViewFootter1]);

  windowMenu_ = commands_.AddMenu(TableMenu::MenuWindows, menuBar(), nullptr, "MenuWindows", "Окна", "Операции с окнами документов");
  // These two items have enabled rules of their own: they act themselves.
  windowMenu_->addAction(commands_.AddFace(TableCommand::WindowCascadeMenu, TableCommand::WindowCascade1, "WindowCascadeMenu", nullptr, nullptr, false));
  windowMenu_->addAction(commands_.AddFace(TableCommand::WindowMinimizeAllMenu, TableCommand::WindowMinimizeAll1, "WindowMinimizeAllMenu", nullptr, nullptr, false));
  windowMenu_->addAction(commands_[TableCommand::HideAllWithoutActive]);
  windowMenu_->addAction(commands_[TableCommand::WindowMaximizeAll1]);
  windowMenu_->addAction(commands_[TableCommand::WindowOptimizeAll1]);
  windowMenu_->addAction(commands_[TableCommand::WindowOptimize]);
  windowListSeparator_ = windowMenu_->addSeparator();
  connect(windowMenu_, &QMenu::aboutToShow, this, [this] { FillWindowMenu(); });

  QMenu* help = commands_.AddMenu(TableMenu::MenuHelp, menuBar(), nullptr, "MenuHelp", "Справка", "Справочник системы");
  help->addAction(commands_[TableCommand::TabInstruct]);
  help->addAction(commands_[TableCommand::KeyBoardInstr]);
  help->addAction(commands_[TableCommand::HelpContents]);
  help->addSeparator();
  help->addAction(commands_[TableCommand::HelpAbout1]);

  AddMenuBarKey(this);
}

void TMainForm::BuildToolBar() {
  toolBar_ = addToolBar(QString());
  toolBar_->setObjectName("ToolBar1");
  toolBar_->setMovable(false);
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->addAction(commands_[TableCommand::ShowStruct]);
  toolBar_->addAction(commands_[TableCommand::FileSave1]);
  toolBar_->addSeparator();
  for (const TableCommand id : {TableCommand::SortRows, TableCommand::CalcTable, TableCommand::FillZeros, TableCommand::CheckTable}) toolBar_->addAction(commands_[id]);
  toolBar_->addSeparator();
  auto* reloadMenu = new QMenu(this);
  reloadMenu->addAction(commands_[TableCommand::LoardClearTable]);
  reloadMenu->addAction(commands_[TableCommand::LoardLastEdition]);
  QAction* reload = commands_.Add(TableCommand::ReloadButton, "ReloadButton", "Обновить", "Обновить|Заменить заполненную таблицу чистой таблицей");
  reload->setMenu(reloadMenu);
  toolBar_->addAction(reload);
  if (auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(reload)))
    button->setPopupMode(QToolButton::InstantPopup);
  toolBar_->addAction(commands_[TableCommand::DelEmptyRows]);
  toolBar_->addAction(commands_.AddFace(TableCommand::CellsHeightTool, TableCommand::CellsHeight, "CellsHeightTool", "Высота строк",
                               "Высота строк|Автоматический подбор высоты ячеек"));
  toolBar_->addSeparator();
  toolBar_->addAction(commands_[TableCommand::PrintTable]);
  toolBar_->addSeparator();
  for (const TableCommand id : {TableCommand::FirstTab, TableCommand::PrevTab, TableCommand::NextTab, TableCommand::LastTab}) toolBar_->addAction(commands_[id]);
  toolBar_->addSeparator();
  toolBar_->addAction(commands_[TableCommand::WinCalc]);
  toolBar_->addSeparator();
  QAction* cascade = commands_.AddFace(TableCommand::WindowCascadeTool, TableCommand::WindowCascade1, "WindowCascadeTool");
  toolBar_->addAction(cascade);
  cascade->setVisible(false);
  toolBar_->addSeparator()->setVisible(false);
  toolBar_->addAction(commands_[TableCommand::TabInstruct]);
  toolBar_->addAction(commands_[TableCommand::KeyBoardInstr]);
  toolBar_->addAction(commands_[TableCommand::HelpTool]);
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
  commands_.AdoptMenu(TableMenu::BarPopup, barMenu);
}

void TMainForm::BuildPopup() {
  popup_ = new QMenu(this);
  popup_->setObjectName("PopupMenu1");
  commands_.AdoptMenu(TableMenu::PopupMenu1, popup_);
  auto item = [this](QMenu* menu, TableCommand id, const char* name, const char* caption, const char* hint) {
    menu->addAction(commands_.Add(id, name, caption, hint));
  };
  item(popup_, TableCommand::CopyRow, "CopyRow", "Копировать строку", "|Скопировать текущую строку в буфер");
  QMenu* insert = commands_.AddMenu(TableMenu::InsertRow, menuBar(), popup_, "InsertRow", "Вставить строку", "|Вставить новую строку после текущей");
  insert->menuAction()->setEnabled(false);
  insert->setIcon(CommandIcon(Icon::InsertRow));
  item(insert, TableCommand::InsertEmptyRow, "InsertEmptyRow", "Пустую", "|Вставить пустую строку после текущей");
  item(insert, TableCommand::InsertBufferRow, "InsertBufferRow", "Из буфера", "|Вставить строку из буфера после текущей");
  item(insert, TableCommand::InsertCopyRow, "InsertCopyRow", "Копию текущей", "|Вставить копию текущей строки");
  item(popup_, TableCommand::CutRow, "CutRow", "Вырезать строку", "");
  item(popup_, TableCommand::ClearRow, "ClearRow", "Очистить строку", "");
  item(popup_, TableCommand::DeleteRow, "DeleteRow", "Удалить строку", "");
  popup_->addSeparator();
  item(popup_, TableCommand::InsertList, "InsertList", "Вставить весь список", "");
  item(popup_, TableCommand::InsertNRows, "InsertNRows", "Вставить N пустых строк", "|Вставить пустые строки после текущей");
  popup_->addAction(commands_.AddFace(TableCommand::DelEmptyRowsPopup, TableCommand::DelEmptyRows, "DelEmptyRowsPopup"));
  popup_->addSeparator();
  item(popup_, TableCommand::SubrepData, "SubrepData", "Данные из подотчетов", "");
  popup_->addSeparator();
  item(popup_, TableCommand::PopupHelp, "PopupHelp", "Справка", "");
}

void TMainForm::ConnectCommands() {
  auto on = [this](TableCommand id, std::function<void()> f) { commands_.OnTriggered(id, [f = std::move(f)] { f(); }); };
  on(TableCommand::FileOpen1, [this] { ShowStruct(); });
  on(TableCommand::ShowStruct, [this] { ShowStruct(); });
  on(TableCommand::FileSave1, [this] {
    OnActive(
        [this](TF_Table& w, TTable& t) {
          w.HideEditors();
          try {
            t.SaveToFile(t.filePath, true);
          } catch (const std::exception& e) {
            state()->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
          }
        },
        false);
  });
  on(TableCommand::FileClose1, [this] { CloseActive(); });
  on(TableCommand::FileExit1, [this] { CloseFrame(); });
  for (const TableCommand cascade : {TableCommand::WindowCascade1, TableCommand::WindowCascadeMenu})
    on(cascade, [this] {
      mdi_->cascadeSubWindows();
      RefreshTableActions();
    });
  on(TableCommand::WindowMinimizeAll1, [this] { MinimizeAll(); });
  on(TableCommand::WindowMinimizeAllMenu, [this] { MinimizeAll(); });
  on(TableCommand::WindowMaximizeAll1, [this] { MaximizeAll(); });
  on(TableCommand::HideAllWithoutActive, [this] { HideAllWithoutActive(); });
  on(TableCommand::WindowOptimizeAll1, [this] { OptimizeAll(); });
  on(TableCommand::WindowOptimize, [this] {
    if (TF_Table* w = ActiveTable()) Optimize(w);
    RefreshTableActions();
  });
  connect(commands_[TableCommand::ViewHeader1], &QAction::toggled, this, [this](bool on) { SetHeaderView(on); });
  connect(commands_[TableCommand::ViewFootter1], &QAction::toggled, this, [this](bool on) { SetFooterView(on); });
  on(TableCommand::CalcTable, [this] {
    OnActive([](TF_Table& w, TTable& t) {
      w.HideEditors();
      t.hooks().RecalcTable(t, true, true);
    });
  });
  on(TableCommand::FillZeros, [this] {
    OnActive([](TF_Table& w, TTable& t) {
      w.EditorExit();
      w.HideEditors();
      TableRowsState before = CaptureRows(t);
      FillZeros(t);
      w.UndoSteps().RecordRows(t, std::move(before));
    });
  });
  on(TableCommand::YearChanges, [this] { emit yearChangesRequested(); });
  on(TableCommand::YearChart, [this] {
    if (TF_Table* w = ActiveTable()) emit yearChartRequested(w);
  });
  on(TableCommand::CheckTable, [this] {
    OnActive([this](TF_Table&, TTable& t) {
      if (checks::TableChecker* checker = Checker()) checker->CheckTableAction(t);
    });
  });
  on(TableCommand::LoardClearTable, [this] {
    OnRow([](TTable& t, int) { return t.ReloadCleanTable(); }, RowView::Stay, false, true, UndoRecord::Forget);
  });
  on(TableCommand::LoardLastEdition, [this] {
    OnRow([](TTable& t, int) { return t.ReloadLastEdition(); }, RowView::Stay, false, true, UndoRecord::Forget);
  });
  on(TableCommand::DelEmptyRows, [this] {
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
  on(TableCommand::SortRows, [this] {
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
  on(TableCommand::CellsHeight, [this] {
    OnActive(
        [this](TF_Table& w, TTable& t) {
          w.HideEditors();
          setEnabled(false);
          w.setEnabled(false);
          if (t.grid && t.RowCount > 0) w.DataArea()->verticalScrollBar()->setValue(0);
          TableRowsState before = CaptureRows(t);
          FitRowHeights(t);
          w.UndoSteps().RecordRows(t, std::move(before));
          w.setEnabled(true);
          setEnabled(true);
        },
        false);
  });
  on(TableCommand::PrintTable, [this] {
    TF_Table* window = ActiveTable();
    TReportState* s = state();
    if (!window || !s) return;
    window->AlignSections();
    TPrintForm& form = TPrintForm::Instance();
    form.SetInteraction(&s->ui());
    form.SetOwner(this);
    form.PrepareTable(window->table(), true);
  });
  on(TableCommand::FirstTab, [this] { GoToTable(0); });
  on(TableCommand::PrevTab, [this] { GoToTable(ActiveIndex() - 1); });
  on(TableCommand::NextTab, [this] { GoToTable(ActiveIndex() + 1); });
  on(TableCommand::LastTab, [this] { GoToTable(static_cast<int>(windows_.size()) - 1); });
  on(TableCommand::WinCalc, [this] { Calculator(); });
  on(TableCommand::TabInstruct, [this] {
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
  on(TableCommand::KeyBoardInstr, [this] {
    Help(4000);
    FocusData(ActiveTable());
  });
  on(TableCommand::HelpAbout1, [this] { ShowAboutBox(this); });
  on(TableCommand::HelpContents, [this] { Help(201); });
  on(TableCommand::HelpTool, [this] { Help(5); });
  on(TableCommand::UndoEdit, [this] {
    if (TF_Table* w = ActiveTable()) w->Undo();
    RefreshTableActions();
  });
  on(TableCommand::RedoEdit, [this] {
    if (TF_Table* w = ActiveTable()) w->Redo();
    RefreshTableActions();
  });
  on(TableCommand::NextRemark, [this] { GoToRemark(true); });
  on(TableCommand::PrevRemark, [this] { GoToRemark(false); });

  // The cell pop-up menu: rows act on the current cell's row.
  on(TableCommand::CopyRow, [this] {
    OnRow(
        [](TTable& t, int r) {
          CopyRowToBuffer(t, r);
          return true;
        },
        RowView::Stay, false, false, UndoRecord::None);
  });
  on(TableCommand::InsertEmptyRow, [this] {
    OnRow([](TTable& t, int r) { return InsertEmptyRow(t, r); }, RowView::NewRow, true);
  });
  on(TableCommand::InsertBufferRow, [this] {
    OnRow([](TTable& t, int r) { return InsertBufferRow(t, r); }, RowView::NewRow, true);
  });
  on(TableCommand::InsertCopyRow, [this] {
    OnRow([](TTable& t, int r) { return InsertCopyRow(t, r); }, RowView::NewRow, true);
  });
  on(TableCommand::CutRow, [this] { OnRow([](TTable& t, int r) { return CutRow(t, r); }, RowView::Stay, true); });
  on(TableCommand::ClearRow, [this] { OnRow([this](TTable& t, int r) { return ClearRowCommand(t, r, &state()->ui()); }); });
  on(TableCommand::DeleteRow, [this] { OnRow([this](TTable& t, int r) { return DeleteRowCommand(t, r, &state()->ui()); }); });
  on(TableCommand::InsertList, [this] {
    TF_Table* w = ActiveTable();
    if (!w) return;
    const int col = w->CurrentCol();
    OnRow([col](TTable& t, int r) { return InsertWholeList(t, r, col).inserted > 0; }, RowView::Stay, true);
  });
  on(TableCommand::InsertNRows, [this] {
    OnRow([this](TTable& t, int r) { return InsertEmptyRowsCommand(t, r, &state()->ui(), Dialogs()); },
          RowView::NewRow);
  });
  on(TableCommand::SubrepData, [this] { SubreportData(); });
  on(TableCommand::PopupHelp, [this] { Help(5); });

  connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) {
    if (!closing_) RefreshTableActions();
  });
}

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
  auto enable = [this](TableCommand id, bool on) { commands_.Enable(id, on); };
  enable(TableCommand::FileOpen1, st.open);
  enable(TableCommand::ShowStruct, st.open);
  enable(TableCommand::FirstTab, st.first);
  enable(TableCommand::PrevTab, st.previous);
  enable(TableCommand::NextTab, st.next);
  enable(TableCommand::LastTab, st.last);
  enable(TableCommand::WindowCascade1, st.cascade);
  enable(TableCommand::WindowCascadeTool, st.cascade);
  enable(TableCommand::WindowCascadeMenu, st.cascadeMenu);
  enable(TableCommand::WindowMinimizeAll1, st.minimizeAll);
  enable(TableCommand::WindowMinimizeAllMenu, st.minimizeAllMenu);
  enable(TableCommand::HideAllWithoutActive, st.keepActive);
  enable(TableCommand::FileSave1, st.save);
  enable(TableCommand::CalcTable, st.recalc);
  enable(TableCommand::FillZeros, st.fillZeros);
  enable(TableCommand::SortRows, st.sort);
  enable(TableCommand::DelEmptyRows, st.deleteEmptyRows);
  enable(TableCommand::PrintTable, st.print);
  enable(TableCommand::LoardClearTable, st.loadClean);
  enable(TableCommand::LoardLastEdition, st.loadLastEdition);
  enable(TableCommand::ReloadButton, st.reloadButton);
  enable(TableCommand::WindowOptimizeAll1, st.optimizeAll);
  enable(TableCommand::WindowOptimize, st.optimize);
  enable(TableCommand::TabInstruct, st.instruction);
  enable(TableCommand::CheckTable, st.check);
  enable(TableCommand::YearChanges, yearComparison_ && yearComparison_->opened());
  enable(TableCommand::YearChart, st.open);
  // Undo, redo and the walk over remarks do nothing where there is nothing
  // to do, so that their keys never fall through to another window.
  for (const TableCommand id : {TableCommand::UndoEdit, TableCommand::RedoEdit, TableCommand::NextRemark, TableCommand::PrevRemark})
    enable(id, st.open);
  commands_.menu(TableMenu::MenuView)->menuAction()->setEnabled(st.viewMenu);
  // The menu-bar faces follow their commands.
  enable(TableCommand::CheckTableOnMenuBar, st.check);
  enable(TableCommand::DelEmptyRowsPopup, st.deleteEmptyRows);
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
  for (const TableCommand id : {TableCommand::CopyRow, TableCommand::CutRow, TableCommand::ClearRow, TableCommand::DeleteRow, TableCommand::InsertNRows, TableCommand::InsertEmptyRow, TableCommand::InsertCopyRow})
    commands_[id]->setEnabled(menu.rowOperations);
  commands_.menu(TableMenu::InsertRow)->menuAction()->setEnabled(menu.rowOperations);
  commands_[TableCommand::InsertBufferRow]->setEnabled(menu.insertFromBuffer);
  commands_[TableCommand::InsertList]->setEnabled(menu.insertWholeList);
  commands_[TableCommand::DelEmptyRowsPopup]->setEnabled(menu.deleteEmptyRows);
  commands_[TableCommand::SubrepData]->setEnabled(menu.subreportData);
  return true;
}

}  // namespace rpt::gui
