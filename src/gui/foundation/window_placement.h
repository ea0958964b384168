// Window placements kept in the program folder's "History.ini", one section
// per window: "Left", "Top", "Width", "Height" of the normal geometry and
// "Maximized". The geometry is the client area's (inside the title bar and
// border) both when it is saved and when it is restored, so a window opens
// where it was left however thick the desktop draws its frame.
#pragma once

#include <QMargins>
#include <QRect>
#include <optional>
#include <string>

class QWidget;

namespace rpt::gui {

struct WindowPlacement {
  QRect normal;  // client area
  bool maximized = false;
};

// The saved placement; nothing when none was saved or it has no size.
std::optional<WindowPlacement> ReadPlacement(const std::string& programFolder, const char* section);

// Saves `window`'s normal geometry (client area) and maximised state.
void WritePlacement(const std::string& programFolder, const char* section, const QWidget& window);

// Where a window goes whose client area should be `client`, its frame
// being `frame` thick, on a screen whose available area is `available`:
// `client` itself when the window with its frame lies inside the area;
// otherwise moved in, and made smaller first when it is larger than the
// area, so that no part of it (its title bar least of all) is off screen.
QRect FitOnScreen(QRect client, QMargins frame, QRect available);

// The thickness of the frame the desktop draws around a window that has
// been shown; none before.
QMargins FrameMargins(const QWidget& window);

// Gives the window the placement, fitted to the screen that holds the
// middle of it (else the window's own or the primary screen).
void ApplyPlacement(QWidget& window, const WindowPlacement& placement);

// Moves a shown window back inside its screen's available area when any
// part of it lies outside (the frame may be known only once it is shown).
void KeepOnScreen(QWidget& window);

}  // namespace rpt::gui
