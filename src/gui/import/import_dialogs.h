// The import windows: choosing last year's entries, choosing the items of
// another report of this year, and the import protocol. They only choose
// and show; the import itself is the core's.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "core/import/import_common.h"

class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace rpt::gui {

// "Импорт данных прошлого года".
class TImportLastYearDlg : public QDialog {
  Q_OBJECT
 public:
  TImportLastYearDlg(const std::vector<ImportListLine>& lines, QWidget* parent = nullptr);
  // The entry numbers of the checked lines, in list order.
  std::vector<int> SelectedEntries() const;
  QListWidget* List() const { return list_; }
  QPushButton* RunButton() const { return run_; }

 private:
  QListWidget* list_;
  QPushButton* run_;
};

// "Протокол импорта данных".
class TImportProt : public QDialog {
  Q_OBJECT
 public:
  TImportProt(const ImportProtocol& protocol, QWidget* parent = nullptr);
  QListWidget* List() const { return list_; }

 private:
  QListWidget* list_;
};

// "Импорт данных из отчета этого года".
class TDlgImportFromThisYear : public QDialog {
  Q_OBJECT
 public:
  TDlgImportFromThisYear(const std::vector<std::string>& titles, QWidget* parent = nullptr);
  // The titles (Windows-1251) of the ticked lines, in list order.
  std::vector<std::string> SelectedTitles() const;
  QListWidget* List() const { return list_; }
  QLabel* Counter() const { return counter_; }
  QMenu* PopupMenu() const { return menu_; }

 private:
  void Count();
  void TickAll(bool ticked);
  void TickSelected();
  QListWidget* list_;
  QLabel* counter_;
  QMenu* menu_;
  std::vector<std::string> titles_;
};

}  // namespace rpt::gui
