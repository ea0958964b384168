#include "gui/print/send_commands.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPrinterInfo>

#include "core/foundation/errors.h"
#include "core/foundation/interaction.h"
#include "core/report/report_state.h"
#include "gui/calc/summary_dialogs.h"

namespace rpt::gui {

checks::ErrorsSummaryAnswer QtSendDesk::AskErrors(const std::vector<std::string>& lines) {
  return ShowErrorsSummary(lines, parent_);
}

checks::EmptySummaryAnswer QtSendDesk::AskEmpty(const std::vector<std::string>& lines) {
  return ShowEmptySummary(lines, parent_);
}

void QtSendDesk::PutOnClipboard(const std::string& text) {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(QString::fromStdString(text));
}

std::vector<output::PrinterFacts> QtSendDesk::Printers() {
  std::vector<output::PrinterFacts> out;
  const QString current = QPrinterInfo::defaultPrinterName();
  for (const QString& name : QPrinterInfo::availablePrinterNames()) out.push_back({name.toStdString(), name == current});
  return out;
}

void RunSendCommand(TReportState& state, const std::string& site, SendCommand command, QWidget* parent) {
  QtSendDesk desk(parent);
  output::TReportSending sending(state, desk, site);
  try {
    switch (command) {
      case SendCommand::Internet: sending.SendInternet(); break;
      case SendCommand::Media: sending.SendMedia(); break;
      case SendCommand::Email: sending.SendEmail(); break;
      case SendCommand::Site: sending.OpenSite(); break;
    }
  } catch (const std::exception& e) {
    state.ui().ShowMessage(MessageKind::Error, ErrorMessage(e), kOk, kOk);
  }
}

}  // namespace rpt::gui
