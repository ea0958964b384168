// The editors a table window lays over the cell being edited, one per kind
// of cell: multi-line text, whole and real numbers, values from a list and
// dates with a calendar. They know nothing of the model; the window moves
// texts between them and the cells (EditorText, ValueText).
#pragma once

#include <QCalendarWidget>
#include <QDate>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QString>
#include <QToolButton>
#include <QValidator>
#include <QWidgetAction>
#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

namespace rpt::gui {

// The width of the drop-down button of the list and date editors.
inline constexpr int kButtonWidth = 18;

// Editor text <-> cell value: the editors break lines with LF, the model
// with CR LF.
QString EditorText(std::string_view value);
std::string ValueText(QString text);

// "Не более 9 цифр", "Не более 255 знаков": what the status bar says when
// an editor refuses characters beyond its limit.
QString LimitText(int limit, bool digits);

class TMemoEdit : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;
};

// Keeps a line editor's text within `limit` characters of an allowed form.
// What goes beyond the limit is refused, the rest of a paste kept, and
// `refused` tells the user why. (The field's own maximum length would cut
// typed and pasted text without a word.)
class TLimitValidator : public QValidator {
 public:
  TLimitValidator(int limit, const QString& pattern, std::function<void()> refused, QObject* parent)
      : QValidator(parent),
        limit_(limit),
        allowed_(pattern.isEmpty() ? QRegularExpression() : QRegularExpression(QRegularExpression::anchoredPattern(pattern))),
        refused_(std::move(refused)) {}

  State validate(QString& input, int& pos) const override {
    if (!allowed_.pattern().isEmpty() && !allowed_.match(input).hasMatch()) return Invalid;
    if (input.size() <= limit_) return Acceptable;
    // The characters just typed or pasted end at the cursor: the ones past
    // the limit go, the text around them stays.
    const int excess = static_cast<int>(input.size()) - limit_;
    if (pos >= excess) {
      input.remove(pos - excess, excess);
      pos -= excess;
    } else {
      input.truncate(limit_);
      pos = std::min(pos, limit_);
    }
    refused_();
    return Acceptable;
  }

 private:
  int limit_;
  QRegularExpression allowed_;
  std::function<void()> refused_;
};

class TNumberEdit : public QLineEdit {
 public:
  TNumberEdit(bool real, std::function<void(const QString&)> refused, QWidget* parent)
      : QLineEdit(parent), real_(real) {
    setAlignment(Qt::AlignCenter);
    const int limit = real ? 18 : 9;
    setValidator(new TLimitValidator(
        limit, real ? QStringLiteral("[0-9]*([.,][0-9]*)?") : QStringLiteral("[0-9]*"),
        [refused, limit, real] { refused(LimitText(limit, !real)); }, this));
    setFrame(false);
  }
  bool real() const { return real_; }

 private:
  bool real_;
};

// A text field with a drop-down button at its right.
class TButtonEdit : public QLineEdit {
 public:
  explicit TButtonEdit(QWidget* parent) : QLineEdit(parent), button_(new QToolButton(this)) {
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setCursor(Qt::ArrowCursor);
    button_->setArrowType(Qt::DownArrow);
    button_->setAutoRaise(false);
    setTextMargins(0, 0, kButtonWidth, 0);
    setFrame(false);
  }
  QToolButton* button() const { return button_; }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QLineEdit::resizeEvent(e);
    button_->setGeometry(width() - kButtonWidth, 0, kButtonWidth, height());
  }

 private:
  QToolButton* button_;
};

class TListEdit : public TButtonEdit {
 public:
  TListEdit(std::function<void(const QString&)> refused, QWidget* parent) : TButtonEdit(parent) {
    setValidator(new TLimitValidator(255, QString(), [refused] { refused(LimitText(255, false)); }, this));
  }
};

class TDateEdit : public TButtonEdit {
 public:
  explicit TDateEdit(QWidget* parent) : TButtonEdit(parent) {
    setInputMask(QStringLiteral("00.00.0000; "));
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* menu = new QMenu(this);
    auto* action = new QWidgetAction(menu);
    calendar_ = new QCalendarWidget(menu);
    action->setDefaultWidget(calendar_);
    menu->addAction(action);
    button()->setMenu(menu);
    button()->setPopupMode(QToolButton::InstantPopup);
    QObject::connect(menu, &QMenu::aboutToShow, this, [this] {
      const QDate d = QDate::fromString(displayText(), QStringLiteral("dd.MM.yyyy"));
      calendar_->setSelectedDate(d.isValid() ? d : QDate::currentDate());
    });
  }
  QCalendarWidget* calendar() const { return calendar_; }

 private:
  QCalendarWidget* calendar_;
};

}  // namespace rpt::gui
