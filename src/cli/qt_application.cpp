#include "cli/qt_application.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPrinterInfo>
#include <cstdlib>

namespace rpt::cli {

void EnsureGuiApplication() {
  if (QCoreApplication::instance()) return;
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "reportctl";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
}

std::vector<output::PrinterFacts> InstalledPrinters() {
  EnsureGuiApplication();
  std::vector<output::PrinterFacts> out;
  const QString current = QPrinterInfo::defaultPrinterName();
  for (const QString& name : QPrinterInfo::availablePrinterNames())
    out.push_back({name.toStdString(), name == current});
  return out;
}

}  // namespace rpt::cli
