// The two dialogs of the row operations, shown for the core through
// RowDialogs: "Количество строк" (TF_InsRowCount) and the sort dialog
// "Выбор столбцов для сортировки" (TF_SortColumns).
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/tables/row_operations.h"

class QListWidget;
class QPushButton;
class QSpinBox;

namespace rpt::gui {

// "Количество строк": a spin field 1..100 starting at 1 over RowCountSpin,
// "Выполнить" and "Отменить", centred on the screen.
class TF_InsRowCount : public QDialog {
  Q_OBJECT
 public:
  TF_InsRowCount(RowCountSpin& spin, QWidget* parent = nullptr);
  QSpinBox* Spin() const { return spin_; }
  QPushButton* ExecuteButton() const { return execute_; }
  QPushButton* CancelButton() const { return cancel_; }
  // "Выполнить" / Enter in the field: confirms unless the value is above 100.
  void ExecuteClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TakeValue();
  RowCountSpin& model_;
  QSpinBox* spin_;
  QPushButton* execute_;
  QPushButton* cancel_;
};

// "Выбор столбцов для сортировки": "Доступные столбцы" on the left,
// "Отобранные столбцы" on the right in the order of the sort keys, move
// buttons between them, "Сортировать", "Отменить", "Справка".
class TF_SortColumns : public QDialog {
  Q_OBJECT
 public:
  explicit TF_SortColumns(const std::vector<std::string>& available, QWidget* parent = nullptr);
  // "Справка" (help topic 2003) goes here; unset: the button does nothing.
  void SetHelp(std::function<void(int)> help) { help_ = std::move(help); }

  QListWidget* Available() const { return available_; }
  QListWidget* Chosen() const { return chosen_; }
  // The texts of "Отобранные столбцы" in order.
  std::vector<std::string> ChosenColumns() const;

  // The move buttons: selected / all to the right, selected / all back.
  void MoveRight();
  void MoveAllRight();
  void MoveLeft();
  void MoveAllLeft();

  QPushButton* SortButton() const { return sort_; }
  QPushButton* CancelButton() const { return cancel_; }
  QPushButton* HelpButton() const { return help_button_; }

 private:
  void UpdateButtons();
  QListWidget* available_;
  QListWidget* chosen_;
  QPushButton* right_;
  QPushButton* allRight_;
  QPushButton* left_;
  QPushButton* allLeft_;
  QPushButton* sort_;
  QPushButton* cancel_;
  QPushButton* help_button_;
  std::function<void(int)> help_;
};

// RowDialogs with the two Qt dialogs, modal over `parent`.
class QtRowDialogs : public RowDialogs {
 public:
  explicit QtRowDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  void SetHelp(std::function<void(int)> help) { help_ = std::move(help); }

  bool RowCount(RowCountSpin& spin) override;
  std::optional<std::vector<std::string>> SortColumns(const std::vector<std::string>& available) override;

 private:
  QWidget* parent_;
  std::function<void(int)> help_;
};

}  // namespace rpt::gui
