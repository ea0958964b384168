// The interaction port for reportctl: nothing is asked. Messages go to
// stderr as "Title: text"; a question takes its default button, else "Да"
// (reportctl acts as if the user confirmed), else the first button offered.
#pragma once

#include "core/foundation/interaction.h"

namespace rpt::cli {

class HeadlessInteraction : public Interaction {
 public:
  Button ShowMessage(MessageKind kind, std::string_view text, unsigned buttons,
                     Button defaultButton) override;
  std::optional<std::string> ChooseFolder(std::string_view, const std::string&) override { return {}; }
  std::optional<std::string> ChooseOpenFile(std::string_view, std::string_view,
                                            const std::string&) override { return {}; }
  std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view,
                                            const std::string&) override { return {}; }
  void ProgressShow(ProgressWindow, std::string_view, bool, bool) override {}
  void ProgressUpdate(ProgressWindow, int, int, std::string_view) override {}
  void ProgressClose(ProgressWindow) override {}
  bool ProgressStopRequested(ProgressWindow) override { return false; }
  bool OpenDocument(const std::string&) override { return false; }
  bool OpenAddress(const std::string&) override { return false; }
  bool StartProgram(const std::string&, const std::vector<std::string>&) override { return false; }

  // Error boxes shown so far: a command whose work showed one does not end
  // as if all went well.
  int errorsShown = 0;
  // The file (UTF-8) the command works on: each message starts with it.
  std::string subject;
};

}  // namespace rpt::cli
