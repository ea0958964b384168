#include "gui/calc/color_map_window.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/interaction.h"
#include "core/report/report_state.h"
#include "core/tables/color_picking.h"
#include "gui/foundation/qt_text.h"
#include "gui/tables/cell_painting.h"

namespace rpt::gui {

using namespace literals;

namespace {

void SetHint(QWidget* w, std::string_view hint) {
  w->setToolTip(FromCp1251(hint));
  w->setStatusTip(FromCp1251(hint));
}

// A swatch: the colour with a dark edge, as the group shows it.
class TSwatch : public QWidget {
 public:
  explicit TSwatch(QWidget* parent) : QWidget(parent) { setFixedSize(56, 22); }
  void SetColor(TColor c) {
    color_ = c;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColorOf(color_));
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }

 private:
  TColor color_ = 0;
};

// Rows of groups shown without scrolling; more scroll in a window this high.
constexpr int kRowsShown = 6;
constexpr int kRowsAtMost = 12;

}  // namespace

// --- the field ------------------------------------------------------------------

TColorField::TColorField(QWidget* parent) : QWidget(parent), field_(kWidth, kHeight, QImage::Format_RGB32) {
  setObjectName("ColorField");
  setFixedSize(kWidth, kHeight);
  setCursor(Qt::CrossCursor);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) field_.setPixelColor(x, y, QColorOf(FieldColor(x, y, kWidth, kHeight)));
}

void TColorField::SetMarker(int x, int y) {
  marker_ = QPoint(x, y);
  update();
}

void TColorField::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, field_);
  p.setRenderHint(QPainter::Antialiasing);
  // A ring in black and white, seen on any colour of the field.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::black, 3));
  p.drawEllipse(QPointF(marker_) + QPointF(0.5, 0.5), 5, 5);
  p.setPen(QPen(Qt::white, 1.5));
  p.drawEllipse(QPointF(marker_) + QPointF(0.5, 0.5), 5, 5);
}

void TColorField::Pick(const QPoint& at) {
  const int x = std::clamp(at.x(), 0, kWidth - 1), y = std::clamp(at.y(), 0, kHeight - 1);
  SetMarker(x, y);
  emit picked(x, y);
}

void TColorField::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) Pick(e->position().toPoint());
}

void TColorField::mouseMoveEvent(QMouseEvent* e) {
  if (e->buttons() & Qt::LeftButton) Pick(e->position().toPoint());
}

// --- the brightness scale ------------------------------------------------------------

namespace {
constexpr int kStripWidth = 22, kPointerWidth = 10;
}

TBrightnessScale::TBrightnessScale(QWidget* parent) : QWidget(parent) {
  setObjectName("BrightnessScale");
  setFixedSize(kStripWidth + kPointerWidth + 2, kSteps + 8);
  setCursor(Qt::SizeVerCursor);
}

void TBrightnessScale::SetColor(TColor base, int step) {
  base_ = base;
  step_ = std::clamp(step, 0, kSteps - 1);
  update();
}

void TBrightnessScale::paintEvent(QPaintEvent*) {
  QPainter p(this);
  constexpr int top = 4;
  for (int s = 0; s < kSteps; ++s) p.fillRect(0, top + s, kStripWidth, 1, QColorOf(ScaleColor(base_, s, kSteps)));
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(0, top, kStripWidth - 1, kSteps - 1);
  // The pointer: a triangle at the strip's right, pointing at the step.
  p.setRenderHint(QPainter::Antialiasing);
  const qreal y = top + step_ + 0.5;
  QPainterPath tri;
  tri.moveTo(kStripWidth + 1, y);
  tri.lineTo(kStripWidth + 1 + kPointerWidth, y - 5);
  tri.lineTo(kStripWidth + 1 + kPointerWidth, y + 5);
  tri.closeSubpath();
  p.setPen(palette().color(QPalette::WindowText));
  p.setBrush(palette().color(QPalette::WindowText));
  p.drawPath(tri);
}

void TBrightnessScale::Pick(int y) {
  SetColor(base_, y - 4);
  emit picked(step_);
}

void TBrightnessScale::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) Pick(e->position().toPoint().y());
}

void TBrightnessScale::mouseMoveEvent(QMouseEvent* e) {
  if (e->buttons() & Qt::LeftButton) Pick(e->position().toPoint().y());
}

// --- a group ---------------------------------------------------------------------------

TColorGrupp::TColorGrupp(int tag, QWidget* parent) : QWidget(parent), tag_(tag) {
  setObjectName(QString("ColorGrupp%1").arg(tag));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 2, 4, 2);
  check_ = new QCheckBox(QString::number(tag), this);
  default_ = new TSwatch(this);
  user_ = new TSwatch(this);
  SetHint(default_, "Цвет по умолчанию"_w);
  SetHint(user_, "Цвет пользователя"_w);
  row->addWidget(check_);
  row->addWidget(default_);
  row->addWidget(new QLabel(QStringLiteral("\u2192"), this));
  row->addWidget(user_);
  row->addStretch();
  default_->installEventFilter(this);
  user_->installEventFilter(this);
  // Exactly one group is checked: a click on the checked one keeps it so.
  connect(check_, &QCheckBox::clicked, this, [this] {
    check_->setChecked(true);
    emit activated(tag_);
  });
}

void TColorGrupp::SetColors(TColor def, TColor user) {
  static_cast<TSwatch*>(default_)->SetColor(def);
  static_cast<TSwatch*>(user_)->SetColor(user);
}

void TColorGrupp::SetChecked(bool on) { check_->setChecked(on); }

bool TColorGrupp::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress && (watched == default_ || watched == user_)) emit activated(tag_);
  return QWidget::eventFilter(watched, event);
}

// --- the window -------------------------------------------------------------------------

TColorMap::TColorMap(TReportState& state, QWidget* parent)
    : QDialog(parent), state_(state), ui_(state.ui()), path_(state.ColorsFilePath()) {
  setObjectName("TColorMap");
  setWindowTitle(FromCp1251("Цветовая карта"_w));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  layout->addLayout(top);

  auto* picking = new QHBoxLayout;
  field_ = new TColorField(this);
  scale_ = new TBrightnessScale(this);
  picking->addWidget(field_, 0, Qt::AlignTop);
  picking->addWidget(scale_, 0, Qt::AlignTop);
  top->addLayout(picking);

  auto* groupsColumn = new QVBoxLayout;
  auto* background = new QGroupBox(FromCp1251(" Фон таблиц "_w), this);
  backgroundBox_ = background;
  new QVBoxLayout(background);
  auto* cells = new QGroupBox(FromCp1251(" Цвета ячеек "_w), this);
  cellsBox_ = cells;
  auto* cellsLayout = new QVBoxLayout(cells);
  auto* scroll = cellsScroll_ = new QScrollArea(cells);
  scroll->setObjectName("CellColors");
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  cellsList_ = new QWidget(scroll);
  new QVBoxLayout(cellsList_);
  scroll->setWidget(cellsList_);
  cellsLayout->addWidget(scroll);
  groupsColumn->addWidget(background);
  groupsColumn->addWidget(cells, 1);
  top->addLayout(groupsColumn, 1);

  auto* kinds = new QGroupBox(FromCp1251(" Схема "_w), this);
  auto* kindsLayout = new QVBoxLayout(kinds);
  standard_ = new QRadioButton(FromCp1251("Обычная"_w), kinds);
  distinct_ = new QRadioButton(FromCp1251("Различимая при нарушениях цветового зрения"_w), kinds);
  standard_->setObjectName("StandardScheme");
  distinct_->setObjectName("DistinctScheme");
  SetHint(distinct_, "Цвета ячеек и светофоров различаются и по яркости"_w);
  kindsLayout->addWidget(standard_);
  kindsLayout->addWidget(distinct_);
  layout->addWidget(kinds);

  auto* buttons = new QHBoxLayout;
  defaults_ = new QPushButton(FromCp1251("Отменить"_w), this);
  save_ = new QPushButton(FromCp1251("Сохранить"_w), this);
  exit_ = new QPushButton(FromCp1251("Выход"_w), this);
  SetHint(defaults_, "Цвета по умолчанию"_w);
  SetHint(save_, "Сохранить цветовые настройки"_w);
  SetHint(exit_, "Закончить настройку"_w);
  buttons->addWidget(defaults_);
  buttons->addWidget(save_);
  buttons->addStretch();
  buttons->addWidget(exit_);
  layout->addLayout(buttons);
  for (QPushButton* b : {defaults_, save_, exit_}) b->setAutoDefault(false);

  connect(field_, &TColorField::picked, this, &TColorMap::PickField);
  connect(scale_, &TBrightnessScale::picked, this, &TColorMap::PickScale);
  connect(defaults_, &QPushButton::clicked, this, &TColorMap::Defaults);
  connect(save_, &QPushButton::clicked, this, [this] { Save(); });
  connect(exit_, &QPushButton::clicked, this, &QDialog::reject);
  connect(standard_, &QRadioButton::clicked, this, [this] { ChooseKind(SchemeKind::Standard); });
  connect(distinct_, &QRadioButton::clicked, this, [this] { ChooseKind(SchemeKind::Distinct); });
}

bool TColorMap::Prepare() {
  std::vector<TTable*> tables;
  for (const TReportTable& t : state_.tables()) tables.push_back(t.table.get());
  try {
    scheme_ = RebuildColorsFile(path_, tables, &ui_);
  } catch (const std::exception& e) {
    ui_.ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
    return false;
  }
  BuildGroups();
  ShowKind();
  Edit(1);
  pending_ = false;
  return true;
}

void TColorMap::BuildGroups() {
  for (TColorGrupp* g : groups_) delete g;
  groups_.clear();
  for (std::size_t k = 1; k <= scheme_.pairs.size(); ++k) {
    QWidget* box = k == 1 ? backgroundBox_ : cellsList_;
    auto* g = new TColorGrupp(static_cast<int>(k), box);
    box->layout()->addWidget(g);
    connect(g, &TColorGrupp::activated, this, &TColorMap::Edit);
    groups_.push_back(g);
    ShowGroup(static_cast<int>(k));
  }
  static_cast<QVBoxLayout*>(cellsList_->layout())->addStretch();
  // Six rows fit as they are; with more the window grows, up to twelve
  // rows, and the rest scroll.
  const int rows = std::max(static_cast<int>(groups_.size()) - 1, 1);
  const int rowHeight = groups_.empty() ? 26 : groups_.front()->sizeHint().height();
  cellsScroll_->setMinimumHeight(std::min(std::max(rows, kRowsShown), kRowsAtMost) * rowHeight + 8);
  adjustSize();
}

void TColorMap::ShowGroup(int tag) {
  const ColorPair& p = scheme_.pairs.at(static_cast<std::size_t>(tag - 1));
  Group(tag)->SetColors(p.def, p.user);
}

void TColorMap::ShowKind() {
  standard_->setChecked(scheme_.kind == SchemeKind::Standard);
  distinct_->setChecked(scheme_.kind == SchemeKind::Distinct);
}

QRadioButton* TColorMap::KindButton(SchemeKind kind) const {
  return kind == SchemeKind::Distinct ? distinct_ : standard_;
}

void TColorMap::Edit(int tag) {
  if (tag < 1 || tag > GroupCount()) return;
  edited_ = tag;
  for (TColorGrupp* g : groups_) g->SetChecked(g->tag() == tag);
  const TColor user = scheme_.pairs[static_cast<std::size_t>(tag - 1)].user;
  const ColorPick pick = NearestPick(user, TColorField::kWidth, TColorField::kHeight, TBrightnessScale::kSteps);
  field_->SetMarker(pick.x, pick.y);
  base_ = FieldColor(pick.x, pick.y, TColorField::kWidth, TColorField::kHeight);
  scale_->SetColor(base_, pick.step);
}

void TColorMap::PickField(int x, int y) {
  if (groups_.empty()) return;
  base_ = FieldColor(x, y, TColorField::kWidth, TColorField::kHeight);
  scale_->SetColor(base_, 0);
  field_->SetMarker(x, y);
  scheme_.pairs[static_cast<std::size_t>(edited_ - 1)].user = base_;
  ShowGroup(edited_);
  SetPending();
}

void TColorMap::PickScale(int step) {
  if (groups_.empty()) return;
  scale_->SetColor(base_, step);
  scheme_.pairs[static_cast<std::size_t>(edited_ - 1)].user =
      ScaleColor(base_, scale_->step(), TBrightnessScale::kSteps);
  ShowGroup(edited_);
  SetPending();
}

void TColorMap::Defaults() {
  scheme_.pairs = DefaultUserColors(std::move(scheme_.pairs));
  for (TColorGrupp* g : groups_) ShowGroup(g->tag());
  Edit(edited_);
  SetPending();
}

void TColorMap::ChooseKind(SchemeKind kind) {
  scheme_.kind = kind;
  scheme_.pairs = kind == SchemeKind::Distinct ? DistinctUserColors(std::move(scheme_.pairs))
                                               : DefaultUserColors(std::move(scheme_.pairs));
  ShowKind();
  for (TColorGrupp* g : groups_) ShowGroup(g->tag());
  Edit(edited_);
  SetPending();
}

bool TColorMap::Save() {
  if (const std::string error = SaveUserColors(path_, scheme_); !error.empty()) {
    ui_.ShowMessage(MessageKind::Error, error, kOk, kOk);
    return false;
  }
  pending_ = false;
  accept();
  return true;
}

void TColorMap::done(int result) {
  if (pending_ && result != QDialog::Accepted) {
    switch (
        ui_.ShowMessage(MessageKind::Confirmation, "Сохранить изменения в настройках?"_w, kYes | kNo | kCancel, kYes)) {
      case kYes: Save(); return;
      case kNo: pending_ = false; break;
      default: return;  // the window stays open
    }
  }
  QDialog::done(result);
}

}  // namespace rpt::gui
