// A benchmark's answer to every question: the default button, no file or
// folder chosen, nothing opened; the last message is kept for error reports.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/interaction.h"

namespace rpt::bench {

class QuietInteraction : public Interaction {
 public:
  Button ShowMessage(MessageKind, std::string_view text, unsigned buttons, Button def) override {
    last = std::string(text);
    return def != kNoButton ? def : (buttons & kYes) ? kYes : kOk;
  }
  std::optional<std::string> ChooseFolder(std::string_view, const std::string&) override { return {}; }
  std::optional<std::string> ChooseOpenFile(std::string_view, std::string_view, const std::string&) override {
    return {};
  }
  std::optional<std::string> ChooseSaveFile(std::string_view, std::string_view, const std::string&) override {
    return {};
  }
  void ProgressShow(ProgressWindow, std::string_view, bool, bool) override {}
  void ProgressUpdate(ProgressWindow, int, int, std::string_view) override {}
  void ProgressClose(ProgressWindow) override {}
  bool ProgressStopRequested(ProgressWindow) override { return false; }
  bool OpenDocument(const std::string&) override { return false; }
  bool OpenAddress(const std::string&) override { return false; }
  bool StartProgram(const std::string&, const std::vector<std::string>&) override { return false; }
  std::string last;  // the last message (Windows-1251)
};

}  // namespace rpt::bench
