// The icons of the commands, by meaning. Each is taken from the desktop's
// icon theme by its freedesktop name (or a name the common themes add);
// where the desktop has no theme or the theme lacks a name, from the
// fallback theme the installation brings (Breeze, see docs/ARCHITECTURE.md),
// so that the program looks the same on a bare machine. The few pictures no
// theme names (the lights) are the program's own (images.h).
#pragma once

#include <QIcon>
#include <QString>

namespace rpt::gui {

enum class Icon {
  None,
  New,
  Open,
  Save,
  SaveAs,
  Delete,
  Font,
  Colors,
  Exit,
  EditTables,
  Import,
  ExportDocument,
  ExportSpreadsheet,
  Check,
  Print,
  Printer,
  PageSetup,
  Zoom,
  Lights,
  Help,
  About,
  Recalculate,
  FillZeros,
  Reload,
  LoadClean,
  DeleteEmptyRows,
  Sort,
  RowHeights,
  First,
  Previous,
  Next,
  Last,
  Calculator,
  Instructions,
  Keyboard,
  Undo,
  Redo,
  NextRemark,
  PreviousRemark,
  Close,
  Cascade,
  CopyRow,
  CutRow,
  ClearRow,
  DeleteRow,
  InsertRow,
  PasteRow,
  InsertList,
  Count
};

// The icon of `meaning`; a null icon when neither the desktop's theme nor
// the fallback theme has it (and for Icon::None).
QIcon CommandIcon(Icon meaning);

// The theme names tried for `meaning`, in order (empty for the program's own).
QStringList IconNames(Icon meaning);

// The fallback theme: "breeze", or "breeze-dark" on a dark palette.
QString FallbackIconTheme();

}  // namespace rpt::gui
