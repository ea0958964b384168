#include "gui/calc/protocol_window.h"

#include <QDialog>
#include <QDockWidget>
#include <QEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/interaction.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

using namespace literals;
namespace texts = checks::texts;

namespace {

// A dock or window that is closed by its close box clears the protocol.
class CloseWatcher : public QObject {
 public:
  CloseWatcher(QObject* parent, std::function<void()> onClose) : QObject(parent), onClose_(std::move(onClose)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Close) onClose_();
    return false;
  }

 private:
  std::function<void()> onClose_;
};

QPushButton* Button(QWidget* parent, std::string_view caption, std::string_view hint) {
  auto* b = new QPushButton(FromCp1251(caption), parent);
  b->setToolTip(FromCp1251(hint));
  b->setStatusTip(FromCp1251(hint));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TFormProtocol::TFormProtocol(checks::TableChecker& checker, Interaction& ui, QWidget* parent)
    : QWidget(nullptr), checker_(checker), ui_(ui), free_(new QDialog(parent)), list_(new QListWidget(this)),
      detail_(new QPlainTextEdit(this)), table_(Button(this, "Таблица"_w, texts::kTableButtonHint)),
      print_(Button(this, "Печатать"_w, texts::kPrintButtonHint)),
      file_(Button(this, "В файл"_w, texts::kFileButtonHint)),
      exit_(Button(this, "Выход"_w, texts::kExitButtonHint)) {
  setObjectName("FormProtocol");
  setWindowTitle(FromCp1251(texts::kProtocolCaption));
  free_->setObjectName("FormProtocolWindow");
  free_->setWindowTitle(FromCp1251(texts::kProtocolCaption));
  free_->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  free_->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  free_->resize(560, 380);
  auto* freeLayout = new QVBoxLayout(free_);
  freeLayout->setContentsMargins(0, 0, 0, 0);
  freeLayout->addWidget(this);
  connect(free_, &QDialog::finished, this, [this] {
    if (checker_.protocolView().showing && !rendering_) checker_.CloseProtocol();
  });

  detail_->setReadOnly(true);
  detail_->setMaximumHeight(64);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(table_);
  buttons->addWidget(print_);
  buttons->addWidget(file_);
  buttons->addStretch();
  buttons->addWidget(exit_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addWidget(detail_);
  layout->addLayout(buttons);

  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!rendering_ && row >= 0) SelectLine(row);
  });
  // A click on the message already chosen goes to its cells again.
  connect(list_, &QListWidget::itemClicked, this, [this] {
    if (checker_.protocolView().mode == checks::ProtocolMode::Table) emit cellsChosen();
  });
  // In report mode a double click (or Enter) on a message goes to its cells.
  connect(list_, &QListWidget::itemActivated, this, [this] {
    if (checker_.protocolView().mode == checks::ProtocolMode::Report && table_->isEnabled()) TableClick();
  });
  connect(table_, &QPushButton::clicked, this, &TFormProtocol::TableClick);
  connect(print_, &QPushButton::clicked, this, &TFormProtocol::PrintClick);
  connect(file_, &QPushButton::clicked, this, &TFormProtocol::FileClick);
  connect(exit_, &QPushButton::clicked, this, &TFormProtocol::ExitClick);
  table_->setEnabled(false);
  print_->setEnabled(false);
  checker_.AddObserver(this);
}

TFormProtocol::~TFormProtocol() {
  checker_.RemoveObserver(this);
  // Without a parent nothing else releases the free window; it must let go
  // of this window first, which is being destroyed already.
  if (free_ && !free_->parent()) {
    if (parentWidget() == free_) setParent(nullptr);
    delete free_;
  }
}

void TFormProtocol::SetDock(QDockWidget* dock) {
  dock_ = dock;
  if (!dock_) return;
  dock_->setWindowTitle(FromCp1251(texts::kProtocolCaption));
  dock_->installEventFilter(new CloseWatcher(dock_, [this] {
    if (checker_.protocolView().showing && checker_.protocolView().mode == checks::ProtocolMode::Table &&
        !rendering_)
      checker_.CloseProtocol();
  }));
}

void TFormProtocol::ProtocolChanged(const checks::ProtocolView& view) { Render(view); }

void TFormProtocol::Render(const checks::ProtocolView& view) {
  TTable* previous = highlighted_;
  highlighted_ = view.showing && view.mode == checks::ProtocolMode::Table ? view.currentTable : nullptr;
  if (previous && previous != highlighted_) emit highlightChanged(previous);

  if (!view.showing) {
    rendering_ = true;
    list_->clear();
    detail_->clear();
    rendering_ = false;
    lastError_.clear();
    const bool wasShown = free_->isVisible() || (dock_ && dock_->isVisible() && dock_->widget() == this);
    HideAll();
    if (wasShown) emit closed();
    return;
  }

  rendering_ = true;
  // A failed rule shows below its message what it compared: "5 > 3 + 2".
  const auto shown = [&view](std::size_t i) {
    QString text = FromCp1251(view.lines[i]);
    if (i < view.details.size() && !view.details[i].empty())
      text += QStringLiteral("\n        ") + FromCp1251(view.details[i]);
    return text;
  };
  bool same = list_->count() == static_cast<int>(view.lines.size());
  for (int i = 0; same && i < list_->count(); ++i) same = list_->item(i)->text() == shown(static_cast<std::size_t>(i));
  if (!same) {
    list_->clear();
    for (std::size_t i = 0; i < view.lines.size(); ++i) list_->addItem(shown(i));
  }
  list_->setCurrentRow(view.selected);
  detail_->setPlainText(view.selected >= 0 && view.selected < static_cast<int>(view.lines.size())
                            ? shown(static_cast<std::size_t>(view.selected))
                            : QString());
  table_->setEnabled(view.mode == checks::ProtocolMode::Report && view.tableButtonEnabled);
  print_->setEnabled(printEnabled_ && printEnabled_());
  rendering_ = false;

  if (highlighted_) emit highlightChanged(highlighted_);
  if (view.selectionError.empty()) lastError_.clear();
  const bool newError = !view.selectionError.empty() && view.selectionError != lastError_;
  if (newError) lastError_ = view.selectionError;
  ShowIn(view);
  if (newError) ReportSelectionError(view.selectionError);
}

void TFormProtocol::ShowIn(const checks::ProtocolView& view) {
  if (view.mode == checks::ProtocolMode::Table && dock_) {
    if (free_->isVisible()) {
      rendering_ = true;
      free_->hide();
      rendering_ = false;
    }
    if (dock_->widget() != this) dock_->setWidget(this);
    show();
    dock_->show();
    return;
  }
  if (parentWidget() != free_) {
    if (dock_ && dock_->widget() == this) {
      dock_->setWidget(nullptr);
      dock_->hide();
    }
    setParent(free_);
    free_->layout()->addWidget(this);
  }
  show();
  if (free_->isVisible()) return;
  if (view.modal && !inModalLoop_) {
    inModalLoop_ = true;
    free_->exec();
    inModalLoop_ = false;
  } else {
    free_->show();
    free_->raise();
  }
}

void TFormProtocol::HideAll() {
  rendering_ = true;
  if (free_->isVisible()) free_->hide();
  if (dock_ && dock_->widget() == this) dock_->hide();
  rendering_ = false;
}

void TFormProtocol::ReportSelectionError(const std::string& message) {
  ui_.ShowMessage(MessageKind::Error, message, kOk, kOk);
}

void TFormProtocol::SelectLine(int index) {
  try {
    checker_.SelectProtocolLine(index);
  } catch (const ECoreError& e) {
    lastError_ = e.what();
    ReportSelectionError(e.what());
  }
  if (checker_.protocolView().mode == checks::ProtocolMode::Table) emit cellsChosen();
}

void TFormProtocol::TableClick() {
  const checks::ProtocolView& view = checker_.protocolView();
  if (view.mode != checks::ProtocolMode::Report || !view.targetCaption) return;
  const QString caption = FromCp1251(*view.targetCaption);
  const auto [table, message] = checker_.LineMessage(view.selected);
  checker_.CloseProtocol();
  emit tableRequested(caption);
  // A message was chosen, not the table's caption: on to its cells.
  if (table && message >= 0) emit messageRequested(table, message);
}

void TFormProtocol::PrintClick() {
  const std::string path = serviceFolder_ + std::string(texts::kProtocolPrintFile);
  if (const std::string error = checker_.WriteProtocolFile(path); !error.empty()) {
    ui_.ShowMessage(MessageKind::Error, error, kOk, kOk);
    return;
  }
  if (ShowTextFile(ui_, path, ChooseTextEditor())) return;
  // Nothing on the desktop opens text files: print the lines directly.
  QPrinter printer;
  QPrintDialog dialog(&printer, window());
  if (dialog.exec() != QDialog::Accepted) return;
  QTextDocument document;
  document.setPlainText(QString::fromStdString(checker_.ProtocolFileText()));
  document.print(&printer);
}

void TFormProtocol::FileClick() {
  auto path = ui_.ChooseSaveFile(texts::kSaveProtocolCaption, texts::kSaveProtocolFilter, "");
  if (!path) return;
  // The default extension "txt" for a name given without one.
  const auto slash = path->rfind('/');
  if (path->find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos) *path += ".txt";
  if (const std::string error = checker_.WriteProtocolFile(*path); !error.empty())
    ui_.ShowMessage(MessageKind::Error, error, kOk, kOk);
}

void TFormProtocol::ExitClick() { checker_.CloseProtocol(); }

}  // namespace rpt::gui
