// "Состав показателя": what the report and each included sub-report hold in
// one numeric cell, with their sum; any value can be corrected and saved
// into the report and the sub-reports' packages. A thin window over
// TSubreportComposition.
#pragma once

#include <QDialog>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace rpt {
class Interaction;
class TSubreportComposition;
}  // namespace rpt

namespace rpt::gui {

class TFormSRData : public QDialog {
  Q_OBJECT
 public:
  // Raises what building the rows raises (a value that is no number).
  TFormSRData(std::unique_ptr<TSubreportComposition> model, Interaction& ui, QWidget* parent = nullptr);
  ~TFormSRData() override;

  TSubreportComposition& model() const { return *model_; }
  QTableWidget* Grid() const { return grid_; }
  QLineEdit* Input() const { return input_; }
  QPushButton* TakeButton() const { return take_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* CancelButton() const { return cancel_; }

  // The buttons' work, also for tests.
  void Take();
  void Save();
  void Cancel();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;

 private:
  void Fill();
  void SelectRow(int row);
  void UpdateButtons();
  // The question "Сохранить изменения?" when there is something to save.
  void AskToSave();

  std::unique_ptr<TSubreportComposition> model_;
  Interaction& ui_;
  QLabel* cellLabel_;
  QLabel* colLabel_;
  QLabel* rowLabel_;
  QTableWidget* grid_;
  QLineEdit* input_;
  QPushButton* take_;
  QPushButton* save_;
  QPushButton* cancel_;
  QPushButton* exit_;
  bool asked_ = false;
};

}  // namespace rpt::gui
