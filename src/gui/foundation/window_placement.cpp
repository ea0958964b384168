#include "gui/foundation/window_placement.h"

#include <QWidget>
#include <utility>

#include "core/foundation/folders.h"
#include "core/foundation/my_ini_file.h"

namespace rpt::gui {

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

}  // namespace rpt::gui
