// The hourglass over the program while a command works: shown for the
// object's lifetime.
#pragma once

#include <QApplication>

namespace rpt::gui {

struct BusyPointer {
  BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyPointer() { QApplication::restoreOverrideCursor(); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
};

}  // namespace rpt::gui
