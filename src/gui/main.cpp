// The desktop program.
#include <QApplication>

#include "gui/report/structure_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("report");
  rpt::gui::StructureWindow window;
  window.show();
  return QApplication::exec();
}
