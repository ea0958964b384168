#include "core/tables/color_scheme.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>
#include <string_view>
#include <unordered_set>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/my_ini_file.h"
#include "core/foundation/progress.h"
#include "core/tables/table.h"

namespace rpt {

namespace {

using namespace literals;

constexpr std::string_view kSection = "Colors";
constexpr std::string_view kCount = "Count";
constexpr std::string_view kDefColor = "DefColor";
constexpr std::string_view kUserColor = "UserColor";
// The kind of scheme; files of other installations have no such key.
constexpr std::string_view kSchemeKey = "Scheme";

constexpr TColor Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r | (g << 8) | (b << 16); }

// Pale to dark, alternating yellow and blue: the two hues every kind of
// colour vision tells apart, and each step clearly darker than the one
// before (relative brightness 1.00, 0.88, 0.76, 0.66, 0.56, 0.46, 0.39,
// 0.32, 0.26), so black text stays readable on all of them.
constexpr TColor kDistinctCells[] = {
    Rgb(0xFF, 0xFF, 0xFF), Rgb(0xFB, 0xF1, 0xCB), Rgb(0xD0, 0xE4, 0xFB), Rgb(0xF2, 0xD3, 0x5A), Rgb(0xA1, 0xC9, 0xF7),
    Rgb(0xD9, 0xB1, 0x12), Rgb(0x6D, 0xAB, 0xF3), Rgb(0xB8, 0x96, 0x0F), Rgb(0x39, 0x8E, 0xEF),
};

std::string Key(std::string_view name, std::size_t k) { return std::string(name) + std::to_string(k); }

}  // namespace

TColor RoleColor(SchemeKind kind, ColorRole role) {
  const bool distinct = kind == SchemeKind::Distinct;
  switch (role) {
    // Dark blue, light yellow and vermilion: apart in brightness, and on the
    // blue-yellow axis that red-green blindness keeps.
    case ColorRole::LightNorm: return distinct ? Rgb(0x00, 0x72, 0xB2) : Rgb(0x1E, 0xB4, 0x32);
    case ColorRole::LightEmpty: return distinct ? Rgb(0xF0, 0xE4, 0x42) : Rgb(0xF2, 0xC4, 0x00);
    case ColorRole::LightErrors: return distinct ? Rgb(0xD5, 0x5E, 0x00) : Rgb(0xE0, 0x20, 0x1C);
    case ColorRole::RemarkFrame: return distinct ? Rgb(0xD5, 0x5E, 0x00) : Rgb(0xFF, 0x00, 0x00);
  }
  return clBlack;
}

TColor TColorScheme::DisplayColor(TColor defined) const {
  const std::size_t end = std::min(pairs.size(), static_cast<std::size_t>(kAppliedColorEntries));
  for (std::size_t k = 1; k < end; ++k)
    if (pairs[k].def == defined) return pairs[k].user;
  return defined;
}

std::optional<TColor> TColorScheme::Background() const {
  if (pairs.empty()) return std::nullopt;
  return pairs.front().user;
}

TColorScheme ReadColorScheme(const std::string& path) {
  TColorScheme scheme;
  if (!std::filesystem::is_regular_file(path)) return scheme;
  TMyIniFile file(path);
  file.DiscardChanges();
  const std::int32_t count = file.ReadInteger(kSection, kCount, 0);
  // A real file has two lines per entry; a "Count" beyond the section's
  // lines (a damaged file) would only add copies of the default colour.
  const std::size_t lines = file.Section(kSection).size();
  const std::size_t n =
      count <= 0 ? 0 : std::min(static_cast<std::size_t>(count), std::max<std::size_t>(lines, kAppliedColorEntries));
  scheme.pairs.reserve(n);
  for (std::size_t k = 1; k <= n; ++k)
    scheme.pairs.push_back({file.ReadColor(kSection, Key(kDefColor, k), kSchemeDefaultColor),
                            file.ReadColor(kSection, Key(kUserColor, k), kSchemeDefaultColor)});
  scheme.kind = file.ReadInteger(kSection, kSchemeKey, 0) == 1 ? SchemeKind::Distinct : SchemeKind::Standard;
  return scheme;
}

std::string SaveUserColors(const std::string& path, const TColorScheme& scheme) {
  TMyIniFile file(path);
  for (std::size_t k = 1; k <= scheme.pairs.size(); ++k)
    file.WriteColor(kSection, Key(kUserColor, k), scheme.pairs[k - 1].user);
  file.WriteInteger(kSection, kSchemeKey, static_cast<std::int32_t>(scheme.kind));
  return file.Release();
}

namespace {

// Calls `fn` for every cell whose colour the scheme may replace and that
// has a background of its own.
template <typename Fn>
void ForRecolourableDataCells(const TTable& t, Fn&& fn) {
  auto visit = [&fn](const TCell* c) {
    if (c && !c->label.transparent) fn(*c);
  };
  if (!t.grid) {
    if (const TRow* row = FirstRow(t.data))
      for (const auto& c : row->cells) visit(c.get());
    return;
  }
  for (int r = 1; r <= t.RowCount && r < static_cast<int>(t.data.size()); ++r)
    for (int col = 1; col <= t.ColCount; ++col) visit(CellAt(*t.data.rows[static_cast<std::size_t>(r)], col));
}

}  // namespace

TColorScheme RebuildColorsFile(const std::string& path, const std::vector<TTable*>& tables, Interaction* ui) {
  const TColorScheme previous = ReadColorScheme(path);
  TColorScheme scheme;
  scheme.kind = previous.kind;
  TColor background = previous.Background().value_or(kSchemeDefaultColor);
  if (!tables.empty() && tables.front()->background) background = *tables.front()->background;
  scheme.pairs.push_back({kSchemeDefaultColor, background});

  TFormProgress progress(ui);
  progress.Start(static_cast<int>(tables.size()), "Подготовка цветовой карты"_w, false);
  std::unordered_set<TColor> seen;
  for (const TTable* t : tables) {
    ForRecolourableDataCells(*t, [&](const TCell& c) {
      if (seen.insert(c.definedColor).second) scheme.pairs.push_back({c.definedColor, c.label.color});
    });
    progress.Step();
  }
  progress.Finish();

  // Rewritten whole: entries of an earlier, longer scheme do not linger.
  TMyIniFile file(path);
  file.EraseSection(kSection);
  file.WriteInteger(kSection, kCount, static_cast<std::int32_t>(scheme.pairs.size()));
  for (std::size_t k = 1; k <= scheme.pairs.size(); ++k) {
    file.WriteInteger(kSection, Key(kDefColor, k), static_cast<std::int32_t>(scheme.pairs[k - 1].def));
    file.WriteInteger(kSection, Key(kUserColor, k), static_cast<std::int32_t>(scheme.pairs[k - 1].user));
  }
  if (scheme.kind != SchemeKind::Standard)
    file.WriteInteger(kSection, kSchemeKey, static_cast<std::int32_t>(scheme.kind));
  if (const std::string error = file.Release(); !error.empty()) throw EFileError(error);
  return scheme;
}

double Brightness(TColor color) {
  // System colours: the window colour is white, the others the face grey.
  if ((color >> 24) == 0xFF) color = (color & 0xFF) == 5 ? clWhite : kSchemeDefaultColor;
  auto linear = [](std::uint32_t v) {
    const double c = static_cast<double>(v & 0xFF) / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(color) + 0.7152 * linear(color >> 8) + 0.0722 * linear(color >> 16);
}

std::vector<ColorPair> DistinctUserColors(std::vector<ColorPair> pairs) {
  // The ladder has a step for each entry that recolours tables; the entries
  // after them recolour nothing and keep their defaults.
  static_assert(std::size(kDistinctCells) == kAppliedColorEntries - 1);
  const std::size_t applied = std::min(pairs.size(), static_cast<std::size_t>(kAppliedColorEntries));
  if (applied < 2) return pairs;
  std::vector<std::size_t> order(applied - 1);
  std::iota(order.begin(), order.end(), std::size_t{1});
  std::stable_sort(order.begin(), order.end(), [&pairs](std::size_t a, std::size_t b) {
    return Brightness(pairs[a].def) > Brightness(pairs[b].def);
  });
  for (std::size_t rank = 0; rank < order.size(); ++rank) pairs[order[rank]].user = kDistinctCells[rank];
  for (std::size_t k = applied; k < pairs.size(); ++k) pairs[k].user = pairs[k].def;
  return pairs;
}

std::vector<ColorPair> DefaultUserColors(std::vector<ColorPair> pairs) {
  for (ColorPair& p : pairs) p.user = p.def;
  return pairs;
}

}  // namespace rpt
