// The interaction port. The core never shows anything itself: every message
// box, file or folder picker, progress window and hand-over to the desktop
// goes through this interface. The desktop program implements it with Qt,
// the tests with a scripted double, reportctl non-interactively.
//
// All texts passed here are Windows-1251 bytes; paths are UTF-8 file-system
// paths.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rpt {

// The four kinds of message box with their fixed titles.
enum class MessageKind {
  Warning,       // "Предупреждение"
  Error,         // "Ошибка"
  Information,   // "Информация"
  Confirmation,  // "Запрос"
};

// Buttons, combined as a bit set; the answer is one of them.
enum Button : unsigned {
  kNoButton = 0,
  kYes = 1,     // "Да"
  kNo = 2,      // "Нет"
  kOk = 4,      // "Дальше"
  kCancel = 8,  // "Отменить"
};

std::string_view MessageTitle(MessageKind kind);   // Windows-1251
std::string_view ButtonCaption(Button button);     // Windows-1251

// Which progress window: the single one with one bar, or the double one.
enum class ProgressWindow { Single, Double };

class Interaction {
 public:
  virtual ~Interaction() = default;

  // Shows a modal message and returns the button pressed. An interface that
  // cannot ask (reportctl) answers with the default button.
  virtual Button ShowMessage(MessageKind kind, std::string_view text, unsigned buttons,
                             Button defaultButton = kNoButton) = 0;

  // Pickers return a UTF-8 path, or nothing when the user cancelled.
  virtual std::optional<std::string> ChooseFolder(std::string_view caption,
                                                  const std::string& startFolder) = 0;
  virtual std::optional<std::string> ChooseOpenFile(std::string_view caption,
                                                    std::string_view filter,
                                                    const std::string& startFolder) = 0;
  virtual std::optional<std::string> ChooseSaveFile(std::string_view caption,
                                                    std::string_view filter,
                                                    const std::string& startPath) = 0;

  // Progress windows: the core keeps the counting (steps, scale, positions)
  // and the stop flag; the front end shows what it is told. Positions run
  // 0..25; bar 0 is the first bar, bar 1 the double window's second bar.
  // `stoppable`: the single window's close box, the double window's "Стоп"
  // button; `secondBar`: the double window's label and second bar.
  virtual void ProgressShow(ProgressWindow window, std::string_view caption, bool stoppable,
                            bool secondBar) = 0;
  // Moves a bar; a non-empty text replaces the caption (bar 0) or the
  // label (bar 1).
  virtual void ProgressUpdate(ProgressWindow window, int bar, int position,
                              std::string_view text) = 0;
  virtual void ProgressClose(ProgressWindow window) = 0;
  // True once per request of the user to stop (the single window's close
  // box, the double window's "Стоп") since the last call. The core then asks
  // "Вы действительно хотите прервать процесс?" and keeps the stop flag.
  virtual bool ProgressStopRequested(ProgressWindow window) = 0;

  // Lets pending window events run during a long loop (a no-op headless).
  virtual void ProcessEvents() {}

  // Hand-overs to the desktop; false when nothing could handle the request.
  virtual bool OpenDocument(const std::string& path) = 0;
  virtual bool OpenAddress(const std::string& url) = 0;
  virtual bool StartProgram(const std::string& program, const std::vector<std::string>& args) = 0;
};

}  // namespace rpt
