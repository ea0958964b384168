// "Подотчеты": the list of the sub-reports included in the open report, with
// removal of the selected one and inclusion of a new one.
#pragma once

#include <QDialog>
#include <functional>

class QListWidget;
class QPushButton;

namespace rpt {
class TReportState;
}

namespace rpt::gui {

class TFormSubrepList : public QDialog {
  Q_OBJECT
 public:
  // `changed` runs after an inclusion or removal (the structure window
  // redraws its tree and lights).
  TFormSubrepList(TReportState& state, std::function<void()> changed, QWidget* parent = nullptr);

  // Fills the list from the report's structure file; the line holding
  // `select` (a folder without its trailing separator) is selected, else
  // the first.
  void Rebuild(const QString& select = {});
  QListWidget* List() const { return list_; }

 private:
  void Detach();
  void Attach();
  void UpdateButtons();

  TReportState& state_;
  std::function<void()> changed_;
  QListWidget* list_;
  QPushButton* detach_;
  QPushButton* attach_;
  QPushButton* exit_;
};

}  // namespace rpt::gui
