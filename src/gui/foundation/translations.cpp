#include "gui/foundation/translations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace rpt::gui {

namespace {

// The few texts of the file dialogs' list that the toolkit's Russian
// translations shipped with Debian 12 lack (their context was renamed in
// Qt 6): the type column of folders and drives.
class TMissingQtTexts : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* disambiguation, int n) const override {
    if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
    if (qstrcmp(source, "Folder") == 0) return QString::fromUtf8("Папка");
    if (qstrcmp(source, "Drive") == 0) return QString::fromUtf8("Диск");
    return {};
  }
};

}  // namespace

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
  QApplication::installTranslator(new TMissingQtTexts(qApp));
  translator = loaded;
  return true;
}

}  // namespace rpt::gui
