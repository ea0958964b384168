// TSelectTab ("Выбор документа"): a second copy of the report's tree from
// which the tables frame jumps to another table or document. Node for node
// the same as the structure window's tree, so that positions, lights and
// excluded marks correspond.
#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace rpt {
class TReportState;
}

namespace rpt::gui {

class TF_StructRep;

class TSelectTab : public QDialog {
  Q_OBJECT
 public:
  explicit TSelectTab(TF_StructRep* structure, QWidget* parent = nullptr);

  // Rebuilt whenever a report is loaded (nothing: emptied).
  void Rebuild(const TReportState* state, const TF_StructRep& structure);
  // The state images (lights, excluded marks) of the structure tree.
  void CopyStates(const TF_StructRep& structure);
  // Selects the node at a depth-first position (root 0).
  void Select(int position);
  int SelectedPosition() const;
  // "Открыть": the same node chosen in the structure window and edited there.
  void OpenSelected();

  QTreeWidget* Tree() const { return tree_; }
  QPushButton* OpenButton() const { return open_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateOpen();
  TF_StructRep* structure_;
  QTreeWidget* tree_;
  QPushButton* open_;
};

}  // namespace rpt::gui
