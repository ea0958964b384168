// The colour scheme: "Colors.opt" rebuilt from the tables, read and saved,
// the first ten entries recolouring cells by their defined colours, and the
// distinct scheme's colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/foundation/my_ini_file.h"
#include "core/tables/color_picking.h"
#include "core/tables/color_scheme.h"
#include "core/tables/table.h"
#include "core/tables/table_geometry.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"
#include "support/text.h"

namespace rpt {
namespace {

using testing::ReadFile;
using testing::ScriptedInteraction;
using testing::TempFolder;
using testing::Win;

constexpr TColor kWhite = 16777215, kGrey = 15790320, kYellow = 13434879, kBlue = 16711680, kRed = 255;

// Hooks that show the tables in a scheme, as the report state does.
struct SchemeHooks : TableHooks {
  TColorScheme scheme;
  TColor DisplayColor(TColor c) override { return scheme.DisplayColor(c); }
  std::optional<TColor> BackgroundColor() override { return scheme.Background(); }
};

std::string Cell(int n, const std::string& body) { return "[Cell_" + std::to_string(n) + "]\r\n" + body + "\r\n"; }

// A grid of one heading and two rows of two data cells, coloured as given;
// the header cell is red.
std::string Grid(TColor heading, TColor r1c1, TColor r1c2, TColor r2c1, TColor r2c2) {
  auto data = [](int row, int col, TColor c) {
    return "State=D\r\nType=1\r\nCol=" + std::to_string(col) + "\r\nRow=" + std::to_string(row) +
           "\r\nVis=" + std::to_string(30 * row + 40) + " " + std::to_string(80 * col) + " 80 30 5 " +
           std::to_string(c) + "\r\n";
  };
  return "[Table]\r\nCount=6\r\nFixed=1\r\nRowCount=2\r\nColCount=2\r\nMinLeft=0\r\nMinTop=40\r\nMinTopD=70\r\n"
         "Name=G\r\n\r\n" +
         Cell(2, "State=H\r\nType=10\r\nVis=5 10 160 30 5 " + std::to_string(kRed) + "\r\n") +
         Cell(3, "State=T\r\nType=0\r\nVis=40 10 160 30 5 " + std::to_string(heading) + "\r\n") +
         Cell(4, data(1, 1, r1c1)) + Cell(5, data(1, 2, r1c2)) + Cell(6, data(2, 1, r2c1)) + Cell(7, data(2, 2, r2c2));
}

// A form of an input cell and an unframed caption (transparent: never
// painted, so never listed).
std::string Form(TColor input, TColor caption) {
  return "[Table]\r\nCount=2\r\n\r\n" + Cell(2, "Type=1\r\nVis=0 0 50 20 5 " + std::to_string(input) + "\r\n") +
         Cell(3, "Type=0\r\nFrame=0\r\nVis=0 60 50 20 5 " + std::to_string(caption) + "\r\n");
}

struct Tables {
  TempFolder dir;
  SchemeHooks hooks;
  TableContext context;
  TTable grid{context};
  TTable form{context};
  explicit Tables(const TColorScheme& scheme = {}) {
    hooks.scheme = scheme;
    context.hooks = &hooks;
    grid.LoadFromFile(dir.Write("G.ini", Grid(kBlue, kWhite, kGrey, kWhite, kYellow)));
    form.LoadFromFile(dir.Write("F.ini", Form(kYellow, kRed)));
  }
  TCell& Data(int row, int col) { return *CellAt(*RowAt(grid.data, row), col); }
  TCell& FormCell(std::size_t i) { return *FirstRow(form.data)->cells[i]; }
};

TColorScheme Scheme(std::vector<ColorPair> pairs) {
  TColorScheme s;
  s.pairs = std::move(pairs);
  return s;
}

TEST(ColorScheme, RebuiltFromTheTablesEachColourOnceWithItsUserColourEqual) {
  Tables t;
  ScriptedInteraction ui;
  const std::string path = t.dir / "Colors.opt";
  // A report without a scheme shows the colours the files define.
  EXPECT_EQ(t.Data(1, 2).label.color, kGrey);
  EXPECT_FALSE(t.grid.background);

  const TColorScheme scheme = RebuildColorsFile(path, {&t.grid, &t.form}, &ui);

  // The heading's blue and the header's red are no data colours, the
  // form's transparent caption is never painted.
  const std::vector<ColorPair> expected = {
      {kSchemeDefaultColor, kSchemeDefaultColor}, {kWhite, kWhite}, {kGrey, kGrey}, {kYellow, kYellow}};
  EXPECT_EQ(scheme.pairs, expected);
  EXPECT_EQ(ReadColorScheme(path), scheme);
  const std::string text = ReadFile(path);
  EXPECT_NE(text.find("[Colors]\r\nCount=4\r\nDefColor1=12632256\r\nUserColor1=12632256\r\nDefColor2=16777215\r\n"),
            std::string::npos)
      << text;
  ASSERT_FALSE(ui.progress.empty());
  EXPECT_EQ(ui.progress.front().event, "show");
  EXPECT_EQ(ui.progress.front().text, Win("Подготовка цветовой карты"));
  EXPECT_EQ(ui.progress.back().event, "close");
}

TEST(ColorScheme, AChoiceSurvivesTheRebuildAndTheDefaultStaysTheDefinedColour) {
  // Grey shown as red, the background blue; an entry of a colour no table
  // uses any more goes.
  Tables t(Scheme({{kSchemeDefaultColor, kBlue}, {kGrey, kRed}, {kBlue, kWhite}}));
  EXPECT_EQ(t.Data(1, 2).label.color, kRed);
  EXPECT_EQ(t.grid.background, std::optional<TColor>(kBlue));
  const std::string path = t.dir / "Colors.opt";
  const TColorScheme scheme = RebuildColorsFile(path, {&t.grid, &t.form}, nullptr);
  const std::vector<ColorPair> expected = {
      {kSchemeDefaultColor, kBlue}, {kWhite, kWhite}, {kGrey, kRed}, {kYellow, kYellow}};
  EXPECT_EQ(scheme.pairs, expected);
  // "Отменить" gives the colours the tables define.
  EXPECT_EQ(DefaultUserColors(scheme.pairs)[2].user, kGrey);
}

TEST(ColorScheme, OnlyTheFirstTenEntriesRecolour) {
  TColorScheme s;
  s.pairs.push_back({kSchemeDefaultColor, kBlue});
  for (TColor c = 1; c <= 11; ++c) s.pairs.push_back({c, 100 + c});  // entries 2..12
  s.pairs.push_back({kGrey, kRed});                                  // entry 13
  const struct {
    TColor defined, shown;
  } cases[] = {
      {1, 101},
      {9, 109},  // entries 2 and 10
      {10, 10},
      {11, 11},                                    // entries 11 and 12: listed, never applied
      {kGrey, kGrey},                              // entry 13
      {kSchemeDefaultColor, kSchemeDefaultColor},  // entry 1 never maps a cell
      {kYellow, kYellow},
  };
  for (const auto& c : cases) EXPECT_EQ(s.DisplayColor(c.defined), c.shown) << c.defined;
  // The first entry of a colour wins.
  EXPECT_EQ(Scheme({{0, 0}, {kGrey, kRed}, {kGrey, kBlue}}).DisplayColor(kGrey), kRed);
  EXPECT_EQ(s.Background(), std::optional<TColor>(kBlue));
  EXPECT_FALSE(TColorScheme{}.Background());
}

TEST(ColorScheme, AppliedToCellsByTheirDefinedColourAndSavedAsDefined) {
  Tables t;
  // The file as a save writes it without a scheme.
  Tables plain;
  plain.grid.SaveToFile(plain.dir / "G.ini", false);
  const std::string before = ReadFile(plain.dir / "G.ini");
  // Grey becomes white and white becomes grey: a swap.
  t.hooks.scheme =
      Scheme({{kSchemeDefaultColor, kYellow}, {kGrey, kWhite}, {kWhite, kGrey}, {kBlue, kRed}, {kRed, kBlue}});
  ASSERT_TRUE(ApplyColourScheme(t.grid));
  ASSERT_TRUE(ApplyColourScheme(t.form));
  EXPECT_TRUE(t.grid.Modified());
  EXPECT_EQ(t.grid.background, std::optional<TColor>(kYellow));
  EXPECT_EQ(t.Data(1, 1).label.color, kGrey);
  EXPECT_EQ(t.Data(1, 2).label.color, kWhite);
  EXPECT_EQ(t.grid.top.cells[0]->label.color, kRed);     // the headings follow the scheme
  EXPECT_EQ(t.grid.header.cells[0]->label.color, kRed);  // the header keeps its own
  EXPECT_TRUE(t.FormCell(1).label.transparent);
  EXPECT_EQ(t.FormCell(1).label.color, kRed);  // a transparent cell is left alone
  // Applying again changes nothing: the lookup is by the defined colour.
  ASSERT_TRUE(ApplyColourScheme(t.grid));
  EXPECT_EQ(t.Data(1, 1).label.color, kGrey);

  // The file keeps the defined colours, so loading it in the same scheme
  // shows the swap once, not undone by a second mapping.
  t.grid.SaveToFile(t.dir / "G.ini", false);
  EXPECT_EQ(ReadFile(t.dir / "G.ini"), before);
  TTable again(t.context);
  again.LoadFromFile(t.dir / "G.ini");
  EXPECT_EQ(CellAt(*RowAt(again.data, 1), 1)->label.color, kGrey);
  EXPECT_EQ(CellAt(*RowAt(again.data, 1), 2)->label.color, kWhite);

  // Back to the defaults: every cell shows its defined colour again.
  t.hooks.scheme.pairs = DefaultUserColors(t.hooks.scheme.pairs);
  ASSERT_TRUE(ApplyColourScheme(t.grid));
  EXPECT_EQ(t.Data(1, 1).label.color, kWhite);
  // Without a scheme nothing happens.
  plain.grid.SetModified(false);
  EXPECT_FALSE(ApplyColourScheme(plain.grid));
  EXPECT_FALSE(plain.grid.Modified());
}

TEST(ColorScheme, FileReadingAndSaving) {
  TempFolder dir;
  EXPECT_EQ(ReadColorScheme(dir / "Colors.opt"), TColorScheme{});  // no file, no scheme
  // Names, "$" hexadecimal and decimal; a missing entry takes the default;
  // a "Count" far beyond the file's lines is bounded by them.
  const std::string original =
      "[Colors]\r\nCount=3\r\nDefColor1=clSilver\r\nUserColor1=$00FF0000\r\n"
      "DefColor2=255\r\nUserColor2=bad\r\n";
  const std::string path = dir.Write("Colors.opt", original);
  const TColorScheme s = ReadColorScheme(path);
  const std::vector<ColorPair> expected = {
      {0xC0C0C0, 0xFF0000}, {255, kSchemeDefaultColor}, {kSchemeDefaultColor, kSchemeDefaultColor}};
  EXPECT_EQ(s.pairs, expected);
  EXPECT_EQ(s.kind, SchemeKind::Standard);
  EXPECT_EQ(ReadFile(path), original);  // reading wrote nothing

  dir.Write("Huge.opt", "[Colors]\r\nCount=2000000000\r\nDefColor2=1\r\n");
  EXPECT_EQ(ReadColorScheme(dir / "Huge.opt").pairs.size(), 10u);
  dir.Write("None.opt", "[Colors]\r\nCount=0\r\nDefColor1=1\r\n");
  EXPECT_TRUE(ReadColorScheme(dir / "None.opt").pairs.empty());

  TColorScheme changed = s;
  changed.pairs[1].user = 0x00123456;
  changed.kind = SchemeKind::Distinct;
  ASSERT_EQ(SaveUserColors(path, changed), "");
  EXPECT_EQ(ReadColorScheme(path), changed);
  const std::string text = ReadFile(path);
  EXPECT_NE(text.find("UserColor2=$00123456\r\n"), std::string::npos) << text;  // the colour writer
  EXPECT_NE(text.find("DefColor2=255\r\n"), std::string::npos) << text;         // defaults untouched
  EXPECT_NE(text.find("Scheme=1\r\n"), std::string::npos) << text;

  // A folder that cannot be written is reported, naming the file.
  EXPECT_NE(SaveUserColors(dir / "missing/Colors.opt", changed), "");
}

TEST(ColorScheme, TheDistinctSchemeDiffersInBrightness) {
  std::vector<ColorPair> pairs = {{kSchemeDefaultColor, kBlue}};
  // Cell colours that differ little or only in hue: white, near-white
  // grey, light grey, pale yellow, light green, light red, light cyan.
  for (TColor c : {kWhite, kGrey, TColor{14737632}, kYellow, TColor{0xC0FFC0}, TColor{0xC0C0FF}, TColor{0xFFFFC0}})
    pairs.push_back({c, c});
  const std::vector<ColorPair> distinct = DistinctUserColors(pairs);
  ASSERT_EQ(distinct.size(), pairs.size());
  EXPECT_EQ(distinct[0], pairs[0]);      // the background stays
  EXPECT_EQ(distinct[1].user, clWhite);  // the brightest stays white
  std::vector<double> levels;
  for (std::size_t k = 1; k < distinct.size(); ++k) {
    EXPECT_EQ(distinct[k].def, pairs[k].def);
    levels.push_back(Brightness(distinct[k].user));
    EXPECT_GT(levels.back(), 0.25) << k;  // black text stays readable
  }
  std::sort(levels.begin(), levels.end());
  for (std::size_t i = 1; i < levels.size(); ++i) EXPECT_GT(levels[i] - levels[i - 1], 0.06) << i;
  // Darker defaults get darker colours.
  EXPECT_GT(Brightness(distinct[2].user), Brightness(distinct[3].user));
  // With more than ten entries the ladder goes to the ten that recolour
  // tables, each a step of its own; a dark default after them takes none.
  std::vector<ColorPair> many = pairs;
  for (TColor c : {TColor{0x808080}, TColor{0x707070}, TColor{0x202020}, TColor{0x101010}}) many.push_back({c, c});
  const std::vector<ColorPair> ranked = DistinctUserColors(many);
  std::vector<TColor> used;
  for (std::size_t k = 1; k < 10; ++k) used.push_back(ranked[k].user);
  std::sort(used.begin(), used.end());
  EXPECT_EQ(std::unique(used.begin(), used.end()), used.end());
  EXPECT_EQ(ranked[10].user, ranked[10].def);
  EXPECT_EQ(ranked[11].user, ranked[11].def);

  // The lights apart in brightness in the distinct scheme, and the frame of
  // a remark in a colour of its own in both.
  for (SchemeKind kind : {SchemeKind::Standard, SchemeKind::Distinct})
    EXPECT_NE(RoleColor(kind, ColorRole::RemarkFrame), RoleColor(kind, ColorRole::LightNorm));
  const double norm = Brightness(RoleColor(SchemeKind::Distinct, ColorRole::LightNorm));
  const double empty = Brightness(RoleColor(SchemeKind::Distinct, ColorRole::LightEmpty));
  const double errors = Brightness(RoleColor(SchemeKind::Distinct, ColorRole::LightErrors));
  EXPECT_GT(empty - errors, 0.3);
  EXPECT_GT(errors - norm, 0.05);
}

TEST(ColorPicking, TheMarkerFindsEveryColourOnFieldAndScale) {
  constexpr int kWidth = 180, kHeight = 100, kSteps = 64;
  EXPECT_EQ(FieldColor(0, 0, kWidth, kHeight), clWhite);
  EXPECT_EQ(FieldColor(0, kHeight - 1, kWidth, kHeight), clBlack);
  const TColor red = FieldColor(0, kHeight / 2, kWidth, kHeight);  // red at the left
  EXPECT_GT(red & 0xFF, 0xF0u);
  EXPECT_LT(red >> 8, 0x10u);
  EXPECT_EQ(ScaleColor(0x00FFFFFF, kSteps - 1, kSteps), clBlack);
  EXPECT_EQ(ScaleColor(0x00123456, 0, kSteps), 0x00123456u);
  // Saturated, pale, dark and grey colours: where the marker and the scale
  // go shows the colour itself, or one a few units away.
  for (TColor c : {clWhite, clBlack, TColor{0x808080}, kSchemeDefaultColor, kYellow, kGrey, TColor{0xB27200},
                   TColor{0x0000FF}, TColor{0x3A2F1E}, TColor{0xCBF1FB}}) {
    const ColorPick pick = NearestPick(c, kWidth, kHeight, kSteps);
    const TColor shown = ScaleColor(FieldColor(pick.x, pick.y, kWidth, kHeight), pick.step, kSteps);
    for (int shift : {0, 8, 16})
      EXPECT_LE(std::abs(int((shown >> shift) & 0xFF) - int((c >> shift) & 0xFF)), 6) << std::hex << c << " " << shown;
  }
  // A field colour is found on the field, undarkened.
  const TColor field = FieldColor(40, 30, kWidth, kHeight);
  const ColorPick pick = NearestPick(field, kWidth, kHeight, kSteps);
  EXPECT_EQ(ScaleColor(FieldColor(pick.x, pick.y, kWidth, kHeight), pick.step, kSteps), field);
}

}  // namespace
}  // namespace rpt
