// The structure window's "Отправка" and "Сайт": the core's sending with the
// desktop's summaries, clipboard and printer list.
#pragma once

#include <string>

#include "core/output/report_sending.h"

class QWidget;

namespace rpt::gui {

// The summaries as the modal dialogs, the clipboard of the desktop, the
// printers of Qt's print support.
class QtSendDesk : public output::SendDesk {
 public:
  explicit QtSendDesk(QWidget* parent) : parent_(parent) {}
  checks::ErrorsSummaryAnswer AskErrors(const std::vector<std::string>& lines) override;
  checks::EmptySummaryAnswer AskEmpty(const std::vector<std::string>& lines) override;
  void PutOnClipboard(const std::string& text) override;
  std::vector<output::PrinterFacts> Printers() override;

 private:
  QWidget* parent_;
};

enum class SendCommand { Internet, Media, Email, Site };

// Runs the command, showing any failure it raises; `site` is the receiving
// site's page.
void RunSendCommand(TReportState& state, const std::string& site, SendCommand command, QWidget* parent);

}  // namespace rpt::gui
