// Loading table files: table-level keys, the filling of each cell, the
// state a load leaves, and the reader's agreement with the settings file.
#include <gtest/gtest.h>

#include "core/foundation/errors.h"
#include "core/foundation/my_ini_file.h"
#include "core/tables/ini_snapshot.h"
#include "core/tables/table.h"
#include "support/temp_folder.h"
#include "table_test_util.h"

namespace rpt {
namespace {

using testing::RecordingHooks;
using testing::TempFolder;
using testing::Win;

// A grid table of 2 rows by 2 columns with one header cell and one
// column-heading cell; data cells are at MinTopD 40, MinLeft 10.
std::string GridHeaderText() {
  return "[Table]\nFixed=1\nRowCount=2\nColCount=2\nCount=5\nMinLeft=10\nMinTop=30\nMinTopD=40\n\n"
         "[Cell_2]\nState=H\nVis=5 10 80 25 5 0\nCap=Заголовок\n\n"
         "[Cell_3]\nState=T\nVis=30 10 80 10 5 0\n\n"
         "[Cell_4]\nState=D\nCol=1\nRow=1\nType=1\nVis=40 10 40 30 5 0\n\n"
         "[Cell_5]\nState=D\nCol=2\nRow=2\nType=3\nDec=1\nVis=70 60 40 20 5 0\nCap=1.25\n\n"
         "[Cell_6]\nState=D\nCol=2\nRow=1\nType=7\nForm=7 0 T1[(2:3)]*2\nVis=40 60 40 30 5 0\n\n";
}


struct Loaded {
  TempFolder dir;
  RecordingHooks hooks;
  TableContext ctx;
  TTable table{ctx};
  Loaded() { ctx.hooks = &hooks; }
  Loaded& Load(std::string_view utf8Text, std::string_view name = "T1.ini") {
    table.LoadFromFile(dir.Write(name, Win(utf8Text)));
    return *this;
  }
  TCell& Form(int i) { return *FirstRow(table.data)->cells.at(static_cast<std::size_t>(i)); }
};

TEST(LoadTableTest, PageSettingsTakeTheDefaultsWhenAMarginIsMissing) {
  struct Case { const char* keys; PageSettings expected; };
  const PageSettings defaults;
  const Case cases[] = {
      {"PageOrient=1\nPageBottom=5\nPageLeft=6\nPageRight=7\nPageTop=8\n", {6, 8, 7, 5, 1}},
      {"PageOrient=1\nPageBottom=5\nPageLeft=-1\nPageRight=7\nPageTop=8\n", defaults},
      {"PageOrient=1\n", defaults},
      {"PageOrient=257\nPageBottom=0\nPageLeft=0\nPageRight=0\nPageTop=0\n", {0, 0, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    Loaded l;
    l.Load(std::string("[Table]\n") + c.keys);
    EXPECT_EQ(l.table.page, c.expected) << c.keys;
    EXPECT_EQ(l.ctx.currentPage, c.expected) << "becomes the program's page settings";
  }
  // A later table without margins takes the current settings.
  Loaded l;
  l.ctx.currentPage = {1, 2, 3, 4, 1};
  l.Load("[Table]\nPageLeft=-1\n");
  EXPECT_EQ(l.table.page, (PageSettings{1, 2, 3, 4, 1}));
}

TEST(LoadTableTest, GrowingOnlyStrictlyInsideTheRange) {
  struct Case { const char* bl1; bool fixed; bool growing; };
  const Case cases[] = {{"300000000", true, false}, {"300000001", true, true},
                        {"399999999", true, true},  {"400000000", true, false},
                        {"350000000", false, false}, {"", true, false}};
  for (const Case& c : cases) {
    Loaded l;
    l.Load(std::string("[Table]\nFixed=") + (c.fixed ? "1" : "0") + "\nBL1=" + c.bl1 +
           (c.fixed ? "\nRowCount=1\nColCount=1" : "") + "\nCount=1\n\n[Cell_2]\nCol=1\nRow=1\n");
    EXPECT_EQ(l.table.growing, c.growing) << c.bl1;
    // Cells of a growing table keep number 0.
    const TCell* cell = c.fixed ? GetCell(l.table.data, 1, 1) : CellByNumber(l.table.data, 2);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->number, c.growing ? 0 : 2) << c.bl1;
  }
}

TEST(LoadTableTest, VisWordsTakeTheirOwnDefaults) {
  struct Case { const char* vis; int top, left, width, height, align; TColor color; };
  const Case cases[] = {
      {nullptr, 0, 0, 0, 0, 5, 255},  // key missing: "0 0 0 0 5 255"
      {"10 20 30", 10, 20, 30, 10, 5, 0},
      {"  1   2 x 4 7  ", 1, 2, 10, 4, 7, 0},
      {"1 2 3 4 12 -16777201", 1, 2, 3, 4, 12, 0xFF00000Fu},
      // Kept within a million pixels, so that no sum of layout overflows
      // (found by fuzzing: a top of 2147483647 plus a height).
      {"2147483647 -2147483648 2000000 14737632 5 0", 1000000, -1000000, 1000000, 1000000, 5, 0},
  };
  for (const Case& c : cases) {
    Loaded l;
    std::string text = "[Table]\nCount=1\n\n[Cell_2]\nType=1\n";
    if (c.vis) text += std::string("Vis=") + c.vis + "\n";
    l.Load(text);
    const TFramedLabel& lab = l.Form(0).label;
    const std::string what = c.vis ? c.vis : "(missing)";
    EXPECT_EQ(lab.top, c.top) << what;
    EXPECT_EQ(lab.left, c.left) << what;
    EXPECT_EQ(lab.width, c.width) << what;
    EXPECT_EQ(lab.height, c.height) << what;
    EXPECT_EQ(lab.TextAlign(), c.align) << what;
    EXPECT_EQ(lab.color, c.color) << what;
  }
}

TEST(LoadTableTest, CaptionsByType) {
  struct Case { int type; const char* dec; const char* cap; const char* shown; };
  const Case cases[] = {
      {3, "2", "12.5", "12,50"},
      {3, "2", "12", "12"},  // no separator: unchanged
      {3, "2", "1,2,3", "0,0"},
      {3, "-1", "2,6", "3"},  // a missing "Dec" shows no decimals
      {3, "1", "-0,01", "0,0"},
      // Halves go away from zero as in formulas, never down by a binary
      // neighbour of the decimal value.
      {3, "2", "2.675", "2,68"},
      {3, "2", "1,005", "1,01"},
      {3, "2", "0.285", "0,29"},
      {3, "2", "-2,675", "-2,68"},
      {7, "1", "3.14", "3,1"},
      // A text copy (negative "Dec") keeps its text: a date stays a date,
      // and one a former version stored with commas stays as it is until
      // the next recalculation copies it again.
      {7, "-1", "15.03.2023", "15.03.2023"},
      {7, "-1", "15,03,2023", "15,03,2023"},
      {1, "0", "a||b", "a\r\nb"},
      {1, "0", "$x", " x"},
      {1, "0", "  padded  ", "padded"},
      {2, "0", "12.5", "12.5"},  // integers are not touched
  };
  for (const Case& c : cases) {
    Loaded l;
    l.Load(std::string("[Table]\nCount=1\n\n[Cell_2]\nType=") + std::to_string(c.type) +
           "\nDec=" + c.dec + "\nCap=" + c.cap + "\n");
    EXPECT_EQ(l.Form(0).label.caption, c.shown) << c.cap;
  }
}

TEST(LoadTableTest, PerTypeDetails) {
  Loaded l;
  l.Load(
      "[Table]\nCount=7\n\n"
      "[Cell_2]\nType=1\nCap=x\n\n"                                   // Len 0 -> 255
      "[Cell_3]\nType=5\nVis=0 0 10 10 9 0\nHint=h\n\n"               // no hint, align 1
      "[Cell_4]\nType=6\nHint=$short||x|long\n\n"                     // hint decoded
      "[Cell_5]\nType=3\nDec=1\nHint=never\n\n"                       // reals: no hint
      "[Cell_6]\nType=10\nCap=Таблица||первая\n\n"
      "[Cell_7]\nType=11\nCap=$1.2\n\n"
      "[Cell_8]\nType=0\nHint=kept off\n\n");
  EXPECT_EQ(l.Form(0).Len, 255);
  EXPECT_FALSE(l.Form(1).label.showHint);
  EXPECT_EQ(l.Form(1).label.TextAlign(), 1);
  EXPECT_EQ(l.Form(1).label.hint, "");
  EXPECT_TRUE(l.Form(2).label.showHint);
  EXPECT_EQ(l.Form(2).label.hint, " short\r\nx|long");
  EXPECT_FALSE(l.Form(3).label.showHint);
  EXPECT_EQ(l.Form(3).label.hint, "");
  EXPECT_EQ(l.table.title, Win("Таблица первая"));
  EXPECT_EQ(l.table.number, "$1.2");  // the one-line form swaps the leading blank back
  EXPECT_EQ(l.Form(6).label.hint, "");
  EXPECT_EQ(l.Form(0).number, 2);
  EXPECT_EQ(l.Form(6).number, 8);
}

TEST(LoadTableTest, FontsColoursAndFill) {
  struct MappingHooks : RecordingHooks {
    TColor DisplayColor(TColor c) override { return c == 255 ? 0x00FF00 : c; }
  };
  TempFolder dir;
  MappingHooks hooks;
  TableContext ctx;
  ctx.hooks = &hooks;
  ctx.userFontFace = "Arial";
  ctx.userFontSize = 11;
  TTable t(ctx);
  t.LoadFromFile(dir.Write("F.ini", Win("[Table]\nCount=4\n\n"
                                        "[Cell_2]\nType=1\nVis=0 0 1 1 5 255\nFont=Times New Roman,12,1000,clRed\n\n"
                                        "[Cell_3]\nType=0\nFrame=0\nVis=0 0 1 1 5 255\n\n"
                                        "[Cell_4]\nType=8\nFrame=1\nVis=0 0 1 1 5 255\nFont=bad\n\n"
                                        "[Cell_5]\nType=7\nFrame=0\nVis=0 0 1 1 5 255\n\n")));
  const auto& cells = FirstRow(t.data)->cells;
  const TFramedLabel& input = cells[0]->label;
  EXPECT_FALSE(input.transparent);
  EXPECT_EQ(input.color, 0x00FF00u);
  EXPECT_EQ(input.font.name, "Arial");
  EXPECT_EQ(input.font.size, 11);
  EXPECT_TRUE(input.font.bold);
  EXPECT_EQ(input.font.color, clBlack);  // data input cells are black
  EXPECT_EQ(cells[0]->definedFontName, "Times New Roman");
  EXPECT_EQ(cells[0]->definedFontSize, 12);

  EXPECT_TRUE(cells[1]->label.transparent);  // unframed caption
  EXPECT_EQ(cells[1]->label.font.color, clWindowText);
  EXPECT_FALSE(cells[2]->label.transparent);  // framed display cell
  EXPECT_EQ(cells[2]->label.color, 0x00FF00u);
  EXPECT_EQ(cells[2]->definedFontName, "MS Sans Serif");  // malformed: the window's font
  EXPECT_EQ(cells[2]->label.font.color, clWindowText);    // column numbers keep their colour
  EXPECT_TRUE(cells[3]->label.transparent);               // unframed formula
  EXPECT_EQ(cells[3]->label.font.color, clBlack);
}

TEST(LoadTableTest, GridLayoutAndWindowState) {
  Loaded l;
  l.hooks.rulesFor = "Grid";
  l.Load(GridHeaderText(), "Grid.tab.ini");
  TTable& t = l.table;
  EXPECT_EQ(t.tableName, "Grid");
  EXPECT_TRUE(t.hasRules);
  EXPECT_TRUE(t.hasNumbers);
  EXPECT_TRUE(t.hasFormulas);
  ASSERT_EQ(t.data.size(), 3u);
  EXPECT_FALSE(FirstRow(t.data)->cells[0]->label.visible);
  EXPECT_TRUE(RowAt(t.data, 1)->cells[0]->label.visible);
  // Data cells: minus MinTopD and MinLeft.
  const TCell* c22 = GetCell(t.data, 2, 2);
  EXPECT_EQ(c22->label.top, 30);
  EXPECT_EQ(c22->label.left, 50);
  EXPECT_EQ(c22->type, 3);
  // A grid position the file does not describe: an empty caption cell.
  const TCell* c21 = GetCell(t.data, 1, 2);
  EXPECT_EQ(c21->type, 0);
  EXPECT_EQ(c21->Col, 0);
  // Sections laid out: header from its smallest top, minus MinLeft.
  EXPECT_EQ(t.header.topOffset, 5);
  EXPECT_EQ(t.header.height, 25);
  EXPECT_EQ(t.header.cells[0]->label.top, 0);
  EXPECT_EQ(t.header.cells[0]->label.left, 0);
  EXPECT_TRUE(t.header.panelVisible);
  EXPECT_FALSE(t.footer.panelVisible);
  EXPECT_EQ(t.top.panelHeight, 40 - 30);  // MinTopD - MinTop
  EXPECT_TRUE(t.dataAreaVisible);
  EXPECT_EQ(t.contentWidth, 50 + 40);
  // Cell (ColCount, RowCount): top 30 + height 20, plus header 25 and top 10.
  EXPECT_EQ(t.contentHeight, 30 + 20 + 25 + 10);
  EXPECT_FALSE(t.Modified());
  EXPECT_EQ(l.hooks.calls, (std::vector<std::string>{"map add Grid.tab.ini", "links T1[(2:3)]*2"}));
  // Numbering: header, top, rows, footer.
  EXPECT_EQ(t.header.cells[0]->number, 2);
  EXPECT_EQ(t.top.cells[0]->number, 3);
  EXPECT_EQ(GetCell(t.data, 1, 1)->number, 4);
  EXPECT_EQ(GetCell(t.data, 2, 2)->number, 7);
}

TEST(LoadTableTest, GridWithoutRowsShowsOnlyItsSections) {
  Loaded l;
  l.Load("[Table]\nFixed=1\nRowCount=0\nColCount=2\nCount=3\n\n"
         "[Cell_2]\nState=H\nVis=100 0 10 15 5 0\n\n"
         "[Cell_3]\nState=T\nVis=200 0 10 25 5 0\n\n"
         "[Cell_4]\nState=B\nVis=300 0 10 7 5 0\n\n");
  EXPECT_FALSE(l.table.dataAreaVisible);
  EXPECT_EQ(l.table.contentHeight, 15 + 25 + 7);
  EXPECT_EQ(l.hooks.calls, (std::vector<std::string>{"map add T1.ini", "map remove T1.ini"}));
}

TEST(LoadTableTest, SectionsThatDescribeNoCellAreSkipped) {
  Loaded l;
  l.Load("[Table]\nFixed=1\nRowCount=1\nColCount=1\nCount=4\n\n"
         "[Cell_2]\nState=d\nCol=1\nRow=1\nCap=lower\n\n"
         "[Cell_3]\nState=X\nCap=other\n\n"
         "[Cell_4]\nState=D\nCol=5\nRow=1\nCap=outside\n\n"
         "[Cell_5]\nState=Data\nCol=1\nRow=1\nType=1\nCap=first letter counts\n\n");
  EXPECT_TRUE(l.table.header.cells.empty());
  EXPECT_EQ(GetCell(l.table.data, 1, 1)->label.caption, "first letter counts");
}

TEST(LoadTableTest, DamagedSizesAreRefused) {
  // The largest row count wrapped round to a negative size once; rows
  // without columns still cost a row each.
  for (const char* keys : {"Fixed=1\nRowCount=2000000000\nColCount=12\n", "Count=2147483647\n",
                           "Fixed=1\nRowCount=2147483647\nColCount=3\n",
                           "Fixed=1\nRowCount=2147483647\nColCount=0\n",
                           "Fixed=1\nRowCount=5000000\nColCount=0\n"}) {
    Loaded l;
    try {
      l.Load(std::string("[Table]\n") + keys);
      FAIL() << keys;
    } catch (const EFileError& e) {
      EXPECT_EQ(e.Message(), Win("Таблица \"T1.ini\" повреждена: слишком много ячеек.")) << keys;
    }
    EXPECT_FALSE(l.hooks.Loading());
  }
}

TEST(LoadTableTest, MissingFileIsAnEmptyFormTable) {
  TempFolder dir;
  TableContext ctx;
  TTable t(ctx);
  t.LoadFromFile(dir / "Нет.ini");
  EXPECT_FALSE(t.grid);
  ASSERT_EQ(t.data.size(), 1u);
  EXPECT_TRUE(FirstRow(t.data)->cells.empty());
  EXPECT_EQ(t.tableName, Win("Нет"));
}

TEST(LoadTableTest, LoadingIsQuietAndLeavesTheFlagAsItWas) {
  Loaded l;
  l.Load("[Table]\nCount=1\n\n[Cell_2]\nType=3\nDec=1\nCap=1,2,3\n");
  EXPECT_EQ(l.Form(0).label.caption, "0,0");
  EXPECT_FALSE(l.hooks.Loading());
  EXPECT_FALSE(l.table.Modified());
  for (const auto& call : l.hooks.calls) EXPECT_EQ(call.rfind("map ", 0), 0u) << call;
}

// The bulk reader answers like the settings file on the rules that matter.
TEST(IniSnapshotTest, ReadsLikeTheSettingsFile) {
  using namespace std::string_literals;
  const std::string text =
      Utf8ToCp1251("junk before\r\n"
                   "[Раздел_1]\r\na=1\r\nИмя =blank key\r\nИмя=x\r\nempty=\r\nbool=256\r\n"
                   "hex=$1F\r\nf=T1[(2:3)]\r\n\r\nb=2\r\n[bad\r\n"
                   "[раздел_1]\r\na=second header\r\n"
                   "[ S ]\r\nk=spaced\r\n"
                   "[LF]\nk=lf\rk2=cr\n[Font]\nf=Arial,10,0100,$000000FF\ng=Arial,10,10,clRed\n"
                   "[Cut]\nk=v\n") +
      "\0after=nul\r\n"s;
  TempFolder dir;
  const std::string path = dir.Write("x.ini", text);
  tables::IniSnapshot snap = tables::IniSnapshot::FromFile(path);
  TMyIniFile ini(path);
  ini.DiscardChanges();
  struct Probe { std::string section, key, def; };
  const std::vector<Probe> probes = {
      {Win("раздел_1"), "A", "d"},      {Win("Раздел_1"), Win("Имя"), "d"},
      {Win("Раздел_1"), Win("Имя "), "d"}, {Win("Раздел_1"), "empty", "d"},
      {Win("Раздел_1"), "b", "d"},      {" S ", "k", "d"},
      {Win("Раздел_1"), "f", "d"},      {"bad", "a", "d"},
      {"S", "k", "d"},                  {"lf", "k", "d"},
      {"lf", "K2", "d"},                {"Cut", "k", "d"},
      {"Cut", "after", "d"},            {"none", "k", "d"},
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(p.section + "/" + p.key);
    const auto sec = snap.Get(p.section);
    EXPECT_EQ(sec.ReadString(p.key, p.def), ini.ReadString(p.section, p.key, p.def));
  }
  for (const char* key : {"a", "bool", "hex", "empty", "Имя"}) {
    const std::string k = Win(key);
    const auto sec = snap.Get(Win("Раздел_1"));
    EXPECT_EQ(sec.ReadInteger(k, -7), ini.ReadInteger(Win("Раздел_1"), k, -7)) << key;
    EXPECT_EQ(sec.ReadBool(k, true), ini.ReadBool(Win("Раздел_1"), k, true)) << key;
  }
  for (const char* key : {"f", "g", "missing"}) {
    TFont a, b;
    const TFont def{"Def", 9, false, false, false, false, clBlack};
    snap.Get("Font").ReadFont(key, a, def);
    ini.ReadFont("Font", key, b, def);
    EXPECT_EQ(a, b) << key;
  }
}

}  // namespace

}  // namespace rpt
