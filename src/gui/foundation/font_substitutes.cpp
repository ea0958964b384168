#include "gui/foundation/font_substitutes.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace rpt::gui {

namespace {

struct Substitute {
  const char* windowsFace;
  const char* candidates;  // "|"-separated, nearest metrics first
};

// Liberation and Arimo/Tinos/Cousine share the widths of the Windows core
// faces; the bitmap "MS Sans Serif" and Tahoma are closest to them too.
constexpr Substitute kSubstitutes[] = {
    {"MS Sans Serif", "Liberation Sans|Arimo|Nimbus Sans|FreeSans"},
    {"Microsoft Sans Serif", "Liberation Sans|Arimo|Nimbus Sans|FreeSans"},
    {"Tahoma", "Liberation Sans|Arimo|Nimbus Sans|FreeSans"},
    {"Verdana", "DejaVu Sans"},
    {"Arial", "Liberation Sans|Arimo|Nimbus Sans|FreeSans"},
    {"Arial Narrow", "Liberation Sans Narrow|Nimbus Sans Narrow"},
    {"Times New Roman", "Liberation Serif|Tinos|Nimbus Roman|FreeSerif"},
    {"Courier New", "Liberation Mono|Cousine|Nimbus Mono PS|FreeMono"},
};

}  // namespace

void InstallFontSubstitutes() {
  static bool installedOnce = false;
  if (installedOnce) return;
  installedOnce = true;
  const QStringList installed = QFontDatabase::families();
  for (const Substitute& s : kSubstitutes) {
    const QString face = QString::fromLatin1(s.windowsFace);
    if (installed.contains(face, Qt::CaseInsensitive)) continue;
    QStringList present;
    for (const QString& candidate : QString::fromLatin1(s.candidates).split('|'))
      if (installed.contains(candidate, Qt::CaseInsensitive)) present << candidate;
    if (!present.isEmpty()) QFont::insertSubstitutions(face, present);
  }
}

}  // namespace rpt::gui
