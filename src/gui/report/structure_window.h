// The application's working window: the open report as a tree of sections
// and items. Grows with the report lifecycle; for now it shows the tree of a
// structure model and the initial caption.
#pragma once

#include <QMainWindow>

class QTreeWidget;

namespace rpt {
struct StructureModel;
}

namespace rpt::gui {

class StructureWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit StructureWindow(QWidget* parent = nullptr);

  // Shows the model as the tree (nothing: an empty tree).
  void ShowStructure(const StructureModel* model);
  QTreeWidget* Tree() const { return tree_; }

 private:
  QTreeWidget* tree_;
};

}  // namespace rpt::gui
