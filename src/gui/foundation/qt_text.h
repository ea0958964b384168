// The GUI's edge of the text rule: Windows-1251 bytes <-> QString.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace rpt::gui {

QString FromCp1251(std::string_view cp1251);
std::string ToCp1251(const QString& text);  // characters outside the code page become "?"
// A UTF-8 literal of the source (captions, hints) as a QString.
inline QString U(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

}  // namespace rpt::gui
