// The report's colour scheme: the pairs of "Colors.opt" (a colour as the
// table files define it, and the colour shown for it), the kind of scheme
// the user chose, and the colours the program paints apart from the cells
// (the lights, the frame around a remarked cell). Every window reads its
// colours from here, so the two kinds of scheme change all of them at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/foundation/colors_fonts.h"

namespace rpt {

class TTable;
class Interaction;

// The background entry's default ($00C0C0C0), also the colour reader's
// default for a missing or unreadable entry.
inline constexpr TColor kSchemeDefaultColor = 12632256;
// Only this many entries (the background included) recolour tables.
inline constexpr int kAppliedColorEntries = 10;

enum class SchemeKind : std::int32_t {
  Standard = 0,
  // Cell and light colours that differ in brightness as well as hue, told
  // apart with impaired colour vision too.
  Distinct = 1,
};

// What the program paints in the scheme's colours besides the cells.
enum class ColorRole {
  LightNorm,    // the table is filled in and holds no errors
  LightEmpty,   // the table is empty
  LightErrors,  // a check rule found an error
  RemarkFrame,  // the frame around a cell a check rule remarked
};

// The colour of a role in a kind of scheme.
TColor RoleColor(SchemeKind kind, ColorRole role);

struct ColorPair {
  TColor def = kSchemeDefaultColor;   // as the table files define it
  TColor user = kSchemeDefaultColor;  // shown instead
  bool operator==(const ColorPair&) const = default;
};

struct TColorScheme {
  // Every entry of the file; entry 1 (index 0) is the tables' background.
  std::vector<ColorPair> pairs;
  SchemeKind kind = SchemeKind::Standard;

  // The colour shown for a cell whose table file defines `defined`: the
  // user colour of the first of entries 2 .. 10 defined so, else itself.
  TColor DisplayColor(TColor defined) const;
  // The tables' background; nothing without entries.
  std::optional<TColor> Background() const;
  TColor Role(ColorRole role) const { return RoleColor(kind, role); }
  bool operator==(const TColorScheme&) const = default;
};

// "Colors.opt" (UTF-8 path); a missing file gives no entries. Reading never
// rewrites the file.
TColorScheme ReadColorScheme(const std::string& path);

// Writes every entry's user colour and the kind into the file; the error
// text naming the file, empty on success.
[[nodiscard]] std::string SaveUserColors(const std::string& path, const TColorScheme& scheme);

// Rebuilds the file from the open tables, one progress step per table
// ("Подготовка цветовой карты"): entry 1 the background, then one entry per
// distinct colour the cells that can be recoloured define, in order of first
// occurrence (grid tables: the data rows 1 .. "RowCount", columns
// 1 .. "ColCount"; form tables: their one row), transparent cells left out.
// An entry's default is the defined colour and its user colour the one the
// cells show now, so a choice made before stays until it is changed.
// Returns the scheme written; throws EFileError when it cannot be written.
TColorScheme RebuildColorsFile(const std::string& path, const std::vector<TTable*>& tables, Interaction* ui);

// The user colours of the distinct scheme for the cell entries that
// recolour tables (2 .. 10): ranked by the brightness of their defaults, the
// brightest default gets white, the others ever darker pale yellows and
// blues, each step clearly brighter than the next. The background entry
// keeps its user colour; entries after the tenth keep their defaults.
std::vector<ColorPair> DistinctUserColors(std::vector<ColorPair> pairs);
// Every entry's user colour back to its default.
std::vector<ColorPair> DefaultUserColors(std::vector<ColorPair> pairs);

// Relative brightness of a colour (0 black .. 1 white), as the eye weighs
// red, green and blue.
double Brightness(TColor color);

}  // namespace rpt
