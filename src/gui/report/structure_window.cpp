#include "gui/report/structure_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinterInfo>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <filesystem>

#include "core/calc/checking_engine.h"
#include "core/foundation/codec.h"
#include "core/foundation/config_keys.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "core/app/startup.h"
#include "core/calc/structure.h"
#include "gui/foundation/commands.h"
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

namespace {

constexpr char kPlacementSection[] = "TF_StructRep";

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The lights glyph: three lamps one above the other.
QIcon LightsGlyph() {
  QIcon icon;
  for (qreal dpr : {1.0, 2.0}) {
    QPixmap pm(QSize(qRound(16 * dpr), qRound(16 * dpr)));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    p.drawRoundedRect(QRectF(4, 0.5, 8, 15), 2, 2);
    const int lights[] = {kImageErrors, kImageEmpty, kImageNorm};
    for (int i = 0; i < 3; ++i) PaintImage(p, lights[i], QRectF(4.5, 1 + i * 4.8, 7, 7));
    icon.addPixmap(pm);
  }
  return icon;
}

QIcon PrinterGlyph() {
  QIcon icon;
  for (qreal dpr : {1.0, 2.0}) {
    QPixmap pm(QSize(qRound(16 * dpr), qRound(16 * dpr)));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x40, 0x40, 0x48), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(0x90, 0x98, 0xa8));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    icon.addPixmap(pm);
  }
  return icon;
}

NodeKind KindOf(const QTreeWidgetItem* item) {
  return item ? static_cast<NodeKind>(item->data(0, kKindRole).toInt()) : NodeKind::None;
}

bool IsFolderNode(const QTreeWidgetItem* item) {
  const NodeKind k = KindOf(item);
  return k == NodeKind::Root || k == NodeKind::Section;
}

int NodeImage(const QTreeWidgetItem* item) {
  switch (KindOf(item)) {
    case NodeKind::Document: return kImageDocument;
    case NodeKind::Table: return kImageTable;
    default: return item->isExpanded() ? kImageOpen : kImageClosed;
  }
}

void SetNodeIcon(QTreeWidgetItem* item) {
  item->setIcon(0, NodeIcon(NodeImage(item), item->data(0, kStateRole).toInt()));
}

std::string ReplaceExtension(const std::string& path, std::string_view ext) {
  const std::filesystem::path p(path);
  return std::filesystem::path(p).replace_extension(ext).string();
}

}  // namespace

QString NextVersionText() { return FromCp1251("Функция будет доступна в следующей версии."_w); }

// --- legend -------------------------------------------------------------------------------

TLegendPanel::TLegendPanel(QWidget* parent) : QWidget(parent) {
  setFixedWidth(172);
  setMouseTracking(true);
}

void TLegendPanel::SetShown(bool shown) {
  if (shown_ == shown) return;
  shown_ = shown;
  setToolTip(shown ? FromCp1251("Обновить показания светофоров"_w) : QString());
  update();
}

void TLegendPanel::paintEvent(QPaintEvent*) {
  if (!shown_) return;
  QPainter p(this);
  const std::pair<int, std::string_view> parts[] = {
      {kImageNorm, "- норма"_w}, {kImageEmpty, "- пусто"_w}, {kImageErrors, "- ошибки"_w}};
  constexpr int kGap = 5;
  // The panel has a fixed width: a font too wide for it is made smaller.
  QFont f = font();
  for (;;) {
    const QFontMetrics fm(f);
    int need = 2;
    for (const auto& part : parts) need += kImageSize - 3 + fm.horizontalAdvance(FromCp1251(part.second)) + kGap;
    const int pixels = f.pixelSize() > 0 ? f.pixelSize() : QFontInfo(f).pixelSize();
    if (need <= width() || pixels <= 7) break;
    f.setPixelSize(pixels - 1);
  }
  p.setFont(f);
  const QFontMetrics fm(f);
  int x = 2;
  const int top = (height() - kImageSize) / 2;
  for (const auto& [image, text] : parts) {
    PaintImage(p, image, QRectF(x, top, kImageSize, kImageSize));
    x += kImageSize - 3;
    const QString t = FromCp1251(text);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(x, 0, fm.horizontalAdvance(t) + 2, height()), Qt::AlignVCenter | Qt::AlignLeft, t);
    x += fm.horizontalAdvance(t) + kGap;
  }
}

void TLegendPanel::mouseReleaseEvent(QMouseEvent*) {
  if (shown_ && onClick) onClick();
}

// --- window -------------------------------------------------------------------------------

TF_StructRep::TF_StructRep(QWidget* parent) : QMainWindow(parent), tree_(new QTreeWidget(this)) {
  setObjectName("F_StructRep");
  setWindowTitle(FromCp1251("Структура отчета:"_w));
  setWindowIcon(ProgramIcon());
  tree_->setObjectName("TreeView1");
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setIconSize(QSize(2 * kImageSize + 2, kImageSize));
  tree_->setStatusTip(QString());
  tree_->installEventFilter(this);
  setCentralWidget(tree_);
  // Printing into a PDF file always works: a machine without printers
  // still prints and previews.
  printerInstalled_ = true;
  BuildCommands();
  BuildToolBar();
  BuildStatusBar();
  BuildPopups();
  ConnectCommands();
  resize(780, 560);
  UpdateStates();
}

TF_StructRep::~TF_StructRep() = default;

TReportState* TF_StructRep::state() const { return session_ ? &session_->state() : nullptr; }

checks::TableChecker* TF_StructRep::checker() const {
  TReportState* s = state();
  auto* engine = s ? dynamic_cast<TCheckingEngine*>(&s->engine()) : nullptr;
  return engine ? &engine->checker() : nullptr;
}

void TF_StructRep::AttachSession(TProgramSession* session) {
  session_ = session;
  StateChanged(session->state());
}

void TF_StructRep::SetPrinterInstalled(bool installed) {
  printerInstalled_ = installed;
  UpdateStates();
}

QAction* TF_StructRep::AddCommand(const char* name, const char* caption, const char* hint) {
  QAction* action = NewCommand(this, name, caption, hint);
  commands_[action->objectName()] = action;
  return action;
}

QMenu* TF_StructRep::AddMenu(QMenu* parent, const char* name, const char* caption, const char* hint) {
  QMenu* menu = NewMenu(menuBar(), parent, name, caption, hint);
  menus_[menu->objectName()] = menu;
  return menu;
}

// The menu bar shows a command's caption only: a proxy without the
// tool-bar glyph, following the command's state.
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
  QMenu* report = AddMenu(nullptr, "MenuReport", "Отчет", "");
  report->addAction(AddCommand("NewRep", "Новый ...", "Новый отчет|Создать новый отчет или подотчет"));
  report->addAction(
      AddCommand("OpenRep", "Открыть ...", "Открыть отчет|Открыть уже существующий отчет или подотчет"));
  report->addAction(AddCommand("SaveRep", "Сохранить", "Сохранить отчет|Сохранить все измененные таблицы отчета"));
  report->addAction(AddCommand("SaveAsRep", "Сохранить как ...",
                               "Сохранить как|Сохранить создаваемый отчет или подотчет под другим именем"));
  report->addAction(AddCommand("DeleteRep", "Удалить", "Удалить отчет|Удаление отурытого отчета или подотчета"));
  settingsSeparator_ = report->addSeparator();
  QMenu* settings =
      AddMenu(report, "MenuSettings", "Настройка", "|Выбор для работы гибкого дисковода и шрифта для отчета");
  settings->addAction(AddCommand("Font", "Шрифт...", "|Выбор шрифта для отчета"));
  settings->addAction(AddCommand("Colors", "Цвета ...", "|Настройка цветов ячеек таблиц и форм"));
  historyMenu_ = AddMenu(report, "MenuHistory", "История", "|Список отчетов, с которыми велась работа");
  report->addSeparator();
  report->addAction(AddCommand("Exit", "Выход", "|Закончить работу"));

  AddToMenuBar(AddCommand("Edit", "Редактирование", "Редактирование|Редактирование таблиц и текстов"));

  QMenu* data = AddMenu(nullptr, "MenuData", "Данные", "|Получение данных из других систем");
  QMenu* import = AddMenu(data, "MenuImport", "Импорт", "|Получение данных из других систем");
  import->addAction(AddCommand("ImportLastYear", "Прошлый год ...", "|Импорт таблиц из отчета прошлого года"));
  import->addAction(AddCommand("ImportThisYear", "Этот год ...", "|Импорт таблиц из отчета этого года"));
  QMenu* exportMenu = AddMenu(data, "MenuExport", "Экспорт", "|Передача данных в другие системы");
  exportMenu->addAction(
      AddCommand("ExportWord", "Word", "Передача в Word|Экспорт выбранных элементов отчета в Word"));
  exportMenu->addAction(AddCommand("ExportExcel", "Excel", "Передача в Excel|Передача данных в Excel"));

  AddToMenuBar(AddCommand("Check", "Проверка", "Проверка отчета|Проверка корректности отчета или подотчета"));

  QMenu* sub = AddMenu(nullptr, "MenuSubreport", "Подотчет", "|Работа с подотчетами");
  sub->addAction(AddCommand("SubStructure", "Структура", "|Определение структуры подотчета"));
  sub->addAction(AddCommand("SubCorrection", "Коррекция", "|Изменение уже созданной структуры подотчета"));
  sub->addAction(AddCommand("SubTransfer", "Передача", "|Подготовка подотчета для передачи в подразделение"));
  sub->addAction(AddCommand("SubReception", "Приемка", "|Приемка подотчета"));
  sub->addAction(AddCommand("SubInclude", "Присоединение", "|Включение подотчета в отчет"));
  sub->addAction(AddCommand("SubIncluded", "Включенные подотчеты", "|Список подотчетов, включенных в отчет"));

  QMenu* print =
      AddMenu(nullptr, "MenuPrint", "Печать", "|Настройка параметров страницы, принтера и печать выбранных элементов");
  print->addAction(AddCommand("PrintSelected", "Выбранного элемента",
                              "Печать элемента|Вывод на печать выбранного элемента отчета или подотчета"));
  print->addAction(
      AddCommand("PrintAll", "Всего отчета", "Печать всего отчета|Вывод на печать всего отчета или подотчета"));
  print->addAction(AddCommand("PrintBlank", "Бланк ...", "|Печать пустого бланка таблицы"));
  print->addAction(AddCommand("PrinterSetup", "Принтер", "Настройка принтера|Настройка параметров принтера"));

  QMenu* send = AddMenu(nullptr, "MenuSend", "Отправка", "|Подготовка отчета или подотчета для отправки");
  send->addAction(AddCommand("SendInternet", "Через Интернет", "|Подготовка файла данных отчета для отправки"));
  send->addAction(AddCommand("SendMedia", "На внешнем носителе", "|Подготовка файла данных отчета для отправки"));
  send->addAction(AddCommand("SendEmail", "По E-mail", "|Подготовка архива с данными в каталоге \"Почтовый ящик\""));
  commands_["SendEmail"]->setVisible(false);

  AddToMenuBar(AddCommand("Site", "Сайт", "|Выход на сайт системы подготовки и приема отчетов"));
  AddToMenuBar(AddCommand("Lights", "Светофоры", "Светофоры|Обновить показания светофоров"));

  QMenu* help = AddMenu(nullptr, "MenuHelp", "Справка", "|Справочная система");
  help->addAction(AddCommand("HelpContents", "Содержание", "|Содержание справочника"));
  help->addAction(AddCommand("About", "О программе", "|Основные сведения о программе"));

  // The tool bar's help button has a hint of its own.
  AddCommand("HelpTool", "Справка", "Справка|Справочная система задачи");
  AddMenuBarKey(this);
}

void TF_StructRep::BuildToolBar() {
  QToolBar* bar = addToolBar(U("ToolBar1"));
  bar->setObjectName("ToolBar1");
  bar->setMovable(false);
  bar->setIconSize(QSize(16, 16));
  QStyle* st = style();
  commands_["NewRep"]->setIcon(st->standardIcon(QStyle::SP_FileIcon));
  commands_["OpenRep"]->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
  commands_["SaveRep"]->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
  commands_["Edit"]->setIcon(ImageIcon(kImageTable));
  commands_["Check"]->setIcon(st->standardIcon(QStyle::SP_DialogApplyButton));
  commands_["ExportExcel"]->setIcon(LetterGlyph("X", QColor(0x1d, 0x6f, 0x42)));
  commands_["ExportWord"]->setIcon(LetterGlyph("W", QColor(0x2b, 0x57, 0x9a)));
  commands_["PrintSelected"]->setIcon(PrinterGlyph());
  commands_["Lights"]->setIcon(LightsGlyph());
  commands_["HelpTool"]->setIcon(LetterGlyph("?", QColor(0x2a, 0x6c, 0xd0)));
  for (const char* name : {"NewRep", "OpenRep", "SaveRep"}) bar->addAction(commands_[name]);
  bar->addSeparator();
  for (const char* name : {"Edit", "Check", "ExportExcel", "ExportWord"}) bar->addAction(commands_[name]);
  bar->addSeparator();
  bar->addAction(commands_["PrintSelected"]);
  bar->addSeparator();
  bar->addAction(commands_["Lights"]);
  bar->addAction(commands_["HelpTool"]);
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
  bar->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(bar, &QWidget::customContextMenuRequested, this, [this, bar](const QPoint& pos) {
    QMenu menu;
    menu.addAction(U("Справка"), this, [this] { Help(1); });
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
  bar->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(bar, &QWidget::customContextMenuRequested, this, [this, bar](const QPoint& pos) {
    QMenu menu;
    menu.addAction(U("Справка"), this, [this] { Help(2); });
    menu.exec(bar->mapToGlobal(pos));
  });
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
  auto on = [this](const char* name, auto fn) { connect(commands_[U(name)], &QAction::triggered, this, fn); };
  auto withState = [this](auto fn) {
    return [this, fn] {
      if (TReportState* s = state()) {
        try {
          fn(*s);
        } catch (const std::exception& e) {
          s->ui().ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
        }
      }
      UpdateStates();
    };
  };
  on("NewRep", withState([](TReportState& s) { s.NewReport(); }));
  on("OpenRep", withState([](TReportState& s) { s.Open(); }));
  on("SaveRep", withState([](TReportState& s) { s.Save(); }));
  on("SaveAsRep", withState([](TReportState& s) { s.SaveAs(); }));
  on("DeleteRep", withState([](TReportState& s) { s.DeleteReport(); }));
  on("Font", [this] { ChooseFont(); });
  on("Exit", [this] {
    exitMode_ = true;
    close();
  });
  on("Edit", [this] { EditExecute(false); });
  on("Lights", [this] { RefreshLights(); });
  on("Check", [this] { CheckReport(); });
  on("HelpContents", [this] { Help(201); });
  on("HelpTool", [this] { Help(201); });
  on("About", [this] { ShowAboutBox(this); });
  on("PrintAll", [this] {
    if (tree_->topLevelItemCount() > 0) tree_->setCurrentItem(tree_->topLevelItem(0));
    PrintSelected(false);
  });
  on("PrintSelected", [this] { PrintSelected(false); });
  on("PrintBlank", [this] { PrintSelected(true); });
  on("PrinterSetup", [this] {
    if (TReportState* s = state()) ChoosePrinter(*s, this);
  });
  // Commands whose work arrives later say so instead of doing nothing.
  ConnectSubreportCommands();
  on("ImportLastYear", [this] { Import(ImportFromLastYear); });
  on("ImportThisYear", [this] { Import(ImportFromThisYear); });
  for (const char* name : {"Colors", "ExportWord", "ExportExcel", "SendInternet", "SendMedia", "SendEmail", "Site"})
    on(name, [this] { NotYet(); });

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

void TF_StructRep::ConnectSubreportCommands() {
  auto on = [this](const char* name, auto fn) { connect(commands_[U(name)], &QAction::triggered, this, fn); };
  // Each command may replace the report or its structure: the tree and the
  // lights are drawn again afterwards.
  auto run = [this](auto fn) {
    return [this, fn] {
      TReportState* s = state();
      if (!s) return;
      try {
        fn(*s);
      } catch (const std::exception& e) {
        s->ui().ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
      }
      RebuildTree();
      UpdateLights();
      UpdateStates();
    };
  };
  on("SubStructure", run([](TReportState& s) { DefineSubreportStructure(s); }));
  on("SubCorrection", run([](TReportState& s) { CorrectSubreportStructure(s); }));
  on("SubInclude", run([](TReportState& s) { TSubreportInclusion(s).IncludeSubreport(); }));
  on("SubTransfer", run([](TReportState& s) { TransferSubreport(s, ExecutableFolder()); }));
  on("SubReception", run([](TReportState& s) { ReceiveSubreport(s); }));
  on("SubIncluded", run([this](TReportState& s) {
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

void TF_StructRep::Import(void (*run)(TReportState&, QWidget*)) {
  TReportState* s = state();
  if (!s) return;
  try {
    run(*s, this);
  } catch (const std::exception& e) {
    s->ui().ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
  }
  // An import that failed on the way loaded the saved report again.
  RebuildTree();
  UpdateLights();
  UpdateStates();
}

void TF_StructRep::PrintSelected(bool blank) {
  TReportState* s = state();
  QTreeWidgetItem* node = tree_->currentItem();
  if (!s || !node) return;
  int level = 0;
  for (QTreeWidgetItem* p = node->parent(); p; p = p->parent()) ++level;
  const int section = level == 1 ? node->parent()->indexOfChild(node)
                      : level == 2 ? node->parent()->parent()->indexOfChild(node->parent())
                                   : 0;
  const int item = level == 2 ? node->parent()->indexOfChild(node) : 0;
  setEnabled(false);
  try {
    PrintSelection(*s, this, level, section, item, blank);
  } catch (const std::exception& e) {
    s->ui().ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
  }
  setEnabled(true);
  // The report moved to the top of the recent list; a blank form's table
  // has its status worked out again.
  RebuildHistory();
  UpdateLights();
  UpdateStates();
}

void TF_StructRep::NotYet() {
  if (TReportState* s = state())
    s->ui().ShowMessage(MessageKind::Information, ToCp1251(NextVersionText()), kOk, kOk);
}

void TF_StructRep::Help(int topic) {
  if (session_) ShowHelp(session_->state().ui(), session_->state().folders().program, topic);
}

QAction* TF_StructRep::Command(const QString& name) const { return Named(commands_, name); }

QMenu* TF_StructRep::MenuNamed(const QString& name) const { return Named(menus_, name); }

// --- state ----------------------------------------------------------------------------------

StructureInputs TF_StructRep::Inputs() const {
  StructureInputs in;
  in.printerInstalled = printerInstalled_;
  const TReportState* s = state();
  if (!s) return in;
  in.treeVisible = s->treeVisible && tree_->topLevelItemCount() > 0;
  in.structureEditing = s->structureEditing;
  in.isSubreport = s->isSubreport;
  in.subreportOnly = s->subreportOnly;
  in.tablesOpen = !s->tables().empty();
  const QTreeWidgetItem* cur = tree_->currentItem();
  in.selected = KindOf(cur);
  in.selectedExcluded = cur && cur->data(0, kExcludedRole).toBool();
  in.modified = s->IsModified();
  in.loading = s->loading();
  in.importableTables = session_->options().importableTables;
  in.recentEmpty = const_cast<TReportState*>(s)->recent().empty();
  return in;
}

void TF_StructRep::UpdateStates() {
  const StructureInputs in = Inputs();
  const StructureStates st = ComputeStructureStates(in);
  auto enable = [this](const char* name, bool on) { commands_[U(name)]->setEnabled(on); };
  enable("SaveAsRep", st.saveAs);
  enable("SaveRep", st.save);
  enable("DeleteRep", st.remove);
  enable("Colors", st.colors);
  enable("Edit", st.edit);
  enable("ImportLastYear", st.lastYear);
  commands_["ImportLastYear"]->setVisible(st.lastYearVisible);
  enable("ImportThisYear", st.thisYear);
  commands_["ImportThisYear"]->setVisible(st.thisYearVisible);
  enable("ExportWord", st.word);
  enable("ExportExcel", st.excel);
  enable("Check", st.check);
  enable("SubStructure", st.structure);
  enable("SubCorrection", st.correction);
  enable("SubTransfer", st.transfer);
  enable("SubInclude", st.include);
  enable("SubIncluded", st.includedList);
  enable("PrintSelected", st.printSelected);
  enable("PrintAll", st.printAll);
  enable("PrintBlank", st.blank);
  enable("SendInternet", st.internet);
  enable("SendEmail", st.email);
  enable("Lights", st.lights);
  commands_["Site"]->setVisible(st.siteVisible);
  commands_["PrintAll"]->setText(st.printAllSubreportCaption ? U("Всего подотчета") : U("Всего отчета"));
  menus_["MenuData"]->menuAction()->setEnabled(st.data);
  menus_["MenuImport"]->menuAction()->setVisible(st.importVisible);
  menus_["MenuExport"]->menuAction()->setEnabled(st.exportMenu);
  menus_["MenuSend"]->menuAction()->setEnabled(st.sending);
  menus_["MenuSubreport"]->menuAction()->setVisible(st.subreportVisible);
  settingsSeparator_->setVisible(st.subreportVisible);
  menus_["MenuHistory"]->menuAction()->setEnabled(st.history);
  legend_->SetShown(st.legend);

  const TReportState* s = state();
  QString kind;
  if (in.treeVisible) {
    if (in.structureEditing) kind = U("Структура подотчета");
    else if (in.isSubreport) kind = U("Подотчет");
    else kind = U("Отчет");
  }
  kindLabel_->setText(kind);
  tree_->setVisible(in.treeVisible);
  if (s && s->treeVisible && !s->caption.empty())
    setWindowTitle(FromCp1251(s->caption));
  else
    setWindowTitle(FromCp1251("Структура отчета:"_w));
}

void TF_StructRep::StateChanged(const TReportState& s) {
  const bool loading = s.loading();
  if (loading && !wasLoading_) {
    tree_->clear();
    shownTree_ = false;
  }
  const bool want = s.treeVisible && s.structure.has_value();
  if (!loading && want && (wasLoading_ || !shownTree_)) RebuildTree();
  if (!want && shownTree_) {
    tree_->clear();
    shownTree_ = false;
    if (selectTab_) selectTab_->Rebuild(nullptr, *this);
  }
  wasLoading_ = loading;
  if (!loading) UpdateLights();
  RebuildHistory();
  UpdateStates();
}

void TF_StructRep::BringToFront() {
  show();
  KeepOnScreen(*this);
  raise();
  activateWindow();
  tree_->setFocus();
}

void TF_StructRep::RebuildTree() {
  tree_->clear();
  shownTree_ = false;
  const TReportState* s = state();
  if (!s || !s->structure) return;
  const StructureModel& m = *s->structure;
  auto* root = new QTreeWidgetItem(tree_, QStringList(FromCp1251(m.title)));
  root->setData(0, kKindRole, static_cast<int>(NodeKind::Root));
  root->setData(0, kStateRole, kImageNone);
  for (std::size_t si = 0; si < m.sections.size(); ++si) {
    const StructureSection& section = m.sections[si];
    auto* sn = new QTreeWidgetItem(root, QStringList(FromCp1251(section.title)));
    sn->setData(0, kKindRole, static_cast<int>(NodeKind::Section));
    sn->setData(0, kSectionIndexRole, static_cast<int>(si));
    for (std::size_t ii = 0; ii < section.items.size(); ++ii) {
      const StructureItem& item = section.items[ii];
      auto* in = new QTreeWidgetItem(sn, QStringList(FromCp1251(item.title)));
      in->setData(0, kKindRole,
                  static_cast<int>(item.kind == ItemKind::Table ? NodeKind::Table : NodeKind::Document));
      in->setData(0, kSectionNameRole, FromCp1251(item.sectionName));
      in->setData(0, kFileRole, FromCp1251(item.file));
      in->setData(0, kSectionIndexRole, static_cast<int>(si));
      in->setData(0, kItemIndexRole, static_cast<int>(ii));
    }
  }
  tree_->expandAll();
  shownTree_ = true;
  UpdateLights();
  tree_->setCurrentItem(root);
  tree_->scrollToTop();
  if (selectTab_) selectTab_->Rebuild(s, *this);
}

void TF_StructRep::UpdateLights() {
  TReportState* s = state();
  if (!s || !s->structure || !shownTree_) return;
  const StructureModel& m = *s->structure;
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    QTreeWidgetItem* node = *it;
    const NodeKind kind = KindOf(node);
    int stateImage = kImageNone;
    bool excluded = false;
    if (kind == NodeKind::Section || kind == NodeKind::Document || kind == NodeKind::Table) {
      const auto si = static_cast<std::size_t>(node->data(0, kSectionIndexRole).toInt());
      if (si < m.sections.size()) {
        const StructureSection& section = m.sections[si];
        if (kind == NodeKind::Section) {
          excluded = section.excluded;
        } else {
          const auto ii = static_cast<std::size_t>(node->data(0, kItemIndexRole).toInt());
          if (ii < section.items.size()) excluded = section.items[ii].excluded;
        }
      }
      if (excluded) {
        stateImage = kImageExcluded;
      } else if (kind == NodeKind::Table) {
        if (const TReportTable* t = s->FindTable(ToCp1251(node->data(0, kFileRole).toString())))
          stateImage = LightForStatus(t->table->status);
      }
    }
    node->setData(0, kExcludedRole, excluded);
    node->setData(0, kStateRole, stateImage);
    SetNodeIcon(node);
  }
  if (selectTab_) selectTab_->CopyStates(*this);
}

void TF_StructRep::RebuildHistory() {
  historyMenu_->clear();
  TReportState* s = state();
  if (!s) return;
  for (const std::string& entry : s->recent().entries()) {
    std::string shown = entry;
    if (shown.size() > 1 && shown.back() == '/') shown.pop_back();
    QAction* a = historyMenu_->addAction(QString::fromStdString(shown));
    connect(a, &QAction::triggered, this, [this, entry] {
      if (TReportState* st = state()) {
        try {
          st->ChooseRecent(entry);
        } catch (const std::exception& e) {
          st->ui().ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
        }
      }
      UpdateStates();
    });
  }
}

int TF_StructRep::SelectedPosition() const {
  int position = 0;
  for (QTreeWidgetItemIterator it(tree_); *it; ++it, ++position)
    if (*it == tree_->currentItem()) return position;
  return -1;
}

void TF_StructRep::SelectPosition(int position) {
  int i = 0;
  for (QTreeWidgetItemIterator it(tree_); *it; ++it, ++i)
    if (i == position) {
      tree_->setCurrentItem(*it);
      return;
    }
}

// --- commands -------------------------------------------------------------------------------

bool TF_StructRep::OpenDocumentItem(const std::string& file) {
  TReportState* s = state();
  const std::string path = s->folders().working + Cp1251ToUtf8(file);
  for (const std::string& candidate : {path, ReplaceExtension(path, ".doc"), ReplaceExtension(path, ".docx")}) {
    const std::filesystem::path p(candidate);
    const auto found = FindEntryNoCase(WithSeparator(p.parent_path().string()), p.filename().string());
    if (found && std::filesystem::is_regular_file(*found) && s->ui().OpenDocument(*found)) return true;
  }
  return false;
}

void TF_StructRep::EditExecute(bool byEnter) {
  TReportState* s = state();
  QTreeWidgetItem* node = tree_->currentItem();
  if (!s || !node) return;
  const NodeKind kind = KindOf(node);
  const bool excluded = node->data(0, kExcludedRole).toBool();
  if ((kind == NodeKind::Table || kind == NodeKind::Document) && !excluded) {
    if (!s->structureEditing) {
      if (kind == NodeKind::Table) {
        if (selectTab_) selectTab_->Select(SelectedPosition());
        const std::string file = ToCp1251(node->data(0, kFileRole).toString());
        if (!tableOpener_) {
          NotYet();
        } else if (s->FindTable(file)) {
          // The tables frame takes over; closing the structure window now
          // must not end the program.
          SetExitMode(false);
          close();
          tableOpener_(file);
        }
      } else if (OpenDocumentItem(ToCp1251(node->data(0, kFileRole).toString()))) {
        s->documentOpened = true;
      } else {
        s->ui().ShowMessage(MessageKind::Error, "Программа WinWord.exe не загружается."_w, kOk, kOk);
      }
    }
  } else if (byEnter && IsFolderNode(node)) {
    node->setExpanded(!node->isExpanded());
  }
  UpdateStates();
}

void TF_StructRep::EditItemTitled(const QString& caption) {
  TReportState* s = state();
  if (!s || !s->structure) return;
  const auto target = checks::FindTargetItem(*s->structure, ToCp1251(caption));
  if (!target) return;
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    const NodeKind kind = KindOf(*it);
    if ((kind == NodeKind::Table || kind == NodeKind::Document) &&
        (*it)->data(0, kSectionIndexRole).toInt() == static_cast<int>(target->first) &&
        (*it)->data(0, kItemIndexRole).toInt() == static_cast<int>(target->second)) {
      tree_->setCurrentItem(*it);
      EditExecute(false);
      return;
    }
  }
}

void TF_StructRep::CheckReport() {
  TReportState* s = state();
  checks::TableChecker* c = checker();
  if (!s || !c) return;
  try {
    c->CheckReport(s->ui());
  } catch (const std::exception& e) {
    s->ui().ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
  }
  // The check refreshed every status; the protocol's "Таблица" may have
  // handed over to the tables frame meanwhile.
  UpdateLights();
  UpdateStates();
}

void TF_StructRep::RefreshLights() {
  TReportState* s = state();
  if (!s || s->structureEditing) return;
  s->RefreshStatuses();
  UpdateLights();
  UpdateStates();
}

void TF_StructRep::ChooseFont() {
  if (!session_) return;
  TReportState& s = session_->state();
  TableContext& context = s.tableContext();
  QFont initial;
  if (!context.userFontFace.empty()) initial.setFamily(FromCp1251(context.userFontFace));
  if (context.userFontSize > 0) initial.setPointSize(context.userFontSize);
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, initial, this, QString(), QFontDialog::ScalableFonts);
  if (!ok) return;
  TableFontChoice choice{ToCp1251(font.family()), font.pointSize() > 0 ? font.pointSize() : 0};
  context.userFontFace = choice.face;
  context.userFontSize = choice.size;
  const std::string error = WriteTableFontChoice(s.folders().program, choice);
  if (!error.empty()) s.ui().ShowMessage(MessageKind::Error, error, kOk, kOk);
  if (fontApplier_) fontApplier_();
}

void TF_StructRep::TreePressed(QTreeWidgetItem* item) {
  TReportState* s = state();
  if (!s || !s->structureEditing || !s->structure || !item) return;
  const NodeKind kind = KindOf(item);
  StructureNode node;
  node.section = static_cast<std::size_t>(item->data(0, kSectionIndexRole).toInt());
  bool mark = false;
  if (kind == NodeKind::Table || kind == NodeKind::Document) {
    node.item = static_cast<std::size_t>(item->data(0, kItemIndexRole).toInt());
  } else if (kind == NodeKind::Section && (QApplication::keyboardModifiers() & Qt::ShiftModifier)) {
    if (node.section >= s->structure->sections.size()) return;
    mark = !s->structure->sections[node.section].excluded;
  } else {
    return;
  }
  const auto path = FindStructureFile(s->folders().working);
  if (!path) return;
  try {
    if (SetExcluded(*s->structure, *path, node, mark, s->ui())) s->structureChanged = true;
  } catch (const std::exception& e) {
    s->ui().ShowMessage(MessageKind::Error, e.what(), kOk, kOk);
  }
  UpdateLights();
  UpdateStates();
}

// --- window events --------------------------------------------------------------------------

void TF_StructRep::closeEvent(QCloseEvent* event) {
  if (!exitMode_ || !session_) {
    event->accept();
    return;
  }
  if (!session_->CloseRequest()) {
    event->ignore();
    UpdateStates();
    return;
  }
  SavePlacement();
  event->accept();
  emit programEnd();
}

void TF_StructRep::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) UpdateStates();
}

bool TF_StructRep::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      EditExecute(true);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TF_StructRep::RestorePlacement() {
  if (!session_) return;
  const auto placement = ReadPlacement(session_->state().folders().program, kPlacementSection);
  if (!placement) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      setGeometry(QRect(area.center() - QPoint(width() / 2, height() / 2), size()));
    }
    return;
  }
  ApplyPlacement(*this, *placement);
}

void TF_StructRep::SavePlacement() {
  if (session_) WritePlacement(session_->state().folders().program, kPlacementSection, *this);
}

}  // namespace rpt::gui
