// A scripted implementation of the interaction port for tests: it records
// every message (kind, exact Windows-1251 text, buttons) and answers from a
// queue of scripted answers; with none queued it answers the default button,
// or the first offered button when there is no default.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/foundation/interaction.h"

namespace rpt::testing {

struct RecordedMessage {
  MessageKind kind;
  std::string text;  // Windows-1251
  unsigned buttons;
  Button answer;
};

struct RecordedProgress {
  ProgressWindow window;
  std::string event;  // "show", "update", "close"
  int bar = 0;
  int position = 0;
  std::string text;
  bool stoppable = false;  // "show" only
  bool secondBar = false;  // "show" only
};

class ScriptedInteraction : public Interaction {
 public:
  // Answers for the coming messages, in order.
  std::deque<Button> answers;
  // Answers for the coming pickers, in order (nothing = cancelled).
  std::deque<std::optional<std::string>> pickerAnswers;
  // After this many progress updates the user asks to stop once (the next
  // ProgressStopRequested answers true, later ones false until it is set again).
  int stopAfterUpdates = -1;
  bool shellSucceeds = true;
  // Called when a progress window is shown, after it is recorded: lets a
  // test change files in the middle of an operation.
  std::function<void(const RecordedProgress&)> onProgressShow;

  std::vector<RecordedMessage> messages;
  std::vector<RecordedProgress> progress;
  std::vector<std::string> shellRequests;  // "open PATH", "address URL", "start PROGRAM ARGS"

  Button ShowMessage(MessageKind kind, std::string_view text, unsigned buttons,
                     Button defaultButton) override;
  std::optional<std::string> ChooseFolder(std::string_view caption, const std::string& start) override;
  std::optional<std::string> ChooseOpenFile(std::string_view caption, std::string_view filter,
                                            const std::string& start) override;
  std::optional<std::string> ChooseSaveFile(std::string_view caption, std::string_view filter,
                                            const std::string& start) override;
  void ProgressShow(ProgressWindow window, std::string_view caption, bool stoppable,
                    bool secondBar) override;
  void ProgressUpdate(ProgressWindow window, int bar, int position, std::string_view text) override;
  void ProgressClose(ProgressWindow window) override;
  bool ProgressStopRequested(ProgressWindow window) override;
  bool OpenDocument(const std::string& path) override;
  bool OpenAddress(const std::string& url) override;
  bool StartProgram(const std::string& program, const std::vector<std::string>& args) override;

  // Message texts only, in order (Windows-1251).
  std::vector<std::string> MessageTexts() const;

 private:
  std::optional<std::string> NextPicker();
  int updates_ = 0;
};

}  // namespace rpt::testing
