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
#include <QPainter>
#include <QPrinterInfo>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
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
#include "core/output/excel_export.h"
#include "core/output/word_export.h"
#include "gui/calc/color_map_window.h"
#include "gui/foundation/command_set.h"
#include "gui/foundation/help.h"
#include "gui/foundation/images.h"
#include "gui/foundation/qt_text.h"
#include "gui/foundation/window_placement.h"
#include "gui/import/import_commands.h"
#include "gui/print/structure_print.h"
#include "gui/report/select_tab.h"

#include "core/subreports/inclusion.h"
#include "core/subreports/structure_editing.h"
#include "gui/subreports/subrep_list.h"

namespace rpt::gui {

using namespace literals;

namespace {

constexpr char kPlacementSection[] = "TF_StructRep";


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
  OnHelpKey(this, [this] { Help(tree_->hasFocus() ? 2 : 1); });
  commands_.CheckComplete();
  ConnectCommands();
  resize(780, 560);
  UpdateStates();
}

TF_StructRep::~TF_StructRep() = default;

TReportState* TF_StructRep::state() const { return session_ ? &session_->state() : nullptr; }

checks::TableChecker* TF_StructRep::checker() const {
  TReportState* s = state();
  return s ? s->engine().Checker() : nullptr;
}

void TF_StructRep::AttachSession(TProgramSession* session) {
  session_ = session;
  StateChanged(session->state());
}

void TF_StructRep::SetPrinterInstalled(bool installed) {
  printerInstalled_ = installed;
  UpdateStates();
}

void TF_StructRep::Import(void (*run)(TReportState&, QWidget*)) {
  TReportState* s = state();
  if (!s) return;
  try {
    run(*s, this);
  } catch (const std::exception& e) {
    s->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
  }
  // An import that failed on the way loaded the saved report again.
  RebuildTree();
  UpdateLights();
  UpdateStates();
}

TF_StructRep::TreeSelection TF_StructRep::Selection() const {
  TreeSelection sel;
  QTreeWidgetItem* node = tree_->currentItem();
  if (!node) return sel;
  sel.valid = true;
  for (QTreeWidgetItem* p = node->parent(); p; p = p->parent()) ++sel.level;
  sel.section = sel.level == 1   ? node->parent()->indexOfChild(node)
                : sel.level == 2 ? node->parent()->parent()->indexOfChild(node->parent())
                                 : 0;
  sel.item = sel.level == 2 ? node->parent()->indexOfChild(node) : 0;
  return sel;
}

void TF_StructRep::PrintSelected(bool blank) {
  TReportState* s = state();
  const TreeSelection sel = Selection();
  if (!s || !sel.valid) return;
  setEnabled(false);
  try {
    PrintSelection(*s, this, sel.level, sel.section, sel.item, blank);
  } catch (const std::exception& e) {
    s->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
  }
  setEnabled(true);
  // The report moved to the top of the recent list; a blank form's table
  // has its status worked out again.
  RebuildHistory();
  UpdateLights();
  UpdateStates();
}

void TF_StructRep::ExportExcel() {
  TReportState* s = state();
  const TreeSelection sel = Selection();
  if (!s || !sel.valid) return;
  setEnabled(false);
  try {
    output::TExcelExport(*s).Run(sel.level, sel.section, sel.item);
  } catch (const std::exception& e) {
    s->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
  }
  setEnabled(true);
  // The export moved the report to the top of the recent list and
  // recalculated its tables.
  RebuildHistory();
  UpdateLights();
  UpdateStates();
}

void TF_StructRep::ExportWord() {
  TReportState* s = state();
  const TreeSelection sel = Selection();
  if (!s || !sel.valid) return;
  setEnabled(false);
  try {
    output::TWordExport exporter(*s);
    // A document chosen alone opens for editing, as "Редактирование" does.
    exporter.editDocument = [this](int, int) { EditExecute(); };
    exporter.Run(sel.level, sel.section, sel.item);
  } catch (const std::exception& e) {
    s->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
  }
  setEnabled(true);
  RebuildHistory();
  UpdateLights();
  UpdateStates();
}

void TF_StructRep::NotYet() {
  if (TReportState* s = state())
    s->ui().ShowMessage(MessageKind::Information, ToCp1251(NextVersionText()), kOk, kOk);
}

void TF_StructRep::Help(int topic) {
  if (session_) ShowHelp(session_->state().ui(), session_->state().folders(), topic);
}

QAction* TF_StructRep::Command(const QString& name) const { return commands_.Named(name); }

QMenu* TF_StructRep::MenuNamed(const QString& name) const { return commands_.NamedMenu(name); }

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
  auto enable = [this](StructureCommand id, bool on) { commands_.Enable(id, on); };
  enable(StructureCommand::SaveAsRep, st.saveAs);
  enable(StructureCommand::SaveRep, st.save);
  enable(StructureCommand::DeleteRep, st.remove);
  enable(StructureCommand::Colors, st.colors);
  enable(StructureCommand::Edit, st.edit);
  enable(StructureCommand::ImportLastYear, st.lastYear);
  commands_[StructureCommand::ImportLastYear]->setVisible(st.lastYearVisible);
  enable(StructureCommand::ImportThisYear, st.thisYear);
  commands_[StructureCommand::ImportThisYear]->setVisible(st.thisYearVisible);
  enable(StructureCommand::ExportWord, st.word);
  enable(StructureCommand::ExportExcel, st.excel);
  enable(StructureCommand::Check, st.check);
  enable(StructureCommand::SubStructure, st.structure);
  enable(StructureCommand::SubCorrection, st.correction);
  enable(StructureCommand::SubTransfer, st.transfer);
  enable(StructureCommand::SubInclude, st.include);
  enable(StructureCommand::SubIncluded, st.includedList);
  enable(StructureCommand::PrintSelected, st.printSelected);
  enable(StructureCommand::PrintAll, st.printAll);
  enable(StructureCommand::PrintBlank, st.blank);
  enable(StructureCommand::SendInternet, st.internet);
  enable(StructureCommand::SendEmail, st.email);
  enable(StructureCommand::Lights, st.lights);
  commands_[StructureCommand::Site]->setVisible(st.siteVisible);
  commands_[StructureCommand::PrintAll]->setText(st.printAllSubreportCaption ? U("Всего подотчета") : U("Всего отчета"));
  commands_.menu(StructureMenu::MenuData)->menuAction()->setEnabled(st.data);
  commands_.menu(StructureMenu::MenuImport)->menuAction()->setVisible(st.importVisible);
  commands_.menu(StructureMenu::MenuExport)->menuAction()->setEnabled(st.exportMenu);
  commands_.menu(StructureMenu::MenuSend)->menuAction()->setEnabled(st.sending);
  commands_.menu(StructureMenu::MenuSubreport)->menuAction()->setVisible(st.subreportVisible);
  settingsSeparator_->setVisible(st.subreportVisible);
  commands_.menu(StructureMenu::MenuHistory)->menuAction()->setEnabled(st.history);
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
  // The lights in the open report's scheme, the legend's too.
  SetLightScheme(s->colorScheme().kind);
  if (legend_) legend_->update();
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
          st->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
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
        s->MarkDocumentOpened();
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
    s->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
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
  const TableContext& context = s.tableContext();
  QFont initial;
  if (!context.userFontFace.empty()) initial.setFamily(FromCp1251(context.userFontFace));
  if (context.userFontSize > 0) initial.setPointSize(context.userFontSize);
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, initial, this, QString(), QFontDialog::ScalableFonts);
  if (!ok) return;
  TableFontChoice choice{ToCp1251(font.family()), font.pointSize() > 0 ? font.pointSize() : 0};
  s.SetUserTableFont(choice.face, choice.size);
  const std::string error = WriteTableFontChoice(s.folders().program, choice);
  if (!error.empty()) s.ui().ShowMessage(MessageKind::Error, error, kOk, kOk);
  if (fontApplier_) fontApplier_();
}

void TF_StructRep::ChooseColors() {
  TReportState* s = state();
  if (!s || !s->structure) return;
  TColorMap window(*s, this);
  if (!window.Prepare() || window.exec() != QDialog::Accepted) return;
  s->ReloadColorScheme();
  SetLightScheme(s->colorScheme().kind);  // before the windows' icons are made again
  if (colorApplier_) colorApplier_();
  UpdateLights();
  UpdateStates();
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
    if (SetExcluded(*s->structure, *path, node, mark, s->ui())) s->MarkStructureChanged();
  } catch (const std::exception& e) {
    s->ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
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
