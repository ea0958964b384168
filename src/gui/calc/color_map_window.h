// "Цветовая карта": the report's colour scheme, one group per colour the
// tables use (the background first), with a colour field and a brightness
// scale to pick each group's replacement, and the choice between the
// standard scheme and one told apart with impaired colour vision. The file
// and every rule about it live in core/tables/color_scheme; the window only
// shows and picks.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <string>
#include <vector>

#include "core/tables/color_scheme.h"

class QPushButton;
class QRadioButton;
class QScrollArea;

namespace rpt {
class Interaction;
class TReportState;
}  // namespace rpt

namespace rpt::gui {

// The field of hues (across) and lightness (down).
class TColorField : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 240, kHeight = 160;
  explicit TColorField(QWidget* parent = nullptr);
  void SetMarker(int x, int y);
  QPoint marker() const { return marker_; }

 signals:
  void picked(int x, int y);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  void Pick(const QPoint& at);
  QImage field_;
  QPoint marker_;
};

// The brightness scale of the colour picked from the field, with its pointer.
class TBrightnessScale : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kSteps = TColorField::kHeight;
  explicit TBrightnessScale(QWidget* parent = nullptr);
  void SetColor(TColor base, int step);
  int step() const { return step_; }

 signals:
  void picked(int step);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  void Pick(int y);
  TColor base_ = 0;
  int step_ = 0;
};

// One entry of the scheme: its default and user colour and the check box
// that makes it the edited one. The tag is the entry's number.
class TColorGrupp : public QWidget {
  Q_OBJECT
 public:
  TColorGrupp(int tag, QWidget* parent = nullptr);
  int tag() const { return tag_; }
  void SetColors(TColor def, TColor user);
  void SetChecked(bool on);
  bool checked() const { return check_->isChecked(); }
  QCheckBox* checkBox() const { return check_; }
  QWidget* defaultSwatch() const { return default_; }
  QWidget* userSwatch() const { return user_; }

 signals:
  void activated(int tag);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int tag_;
  QCheckBox* check_;
  QWidget* default_;
  QWidget* user_;
};

class TColorMap : public QDialog {
  Q_OBJECT
 public:
  TColorMap(TReportState& state, QWidget* parent = nullptr);

  // Rebuilds "Colors.opt" from the open tables (with its progress window)
  // and shows its groups; false, after the error was shown, when the file
  // could not be written.
  bool Prepare();

  const TColorScheme& scheme() const { return scheme_; }
  bool pending() const { return pending_; }
  int edited() const { return edited_; }
  TColorGrupp* Group(int tag) const { return groups_.at(static_cast<std::size_t>(tag - 1)); }
  int GroupCount() const { return static_cast<int>(groups_.size()); }
  TColorField* Field() const { return field_; }
  TBrightnessScale* Scale() const { return scale_; }
  QPushButton* DefaultsButton() const { return defaults_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* ExitButton() const { return exit_; }
  QRadioButton* KindButton(SchemeKind kind) const;

  // The controls' work, also for tests.
  void Edit(int tag);
  void PickField(int x, int y);
  void PickScale(int step);
  void Defaults();
  void ChooseKind(SchemeKind kind);
  // Writes the user colours; the window closes accepted. False when the
  // file could not be written (the error is shown, the window stays).
  bool Save();

 protected:
  void done(int result) override;

 private:
  void BuildGroups();
  void ShowGroup(int tag);
  void ShowKind();
  void SetPending() { pending_ = true; }

  TReportState& state_;
  Interaction& ui_;
  std::string path_;
  TColorScheme scheme_;
  bool pending_ = false;
  int edited_ = 1;
  TColor base_ = 0;  // the field's colour last picked, darkened on the scale
  TColorField* field_;
  TBrightnessScale* scale_;
  QWidget* backgroundBox_;
  QWidget* cellsBox_;
  QWidget* cellsList_;
  QScrollArea* cellsScroll_;
  std::vector<TColorGrupp*> groups_;
  QRadioButton* standard_;
  QRadioButton* distinct_;
  QPushButton* defaults_;
  QPushButton* save_;
  QPushButton* exit_;
};

}  // namespace rpt::gui
