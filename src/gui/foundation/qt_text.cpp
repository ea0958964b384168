#include "gui/foundation/qt_text.h"

#include "core/foundation/codec.h"

namespace rpt::gui {

QString FromCp1251(std::string_view cp1251) {
  QString out;
  out.reserve(static_cast<qsizetype>(cp1251.size()));
  for (const char c : cp1251) out += QChar(static_cast<char16_t>(Cp1251ToUnicode(static_cast<unsigned char>(c))));
  return out;
}

std::string ToCp1251(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return Utf8ToCp1251(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

}  // namespace rpt::gui
