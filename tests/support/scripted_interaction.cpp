#include "support/scripted_interaction.h"

namespace rpt::testing {

Button ScriptedInteraction::ShowMessage(MessageKind kind, std::string_view text, unsigned buttons,
                                        Button defaultButton) {
  Button answer = defaultButton;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  } else if (answer == kNoButton) {
    for (Button b : {kYes, kOk, kNo, kCancel})
      if (buttons & b) { answer = b; break; }
  }
  messages.push_back({kind, std::string(text), buttons, answer});
  return answer;
}

std::optional<std::string> ScriptedInteraction::NextPicker() {
  if (pickerAnswers.empty()) return std::nullopt;
  auto answer = pickerAnswers.front();
  pickerAnswers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedInteraction::ChooseFolder(std::string_view, const std::string&) {
  return NextPicker();
}
std::optional<std::string> ScriptedInteraction::ChooseOpenFile(std::string_view, std::string_view,
                                                               const std::string&) {
  return NextPicker();
}
std::optional<std::string> ScriptedInteraction::ChooseSaveFile(std::string_view, std::string_view,
                                                               const std::string&) {
  return NextPicker();
}

void ScriptedInteraction::ProgressShow(ProgressWindow window, std::string_view caption, bool stoppable,
                                       bool secondBar) {
  progress.push_back({window, "show", 0, 0, std::string(caption), stoppable, secondBar});
  if (onProgressShow) onProgressShow(progress.back());
}
void ScriptedInteraction::ProgressUpdate(ProgressWindow window, int bar, int position,
                                         std::string_view text) {
  ++updates_;
  progress.push_back({window, "update", bar, position, std::string(text)});
}
void ScriptedInteraction::ProgressClose(ProgressWindow window) {
  progress.push_back({window, "close", 0, 0, {}});
}
bool ScriptedInteraction::ProgressStopRequested(ProgressWindow) {
  if (stopAfterUpdates < 0 || updates_ < stopAfterUpdates) return false;
  stopAfterUpdates = -1;
  return true;
}

bool ScriptedInteraction::OpenDocument(const std::string& path) {
  shellRequests.push_back("open " + path);
  return shellSucceeds;
}
bool ScriptedInteraction::OpenAddress(const std::string& url) {
  shellRequests.push_back("address " + url);
  return shellSucceeds;
}
bool ScriptedInteraction::StartProgram(const std::string& program,
                                       const std::vector<std::string>& args) {
  std::string line = "start " + program;
  for (const auto& a : args) line += " " + a;
  shellRequests.push_back(line);
  return shellSucceeds;
}

std::vector<std::string> ScriptedInteraction::MessageTexts() const {
  std::vector<std::string> texts;
  for (const auto& m : messages) texts.push_back(m.text);
  return texts;
}

}  // namespace rpt::testing
