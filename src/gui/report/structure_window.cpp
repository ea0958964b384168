#include "gui/report/structure_window.h"

#include <QHeaderView>
#include <QStatusBar>
#include <QTreeWidget>

#include "core/foundation/codec.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

using namespace literals;

StructureWindow::StructureWindow(QWidget* parent) : QMainWindow(parent), tree_(new QTreeWidget(this)) {
  setWindowTitle(FromCp1251("Структура отчета:"_w));
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  setCentralWidget(tree_);
  statusBar();
  resize(640, 480);
}

void StructureWindow::ShowStructure(const StructureModel*) { tree_->clear(); }

}  // namespace rpt::gui
