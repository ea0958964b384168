// Window placements kept in the program folder's "History.ini", one section
// per window: "Left", "Top", "Width", "Height" of the normal geometry and
// "Maximized".
#pragma once

#include <QRect>
#include <optional>
#include <string>

class QWidget;

namespace rpt::gui {

struct WindowPlacement {
  QRect normal;
  bool maximized = false;
};

// The saved placement; nothing when none was saved or it has no size.
std::optional<WindowPlacement> ReadPlacement(const std::string& programFolder, const char* section);

// Saves `window`'s normal geometry and maximised state.
void WritePlacement(const std::string& programFolder, const char* section, const QWidget& window);

}  // namespace rpt::gui
