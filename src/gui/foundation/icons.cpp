#include "gui/foundation/icons.h"

#include <QDir>
#include <QGuiApplication>
#include <QHash>
#include <QPalette>
#include <QStandardPaths>
#include <array>

#include "gui/foundation/images.h"

namespace rpt::gui {

namespace {

struct Meaning {
  Icon icon;
  // Freedesktop names first, then the names the common themes add.
  std::array<const char*, 3> names;
};

// One row per meaning, in the enumeration's order.
constexpr Meaning kMeanings[] = {
    {Icon::None, {}},
    {Icon::New, {"document-new"}},
    {Icon::Open, {"document-open"}},
    {Icon::Save, {"document-save"}},
    {Icon::SaveAs, {"document-save-as"}},
    {Icon::Delete, {"edit-delete"}},
    {Icon::Font, {"preferences-desktop-font"}},
    {Icon::Colors, {"preferences-desktop-color"}},
    {Icon::Exit, {"application-exit"}},
    {Icon::EditTables, {"document-edit"}},
    {Icon::Import, {"document-import"}},
    {Icon::ExportDocument, {"x-office-document"}},
    {Icon::ExportSpreadsheet, {"x-office-spreadsheet"}},
    {Icon::Check, {"checkmark", "dialog-ok-apply", "tools-check-spelling"}},
    {Icon::Print, {"document-print"}},
    {Icon::Printer, {"printer"}},
    {Icon::PageSetup, {"document-page-setup", "document-properties"}},
    {Icon::Zoom, {"zoom-fit-best", "zoom-in"}},
    {Icon::Lights, {}},
    {Icon::Help, {"help-contents", "help-browser"}},
    {Icon::About, {"help-about"}},
    {Icon::Recalculate, {"formula", "view-refresh"}},
    {Icon::FillZeros, {"fill-color", "format-fill-color", "edit-select-all"}},
    {Icon::Reload, {"document-revert"}},
    {Icon::LoadClean, {"edit-clear"}},
    {Icon::DeleteEmptyRows, {"edit-table-delete-row", "list-remove"}},
    {Icon::Sort, {"view-sort-ascending"}},
    {Icon::RowHeights, {"zoom-fit-height", "resizerow", "zoom-fit-best"}},
    {Icon::First, {"go-first"}},
    {Icon::Previous, {"go-previous"}},
    {Icon::Next, {"go-next"}},
    {Icon::Last, {"go-last"}},
    {Icon::Calculator, {"accessories-calculator"}},
    {Icon::Instructions, {"help-hint", "dialog-information"}},
    {Icon::Keyboard, {"input-keyboard"}},
    {Icon::Undo, {"edit-undo"}},
    {Icon::Redo, {"edit-redo"}},
    {Icon::NextRemark, {"go-down"}},
    {Icon::PreviousRemark, {"go-up"}},
    {Icon::Close, {"document-close", "window-close"}},
    {Icon::Cascade, {"window-cascade", "window-duplicate"}},
    {Icon::CopyRow, {"edit-copy"}},
    {Icon::CutRow, {"edit-cut"}},
    {Icon::ClearRow, {"edit-clear"}},
    {Icon::DeleteRow, {"edit-table-delete-row", "edit-delete"}},
    {Icon::InsertRow, {"edit-table-insert-row-below", "list-add"}},
    {Icon::PasteRow, {"edit-paste"}},
    {Icon::InsertList, {"format-list-unordered", "view-list-details"}},
};
static_assert(std::size(kMeanings) == static_cast<std::size_t>(Icon::Count));

constexpr bool InOrder() {
  for (std::size_t i = 0; i < std::size(kMeanings); ++i)
    if (kMeanings[i].icon != static_cast<Icon>(i)) return false;
  return true;
}
static_assert(InOrder(), "one row per meaning, in the enumeration's order");

// Platforms without a desktop integration (offscreen, a bare X server)
// search no icon folders and name no theme: the XDG folders are added and
// the fallback theme becomes the theme. A desktop's own theme stays first,
// and the fallback theme fills its gaps.
void UseIconThemes() {
  static const bool done = [] {
    QStringList paths = QIcon::themeSearchPaths();
    QStringList dirs = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                                 QStandardPaths::LocateDirectory);
    dirs.prepend(QDir::homePath() + QStringLiteral("/.icons"));
    for (const QString& dir : dirs)
      if (!paths.contains(dir) && QDir(dir).exists()) paths.append(dir);
    QIcon::setThemeSearchPaths(paths);
    const QString fallback = FallbackIconTheme();
    const QString theme = QIcon::themeName();
    if (theme.isEmpty() || theme == QLatin1String("hicolor")) QIcon::setThemeName(fallback);
    QIcon::setFallbackThemeName(fallback);
    return true;
  }();
  (void)done;
}

}  // namespace

QString FallbackIconTheme() {
  const bool dark = QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
  return dark ? QStringLiteral("breeze-dark") : QStringLiteral("breeze");
}

QStringList IconNames(Icon meaning) {
  QStringList names;
  for (const char* name : kMeanings[static_cast<std::size_t>(meaning)].names)
    if (name) names << QString::fromLatin1(name);
  return names;
}

QIcon CommandIcon(Icon meaning) {
  if (meaning == Icon::None || meaning == Icon::Count) return {};
  if (meaning == Icon::Lights) return LightsIcon();
  UseIconThemes();
  static QHash<int, QIcon> cache;
  const int key = static_cast<int>(meaning);
  if (auto it = cache.constFind(key); it != cache.constEnd()) return *it;
  QIcon icon;
  for (const QString& name : IconNames(meaning))
    if (QIcon::hasThemeIcon(name)) {
      icon = QIcon::fromTheme(name);
      break;
    }
  cache.insert(key, icon);
  return icon;
}

}  // namespace rpt::gui
