#include "gui/foundation/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "core/foundation/folders.h"
#include "core/foundation/my_ini_file.h"

namespace rpt::gui {

namespace {

QRect AvailableAround(const QWidget& window, QPoint point) {
  const QScreen* screen = QGuiApplication::screenAt(point);
  if (!screen) screen = window.screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

}  // namespace

std::optional<WindowPlacement> ReadPlacement(const std::string& programFolder, const char* section) {
  const ProfileFile history(programFolder + std::string(kHistoryFileName));
  const int w = history.ReadInteger(section, "Width", 0);
  const int h = history.ReadInteger(section, "Height", 0);
  if (w <= 0 || h <= 0) return std::nullopt;
  return WindowPlacement{QRect(history.ReadInteger(section, "Left", 0), history.ReadInteger(section, "Top", 0), w, h),
                         history.ReadBool(section, "Maximized", false)};
}

void WritePlacement(const std::string& programFolder, const char* section, const QWidget& window) {
  ProfileFile history(programFolder + std::string(kHistoryFileName));
  const QRect g = window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
  const std::pair<const char*, int> values[] = {{"Left", g.x()},          {"Top", g.y()},
                                                {"Width", g.width()},     {"Height", g.height()},
                                                {"Maximized", window.isMaximized() ? 1 : 0}};
  for (const auto& [key, value] : values) (void)history.WriteString(section, key, std::to_string(value));
}

QRect FitOnScreen(QRect client, QMargins frame, QRect available) {
  if (!available.isValid()) return client;
  const QRect room = available.marginsRemoved(frame);
  const int w = std::max(1, std::min(client.width(), room.width()));
  const int h = std::max(1, std::min(client.height(), room.height()));
  const int x = std::max(room.left(), std::min(client.x(), room.left() + room.width() - w));
  const int y = std::max(room.top(), std::min(client.y(), room.top() + room.height() - h));
  return QRect(x, y, w, h);
}

QMargins FrameMargins(const QWidget& window) {
  const QRect outer = window.frameGeometry(), inner = window.geometry();
  return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                  outer.bottom() - inner.bottom());
}

void ApplyPlacement(QWidget& window, const WindowPlacement& placement) {
  // setGeometry places the client area, as the saved geometry is; move()
  // would place the frame there and the window would creep down by its
  // title bar at every start.
  window.setGeometry(
      FitOnScreen(placement.normal, FrameMargins(window), AvailableAround(window, placement.normal.center())));
  if (placement.maximized) window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

void KeepOnScreen(QWidget& window) {
  if (window.isMaximized() || window.isFullScreen() || window.isMinimized()) return;
  const QRect client = window.geometry();
  const QRect fitted = FitOnScreen(client, FrameMargins(window), AvailableAround(window, client.center()));
  if (fitted != client) window.setGeometry(fitted);
}

}  // namespace rpt::gui
