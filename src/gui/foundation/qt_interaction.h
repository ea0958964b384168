// The interaction port implemented with Qt: message boxes with the fixed
// titles and button captions, pickers, progress windows, desktop hand-overs.
#pragma once

#include <QPointer>
#include <QWidget>

#include "core/foundation/interaction.h"
#include "gui/foundation/progress_windows.h"


namespace rpt::gui {

class TFormProgressWindow;
class TFormProgressDWindow;

class QtInteraction : public Interaction {
 public:
  explicit QtInteraction(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

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
  void ProcessEvents() override;
  bool OpenDocument(const std::string& path) override;
  bool OpenAddress(const std::string& url) override;
  bool StartProgram(const std::string& program, const std::vector<std::string>& args) override;

 private:
  QPointer<QWidget> parent_;
  QPointer<TFormProgressWindow> single_;
  QPointer<TFormProgressDWindow> double_;
 public:
  TFormProgressWindow* singleWindow() const { return single_; }
  TFormProgressDWindow* doubleWindow() const { return double_; }
};

}  // namespace rpt::gui
