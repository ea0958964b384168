#include "gui/tables/cell_editors.h"

#include "gui/foundation/qt_text.h"

namespace rpt::gui {

QString EditorText(std::string_view value) {
  QString text = FromCp1251(value);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return text;
}

std::string ValueText(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return ToCp1251(text);
}

// "Не более 9 цифр", "Не более 255 знаков": what the status bar says when
// an editor refuses characters beyond its limit. After "более" the noun
// takes the genitive: singular for 1, 21, 31..., plural otherwise.
QString LimitText(int limit, bool digits) {
  const bool one = limit % 10 == 1 && limit % 100 != 11;
  const char* noun = digits ? (one ? "цифры" : "цифр") : (one ? "знака" : "знаков");
  return U("Не более ") + QString::number(limit) + QLatin1Char(' ') + U(noun);
}

}  // namespace rpt::gui
