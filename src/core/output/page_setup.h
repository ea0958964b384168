// The page setup dialog's logic without its widgets: the page settings
// being edited, the copy "Отменить" returns to, margins that turn with
// the page, the standard margins of each orientation and the limits.
#pragma once

#include "core/tables/table_context.h"

namespace rpt::output {

PageSettings StandardPage(std::uint8_t orientation);
// The margins of a page turned to `orientation`: to landscape the bottom
// margin becomes the left one, left → top, top → right, right → bottom;
// back to portrait the other way round.
PageSettings TurnedPage(const PageSettings& page, std::uint8_t orientation);

inline constexpr int kMaxMargin = 100;
inline constexpr int kMaxTopMargin = 250;

enum class Margin { Left, Top, Right, Bottom };

// Answers to the closing question "Сохранить изменения?".
enum class CloseAnswer { Yes, No, Cancel };

class PageSetupState {
 public:
  PageSetupState() : record_(StandardPage(0)), saved_(record_) {}

  // Shown for a table: its settings, nothing to cancel yet.
  void Show(const PageSettings& page);
  void SetMargin(Margin m, int value);  // clamped to the edit's limits
  void SetOrientation(std::uint8_t orientation);  // by the user: the margins turn
  void Standard();
  void Cancel();
  void Apply();
  // Closing: true when the dialog closes. With pending changes the answer
  // decides (Cancel keeps it open; No returns to the saved copy).
  bool Close(CloseAnswer answer);

  const PageSettings& Record() const { return record_; }
  bool CancelEnabled() const { return cancelEnabled_; }
  bool Applied() const { return applied_; }

 private:
  PageSettings record_;
  PageSettings saved_;
  bool cancelEnabled_ = false;
  bool applied_ = false;
};

// The page sketch: the outline and the printable area inside it, in dialog
// pixels, for a dialog `clientWidth` wide.
struct SketchRect {
  int left, top, width, height;
};
struct Sketch {
  SketchRect page, printable;
};
Sketch PageSketch(const PageSettings& page, int clientWidth);

}  // namespace rpt::output
