// The structure window's commands: the commands, menus, tool bar, status
// bar and pop-up menus, and what each command does.
#include "gui/report/structure_window.h"
#include "gui/report/structure_nodes.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrinterInfo>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <filesystem>

#include "core/calc/check_status.h"
#include "core/foundation/codec.h"
#include "core/foundation/config_keys.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "core/app/startup.h"
#include "core/calc/structure.h"
#include "gui/foundation/command_set.h"
#include "gui/print/send_commands.h"
#include "gui/foundation/help.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_text.h"
#include "gui/foundation/window_placement.h"
#include "gui/import/import_commands.h"
#include "gui/print/structure_print.h"
#include "gui/report/select_tab.h"

#include "core/subreports/inclusion.h"
#include "core/subreports/structure_editing.h"
#include "core/subreports/transfer.h"
#include "gui/subreports/subrep_list.h"

namespace rpt::gui {

using namespace literals;

// The menu bar shows a command's caption only: a proxy without the
// command's icon (an icon there would hide the caption), following the
// command's state.
void TF_StructRep::AddToMenuBar(QAction* command) {
  auto* proxy = new QAction(command->text(), this);
  proxy->setObjectName(command->objectName() + "OnMenuBar");
  proxy->setToolTip(command->toolTip());
  proxy->setStatusTip(command->statusTip());
  connect(proxy, &QAction::triggered, command, &QAction::trigger);
  connect(command, &QAction::changed, proxy, [command, proxy] {
    proxy->setEnabled(command->isEnabled());
    proxy->setVisible(command->isVisible());
    proxy->setText(command->text());
  });
  menuBar()->addAction(proxy);
}

void TF_StructRep::BuildCommands() {
  using C = StructureCommand;
  commands_.SetIcons({
      {C::NewRep, Icon::New},
      {C::OpenRep, Icon::Open},
      {C::SaveRep, Icon::Save},
      {C::SaveAsRep, Icon::SaveAs},
      {C::DeleteRep, Icon::Delete},
      {C::Font, Icon::Font},
      {C::Colors, Icon::Colors},
      {C::Exit, Icon::Exit},
      {C::Edit, Icon::EditTables},
      {C::ImportLastYear, Icon::Import},
      {C::ImportThisYear, Icon::Import},
      {C::ExportWord, Icon::ExportDocument},
      {C::ExportExcel, Icon::ExportSpreadsheet},
      {C::Check, Icon::Check},
      {C::PrintSelected, Icon::Print},
      {C::PrinterSetup, Icon::Printer},
      {C::Lights, Icon::Lights},
      {C::HelpContents, Icon::Help},
      {C::HelpTool, Icon::Help},
      {C::About, Icon::About},
  });
  QMenu* report = commands_.AddMenu(StructureMenu::MenuReport, menuBar(), nullptr, "MenuReport", "Отчет", "");
  report->addAction(commands_.Add(StructureCommand::NewRep, "NewRep", "Новый ...", "Новый отчет|Создать новый отчет или подотчет"));
  report->addAction(
      commands_.Add(StructureCommand::OpenRep, "OpenRep", "Открыть ...", "Открыть отчет|Открыть уже существующий отчет или подотчет"));
  report->addAction(commands_.Add(StructureCommand::OpenExample, "OpenExample", "Открыть пример",
                                  "Открыть пример|Открыть копию заполненного примера отчета в новой папке"));
  report->addAction(commands_.Add(StructureCommand::SaveRep, "SaveRep", "Сохранить", "Сохранить отчет|Сохранить все измененные таблицы отчета"));
  report->addAction(commands_.Add(StructureCommand::SaveAsRep, "SaveAsRep", "Сохранить как ...",
                               "Сохранить как|Сохранить создаваемый отчет или подотчет под другим именем"));
  report->addAction(commands_.Add(StructureCommand::DeleteRep, "DeleteRep", "Удалить", "Удалить отчет|Удаление отурытого отчета или подотчета"));
  settingsSeparator_ = report->addSeparator();
  QMenu* settings =
      commands_.AddMenu(StructureMenu::MenuSettings, menuBar(), report, "MenuSettings", "Настройка", "|Выбор для работы гибкого дисковода и шрифта для отчета");
  settings->addAction(commands_.Add(StructureCommand::Font, "Font", "Шрифт...", "|Выбор шрифта для отчета"));
  settings->addAction(commands_.Add(StructureCommand::Colors, "Colors", "Цвета ...", "|Настройка цветов ячеек таблиц и форм"));
  historyMenu_ = commands_.AddMenu(StructureMenu::MenuHistory, menuBar(), report, "MenuHistory", "История", "|Список отчетов, с которыми велась работа");
  report->addSeparator();
  report->addAction(commands_.Add(StructureCommand::Exit, "Exit", "Выход", "|Закончить работу"));

  AddToMenuBar(commands_.Add(StructureCommand::Edit, "Edit", "Редактирование", "Редактирование|Редактирование таблиц и текстов"));

  QMenu* data = commands_.AddMenu(StructureMenu::MenuData, menuBar(), nullptr, "MenuData", "Данные", "|Получение данных из других систем");
  QMenu* import = commands_.AddMenu(StructureMenu::MenuImport, menuBar(), data, "MenuImport", "Импорт", "|Получение данных из других систем");
  import->addAction(commands_.Add(StructureCommand::ImportLastYear, "ImportLastYear", "Прошлый год ...", "|Импорт таблиц из отчета прошлого года"));
  import->addAction(commands_.Add(StructureCommand::ImportThisYear, "ImportThisYear", "Этот год ...", "|Импорт таблиц из отчета этого года"));
  QMenu* exportMenu = commands_.AddMenu(StructureMenu::MenuExport, menuBar(), data, "MenuExport", "Экспорт", "|Передача данных в другие системы");
  exportMenu->addAction(
      commands_.Add(StructureCommand::ExportWord, "ExportWord", "Word", "Передача в Word|Экспорт выбранных элементов отчета в Word"));
  exportMenu->addAction(commands_.Add(StructureCommand::ExportExcel, "ExportExcel", "Excel", "Передача в Excel|Передача данных в Excel"));
  data->addSeparator();
  data->addAction(commands_.Add(StructureCommand::CompareLastYear, "CompareLastYear", "Сравнить с прошлым годом",
                                "Сравнить с прошлым годом|Сравнение показателей отчета с отчетом прошлого года"));
  data->addAction(commands_.Add(StructureCommand::YearSummary, "YearSummary", "Сводка по основным показателям",
                                "Сводка|Основные показатели отчета в сравнении с прошлым годом"));

  AddToMenuBar(commands_.Add(StructureCommand::Check, "Check", "Проверка", "Проверка отчета|Проверка корректности отчета или подотчета"));

  QMenu* sub = commands_.AddMenu(StructureMenu::MenuSubreport, menuBar(), nullptr, "MenuSubreport", "Подотчет", "|Работа с подотчетами");
  sub->addAction(commands_.Add(StructureCommand::SubStructure, "SubStructure", "Структура", "|Определение структуры подотчета"));
  sub->addAction(commands_.Add(StructureCommand::SubCorrection, "SubCorrection", "Коррекция", "|Изменение уже созданной структуры подотчета"));
  sub->addAction(commands_.Add(StructureCommand::SubTransfer, "SubTransfer", "Передача", "|Подготовка подотчета для передачи в подразделение"));
  sub->addAction(commands_.Add(StructureCommand::SubReception, "SubReception", "Приемка", "|Приемка подотчета"));
  sub->addAction(commands_.Add(StructureCommand::SubInclude, "SubInclude", "Присоединение", "|Включение подотчета в отчет"));
  sub->addAction(commands_.Add(StructureCommand::SubIncluded, "SubIncluded", "Включенные подотчеты", "|Список подотчетов, включенных в отчет"));

  QMenu* print =
      commands_.AddMenu(StructureMenu::MenuPrint, menuBar(), nullptr, "MenuPrint", "Печать", "|Настройка параметров страницы, принтера и печать выбранных элементов");
  print->addAction(commands_.Add(StructureCommand::PrintSelected, "PrintSelected", "Выбранного элемента",
                              "Печать элемента|Вывод на печать выбранного элемента отчета или подотчета"));
  print->addAction(
      commands_.Add(StructureCommand::PrintAll, "PrintAll", "Всего отчета", "Печать всего отчета|Вывод на печать всего отчета или подотчета"));
  print->addAction(commands_.Add(StructureCommand::PrintBlank, "PrintBlank", "Бланк ...", "|Печать пустого бланка таблицы"));
  print->addAction(commands_.Add(StructureCommand::PrinterSetup, "PrinterSetup", "Принтер", "Настройка принтера|Настройка параметров принтера"));

  QMenu* send = commands_.AddMenu(StructureMenu::MenuSend, menuBar(), nullptr, "MenuSend", "Отправка", "|Подготовка отчета или подотчета для отправки");
  send->addAction(commands_.Add(StructureCommand::SendInternet, "SendInternet", "Через Интернет", "|Подготовка файла данных отчета для отправки"));
  send->addAction(commands_.Add(StructureCommand::SendMedia, "SendMedia", "На внешнем носителе", "|Подготовка файла данных отчета для отправки"));
  send->addAction(commands_.Add(StructureCommand::SendEmail, "SendEmail", "По E-mail", "|Подготовка архива с данными в каталоге \"Почтовый ящик\""));
  commands_[StructureCommand::SendEmail]->setVisible(false);

  AddToMenuBar(commands_.Add(StructureCommand::Site, "Site", "Сайт", "|Выход на сайт системы подготовки и приема отчетов"));
  AddToMenuBar(commands_.Add(StructureCommand::Lights, "Lights", "Светофоры", "Светофоры|Обновить показания светофоров"));

  QMenu* help = commands_.AddMenu(StructureMenu::MenuHelp, menuBar(), nullptr, "MenuHelp", "Справка", "|Справочная система");
  help->addAction(commands_.Add(StructureCommand::HelpContents, "HelpContents", "Содержание", "|Содержание справочника"));
  help->addAction(commands_.Add(StructureCommand::About, "About", "О программе", "|Основные сведения о программе"));

  // The tool bar's help button has a hint of its own.
  commands_.Add(StructureCommand::HelpTool, "HelpTool", "Справка", "Справка|Справочная система задачи");
  AddMenuBarKey(this);
}

void TF_StructRep::BuildToolBar() {
  QToolBar* bar = addToolBar(U("ToolBar1"));
  bar->setObjectName("ToolBar1");
  bar->setMovable(false);
  bar->setIconSize(QSize(16, 16));
  for (const StructureCommand id : {StructureCommand::NewRep, StructureCommand::OpenRep, StructureCommand::SaveRep}) bar->addAction(commands_[id]);
  bar->addSeparator();
  for (const StructureCommand id : {StructureCommand::Edit, StructureCommand::Check, StructureCommand::ExportExcel, StructureCommand::ExportWord}) bar->addAction(commands_[id]);
  bar->addSeparator();
  bar->addAction(commands_[StructureCommand::PrintSelected]);
  bar->addSeparator();
  bar->addAction(commands_[StructureCommand::Lights]);
  bar->addAction(commands_[StructureCommand::HelpTool]);
  bar->addSeparator();
  kindLabel_ = new QLabel(bar);
  kindLabel_->setObjectName("KindLabel");
  kindLabel_->setMinimumWidth(150);
  kindLabel_->setAlignment(Qt::AlignCenter);
  kindLabel_->setFrameShape(QFrame::StyledPanel);
  kindLabel_->setFrameShadow(QFrame::Sunken);
  QFont f = kindLabel_->font();
  f.setBold(true);
  kindLabel_->setFont(f);
  bar->addWidget(kindLabel_);
  OfferHelpOnRightClick(bar, 1);
}

// A right click on a bar offers "Справка" with the bar's help topic.
void TF_StructRep::OfferHelpOnRightClick(QWidget* bar, int topic) {
  bar->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(bar, &QWidget::customContextMenuRequested, this, [this, bar, topic](const QPoint& pos) {
    QMenu menu;
    menu.addAction(U("Справка"), this, [this, topic] { Help(topic); });
    menu.exec(bar->mapToGlobal(pos));
  });
}

void TF_StructRep::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  legend_ = new TLegendPanel(bar);
  legend_->setToolTip(FromCp1251("Обновить показания светофоров"_w));
  legend_->onClick = [this] { RefreshLights(); };
  bar->addPermanentWidget(legend_);
  OfferHelpOnRightClick(bar, 2);
}

void TF_StructRep::BuildPopups() {
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* popup = new QMenu(this);
  popup->setObjectName("PopupTree");
  QAction* expand = popup->addAction(U("Развернуть"));
  expand->setStatusTip(U("Раскрыть дерево структуры"));
  connect(expand, &QAction::triggered, this, [this] {
    tree_->expandAll();
    tree_->scrollToTop();
  });
  QAction* collapse = popup->addAction(U("Свернуть"));
  collapse->setStatusTip(U("Свернуть дерево структуры"));
  connect(collapse, &QAction::triggered, tree_, &QTreeWidget::collapseAll);
  popup->addAction(U("Справка"), this, [this] { Help(2); });
  connect(tree_, &QWidget::customContextMenuRequested, this,
          [this, popup](const QPoint& pos) { popup->exec(tree_->viewport()->mapToGlobal(pos)); });
}

void TF_StructRep::ConnectCommands() {
  auto on = [this](StructureCommand id, auto fn) { commands_.OnTriggered(id, fn); };
  auto withState = [this](auto fn) {
    return [this, fn] {
      if (TReportState* s = state()) {
        try {
          fn(*s);
        } catch (const std::exception& e) {
          s->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
        }
      }
      UpdateStates();
    };
  };
  on(StructureCommand::NewRep, withState([](TReportState& s) { s.NewReport(); }));
  on(StructureCommand::OpenRep, withState([](TReportState& s) { s.Open(); }));
  on(StructureCommand::OpenExample, withState([](TReportState& s) { s.OpenExample(); }));
  on(StructureCommand::SaveRep, withState([](TReportState& s) { s.Save(); }));
  on(StructureCommand::SaveAsRep, withState([](TReportState& s) { s.SaveAs(); }));
  on(StructureCommand::DeleteRep, withState([](TReportState& s) { s.DeleteReport(); }));
  on(StructureCommand::Font, [this] { ChooseFont(); });
  on(StructureCommand::Exit, [this] {
    exitMode_ = true;
    close();
  });
  on(StructureCommand::Edit, [this] { EditExecute(false); });
  on(StructureCommand::Lights, [this] { RefreshLights(); });
  on(StructureCommand::Check, [this] { CheckReport(); });
  on(StructureCommand::HelpContents, [this] { Help(201); });
  on(StructureCommand::HelpTool, [this] { Help(201); });
  on(StructureCommand::About, [this] { ShowAboutBox(this); });
  on(StructureCommand::PrintAll, [this] {
    if (tree_->topLevelItemCount() > 0) tree_->setCurrentItem(tree_->topLevelItem(0));
    PrintSelected(false);
  });
  on(StructureCommand::PrintSelected, [this] { PrintSelected(false); });
  on(StructureCommand::PrintBlank, [this] { PrintSelected(true); });
  on(StructureCommand::PrinterSetup, [this] {
    if (TReportState* s = state()) ChoosePrinter(*s, this);
  });
  // Commands whose work arrives later say so instead of doing nothing.
  ConnectSubreportCommands();
  on(StructureCommand::ImportLastYear, [this] { Import(ImportFromLastYear); });
  on(StructureCommand::ImportThisYear, [this] { Import(ImportFromThisYear); });
  on(StructureCommand::ExportExcel, [this] { ExportExcel(); });
  on(StructureCommand::CompareLastYear, [this] {
    if (compareAction_) compareAction_();
  });
  on(StructureCommand::YearSummary, [this] {
    if (summaryAction_) summaryAction_();
  });
  on(StructureCommand::Colors, [this] { ChooseColors(); });
  on(StructureCommand::ExportWord, [this] { ExportWord(); });
  ConnectSendCommands();

  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] {
    if (selectTab_) selectTab_->Select(SelectedPosition());
    UpdateStates();
  });
  connect(tree_, &QTreeWidget::itemExpanded, this, [](QTreeWidgetItem* item) { SetNodeIcon(item); });
  connect(tree_, &QTreeWidget::itemCollapsed, this, [](QTreeWidgetItem* item) { SetNodeIcon(item); });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (!IsFolderNode(item)) EditExecute(false);
  });
  connect(tree_, &QTreeWidget::itemPressed, this, [this](QTreeWidgetItem* item) { TreePressed(item); });
}

void TF_StructRep::ConnectSendCommands() {
  // A send recalculates and checks every table (and may save): the lights
  // and the states are drawn again afterwards.
  auto send = [this](SendCommand command) {
    return [this, command] {
      TReportState* s = state();
      if (!s) return;
      RunSendCommand(*s, session_->options().siteAddress, command, this);
      UpdateLights();
      UpdateStates();
    };
  };
  commands_.OnTriggered(StructureCommand::SendInternet, send(SendCommand::Internet));
  commands_.OnTriggered(StructureCommand::SendMedia, send(SendCommand::Media));
  commands_.OnTriggered(StructureCommand::SendEmail, send(SendCommand::Email));
  commands_.OnTriggered(StructureCommand::Site, send(SendCommand::Site));
}

void TF_StructRep::ConnectSubreportCommands() {
  auto on = [this](StructureCommand id, auto fn) { commands_.OnTriggered(id, fn); };
  // Each command may replace the report or its structure: the tree and the
  // lights are drawn again afterwards.
  auto run = [this](auto fn) {
    return [this, fn] {
      TReportState* s = state();
      if (!s) return;
      try {
        fn(*s);
      } catch (const std::exception& e) {
        s->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
      }
      RebuildTree();
      UpdateLights();
      UpdateStates();
    };
  };
  on(StructureCommand::SubStructure, run([](TReportState& s) { DefineSubreportStructure(s); }));
  on(StructureCommand::SubCorrection, run([](TReportState& s) { CorrectSubreportStructure(s); }));
  on(StructureCommand::SubInclude, run([](TReportState& s) { TSubreportInclusion(s).IncludeSubreport(); }));
  on(StructureCommand::SubTransfer, run([](TReportState& s) { TransferSubreport(s, ExecutableFolder()); }));
  on(StructureCommand::SubReception, run([](TReportState& s) { ReceiveSubreport(s); }));
  on(StructureCommand::SubIncluded, run([this](TReportState& s) {
    const auto path = FindStructureFile(s.folders().working);
    if (!path || ReadSubreportFolders(*path).empty()) {
      s.ui().ShowMessage(MessageKind::Information, "Отчет не содержит подотчетов."_w, kOk, kOk);
      return;
    }
    TFormSubrepList list(s, [this] {
      RebuildTree();
      UpdateLights();
      UpdateStates();
    }, this);
    list.exec();
  }));
}

}  // namespace rpt::gui
