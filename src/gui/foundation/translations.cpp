#include "gui/foundation/translations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace rpt::gui {

bool UseRussianLanguage() {
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  static QTranslator* translator = nullptr;
  if (translator) return true;
  auto* loaded = new QTranslator(qApp);
  if (!loaded->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete loaded;
    return false;
  }
  QApplication::installTranslator(loaded);
  translator = loaded;
  return true;
}

}  // namespace rpt::gui
