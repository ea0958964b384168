// The GUI's edge of the text rule: Windows-1251 bytes <-> QString.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace rpt::gui {

QString FromCp1251(std::string_view cp1251);
std::string ToCp1251(const QString& text);  // characters outside the code page become "?"

}  // namespace rpt::gui
