// What a table needs from the rest of the program: the report state's
// hooks (loading flag, report changed, recalculation, checks, table map),
// text measurement, the interaction port and a few settings. The report
// lifecycle, the calculation and the checking plug into these interfaces;
// tests implement them to observe the calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/foundation/colors_fonts.h"
#include "core/tables/color_scheme.h"

namespace rpt {

class Interaction;
class TTable;
class TCell;
struct TFramedLabel;

// Print margins and orientation of a table, also the program's current
// page settings used by printing.
struct PageSettings {
  std::int32_t left = 30;
  std::int32_t top = 15;
  std::int32_t right = 10;
  std::int32_t bottom = 20;
  std::uint8_t orientation = 0;  // 0 portrait, 1 landscape
  bool operator==(const PageSettings&) const = default;
};

// Calls a table makes into the report state and the later subsystems. The
// defaults do nothing, so a table works on its own (reportctl, tests).
class TableHooks {
 public:
  virtual ~TableHooks() = default;

  // The report state's loading flag: while set, a changed cell value is not
  // processed any further (no modified mark, no recalculation, no check).
  virtual bool Loading() const { return loading_; }
  virtual void SetLoading(bool on) { loading_ = on; }

  // The table's modified mark changed (the frame enables "Сохранить").
  virtual void ModifiedChanged(TTable& table, bool modified) {}
  // A table became modified: the report has unsaved changes.
  virtual void ReportChanged() {}

  // A cell's text changed (also while loading): whatever was computed from
  // it may be out of date.
  virtual void ValueChanged(TTable& table, TCell& cell) {}
  // Recalculation of one table: deep or shallow, with or without the check.
  virtual void RecalcTable(TTable& table, bool deep, bool withCheck) {}
  // The table check and status update.
  virtual void CheckTable(TTable& table) {}

  // The table map: a loaded table registers its file name; a table without
  // formulas is removed again. `RegisterTableLinks` gets the reference text
  // of a cross-table formula (code 7) of a data cell.
  virtual void TableMapAdd(std::string_view fileName) {}
  virtual void TableMapRemove(std::string_view fileName) {}
  virtual void RegisterTableLinks(TTable& table, std::string_view references) {}

  // The check-rules file has rules for the table (its "Count" above 0).
  virtual bool HasRules(std::string_view tableName) { return false; }

  // The colour scheme: the display colour of a file colour, and the
  // background colour when the scheme holds at least one pair.
  virtual TColor DisplayColor(TColor fileColor) { return fileColor; }
  virtual std::optional<TColor> BackgroundColor() { return std::nullopt; }
  // The colour the scheme gives a role painted apart from the cells (the
  // lights, the frame around a remarked cell).
  virtual TColor SchemeColor(ColorRole role) { return RoleColor(SchemeKind::Standard, role); }

 private:
  bool loading_ = false;
};

// Font metrics. The desktop program measures with the toolkit; tests and
// the command line use FixedTextMeasure.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // Height in pixels of `text` drawn in `font`, wrapped at word boundaries
  // within `width` pixels (line breaks kept).
  virtual int WrappedTextHeight(const TFont& font, std::string_view text, int width) = 0;
};

// A fixed rule: every character is `charWidth` pixels wide, every line
// `lineHeight` high; text wraps at blanks (or mid-word when a word is wider
// than the line). An empty text is one line high.
class FixedTextMeasure : public TextMeasure {
 public:
  FixedTextMeasure(int charWidth = 6, int lineHeight = 13) : charWidth_(charWidth), lineHeight_(lineHeight) {}
  int WrappedTextHeight(const TFont& font, std::string_view text, int width) override;

 private:
  int charWidth_;
  int lineHeight_;
};

// Everything a table is given. One context serves all tables of a report.
struct TableContext {
  TableContext();

  TableHooks* hooks;       // never null; by default hooks that do nothing
  TextMeasure* measure;    // never null; by default a FixedTextMeasure
  Interaction* ui = nullptr;  // progress and messages; none: nothing shown

  std::string listFolder;      // the value lists (UTF-8, ends with "/")
  std::string templateFolder;  // the blank tables ("clean table")

  // The user's table font (Windows-1251 face; empty face / size 0: none).
  std::string userFontFace;
  int userFontSize = 0;

  // The program's current page settings: the defaults a table without
  // margins takes, replaced by every loaded table's settings.
  PageSettings currentPage;
};

// The table window's font, which a cell without a "Font" key takes. A fixed
// definition value, the same on every machine, so that a saved file never
// depends on where it was saved.
inline constexpr std::string_view kTableWindowFontText = "MS Sans Serif,8,0000,clWindowText";
const TFont& TableWindowFont();

}  // namespace rpt
