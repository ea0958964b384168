// Print layout: scale, page breaks, continuation and column-number strips,
// the footer, form tables, rows taller than a page.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/foundation/codec.h"
#include "core/output/print_layout.h"
#include "core/tables/table.h"

namespace rpt::output {
namespace {

// Page of 2100 × 2970 printer pixels: 10 pixels per millimetre, so the
// standard portrait margins 30/15/10/20 leave 1700 × 2620.
constexpr int kPW = 2100, kPH = 2970;

struct GridFixture {
  TableContext ctx;
  TTable t{ctx};

  // cols columns of width colWidth; a header of headerHeight with a number
  // cell; column headings with number cells; rows of rowHeight.
  GridFixture(int rows, int cols, int colWidth, int rowHeight, std::string_view number = "Таблица 1",
              int headerHeight = 40, int footerHeight = 0) {
    t.grid = true;
    t.RowCount = rows;
    t.ColCount = cols;
    auto* h = AddSectionCell(t.header, &t, true);
    h->type = cell_type::kTableNumber;
    h->label = {};
    h->label.caption = Utf8ToCp1251(number);
    h->label.width = cols * colWidth;
    h->label.height = headerHeight;
    for (int c = 0; c < cols; ++c) {
      auto* n = AddSectionCell(t.top, &t, true);
      n->type = cell_type::kColumnNumber;
      n->label.caption = std::to_string(c + 1);
      n->label.left = c * colWidth;
      n->label.top = headerHeight;
      n->label.width = colWidth;
      n->label.height = 20;
    }
    if (footerHeight > 0) {
      auto* f = AddSectionCell(t.footer, &t, true);
      f->label.caption = Utf8ToCp1251("Итого");
      f->label.width = cols * colWidth;
      f->label.height = footerHeight;
    }
    for (int r = 0; r <= rows; ++r) {
      TRow* row = AppendRow(t.data, cols, &t, r > 0);
      for (int c = 0; c < cols; ++c) {
        TCell* cell = CellAt(*row, c + 1);
        cell->Row = r;
        cell->Col = c + 1;
        cell->type = cell_type::kReal;
        cell->label.caption = std::to_string(r) + "." + std::to_string(c);
        cell->label.left = c * colWidth;
        cell->label.top = headerHeight + 20 + (r - 1) * rowHeight;
        cell->label.width = colWidth;
        cell->label.height = rowHeight;
      }
    }
  }
  void SetRowHeight(int r, int h) {
    const int delta = h - CellAt(*RowAt(t.data, r), 1)->label.height;
    for (int i = r; i <= t.RowCount; ++i)
      for (auto& c : RowAt(t.data, i)->cells) {
        if (i == r) c->label.height = h;
        else c->label.top += delta;
      }
  }
};

std::vector<std::string> Texts(const PageImage& p) {
  std::vector<std::string> out;
  for (const auto& c : p.cells) out.push_back(Cp1251ToUtf8(c.text));
  return out;
}

bool Has(const PageImage& p, std::string_view utf8) {
  const auto t = Texts(p);
  return std::find(t.begin(), t.end(), utf8) != t.end();
}

TEST(PrintLayout, NearestRoundsHalvesToEven) {
  EXPECT_EQ(NearestEven(2.5), 2);
  EXPECT_EQ(NearestEven(3.5), 4);
  EXPECT_EQ(NearestEven(-0.5), 0);
  EXPECT_EQ(NearestEven(2.4999), 2);
}

TEST(PrintLayout, MarginsInPrinterPixelsPortraitAndLandscape) {
  PageGeometry p = ComputePageGeometry(PageSettings{30, 15, 10, 20, 0}, kPW, kPH);
  EXPECT_EQ(p.left, 300);
  EXPECT_EQ(p.top, 150);
  EXPECT_EQ(p.width, 1700);
  EXPECT_EQ(p.height, 2620);
  PageGeometry l = ComputePageGeometry(PageSettings{20, 30, 15, 10, 1}, kPH, kPW);
  EXPECT_EQ(l.left, 200);
  EXPECT_EQ(l.top, 300);
  EXPECT_EQ(l.width, 2970 - 200 - 150);
  EXPECT_EQ(l.height, 2100 - 300 - 100);
}

TEST(PrintLayout, WidestPartFillsThePrintableWidth) {
  struct Case {
    int colWidth;
    int scale;
  };
  // 4 columns: 4 × 100 = 400 pixels enlarged to 1700 (425 %); 4 × 1000
  // reduced (42.5 % → 42, halves to even).
  for (const Case c : {Case{100, 425}, Case{1000, 42}}) {
    GridFixture f(3, 4, c.colWidth, 30);
    const auto L = LayOutTable(f.t, kPW, kPH);
    EXPECT_EQ(L.scale, c.scale) << c.colWidth;
    const auto page = DrawPage(f.t, L, 1);
    int right = 0;
    for (const auto& cell : page.cells) right = std::max(right, cell.left + cell.width);
    // Within the rounding of a whole percent.
    EXPECT_LE(right, 300 + 1700) << c.colWidth;
    EXPECT_GE(right, 300 + 1700 - 4 * c.colWidth / 100 - 1) << c.colWidth;
  }
}

TEST(PrintLayout, FrameLinesOnTheRightEdgeStayInsideThePrintableWidth) {
  // Four framed columns of 100 fill the 1700 pixels exactly at 425 %: the
  // right frame line, centred on the edge, would reach past it. A data row
  // wider than every section must fit as well.
  struct Case {
    const char* what;
    int widerRow;  // data row whose last cell is made 50 pixels wider; 0 none
    int scale;     // the largest that fits, frame line included
  };
  for (const Case c : {Case{"headings as wide as the data", 0, 424}, Case{"a data row wider than the headings", 2, 377}}) {
    GridFixture f(3, 4, 100, 30);
    for (auto* sect : {static_cast<TNoDataSect*>(&f.t.header), static_cast<TNoDataSect*>(&f.t.top)})
      for (auto& cell : sect->cells) cell->label.framed = true;
    for (int r = 1; r <= 3; ++r)
      for (auto& cell : RowAt(f.t.data, r)->cells) cell->label.framed = true;
    if (c.widerRow) CellAt(*RowAt(f.t.data, c.widerRow), 4)->label.width += 50;
    const auto L = LayOutTable(f.t, kPW, kPH);
    EXPECT_EQ(L.scale, c.scale) << c.what;
    const auto page = DrawPage(f.t, L, 1);
    double right = 0;
    for (const auto& cell : page.cells)
      right = std::max(right, cell.left + cell.width + (cell.framed ? FrameLineWidth(cell) / 2 : 0.0));
    EXPECT_LE(right, page.clipLeft + page.clipWidth) << c.what;
  }
}

TEST(PrintLayout, RowsBreakWholeWithContinuationAndColumnNumbers) {
  // Scale 425 %: rows 30 → 128 pixels (127.5 to even); page 1 has 2620 −
  // 170 − 85 = 2365 available: 18 rows.
  GridFixture f(40, 4, 100, 30);
  const auto L = LayOutTable(f.t, kPW, kPH);
  ASSERT_EQ(L.scale, 425);
  ASSERT_GE(L.PageCount(), 2);
  EXPECT_EQ(L.breaks[0], 1);
  const auto p1 = DrawPage(f.t, L, 1);
  const auto p2 = DrawPage(f.t, L, 2);
  EXPECT_TRUE(Has(p1, "Таблица 1"));
  EXPECT_FALSE(Has(p1, "Таблица 1 (продолжение)"));
  EXPECT_TRUE(Has(p2, "Таблица 1 (продолжение)"));
  EXPECT_TRUE(Has(p2, "1"));  // column numbers
  // Every data row on exactly one page, in order, nothing past the paper.
  std::vector<int> rows;
  for (int n = 1; n <= L.PageCount(); ++n) {
    const auto p = DrawPage(f.t, L, n);
    for (const auto& c : p.cells) {
      EXPECT_LE(c.top + c.height, p.clipTop + p.clipHeight) << "page " << n;
      if (c.text.find(',') != std::string::npos && c.text.ends_with(",0"))
        rows.push_back(std::stoi(c.text));
    }
  }
  ASSERT_EQ(rows.size(), 40u);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(rows[i], i + 1);
  // Real cells print with a decimal comma.
  EXPECT_TRUE(Has(p1, "1,0"));
}

TEST(PrintLayout, ContinuationTextWithEmptyOrMissingNumberCell) {
  GridFixture empty(40, 4, 100, 30, "");
  EXPECT_EQ(Cp1251ToUtf8(LayOutTable(empty.t, kPW, kPH).continuation), " (продолжение)");

  GridFixture none(40, 4, 100, 30);
  none.t.header.cells[0]->type = cell_type::kCaption;
  const auto L = LayOutTable(none.t, kPW, kPH);
  EXPECT_TRUE(L.continuation.empty());
  // No room is taken for a missing continuation line: page 2 holds more
  // rows than with one.
  GridFixture with(40, 4, 100, 30);
  const auto W = LayOutTable(with.t, kPW, kPH);
  EXPECT_GT(L.breaks[2] - L.breaks[1], W.breaks[2] - W.breaks[1]);
}

TEST(PrintLayout, ContinuationLineEndsWhereTheTableEnds) {
  // With and without column numbers; with the cells at the window's edge
  // and, as in the installation's tables, 10 pixels from it.
  for (const bool numbers : {true, false})
    for (const int offset : {0, 10}) {
      GridFixture f(40, 4, 100, 30);
      for (auto* sect : {static_cast<TNoDataSect*>(&f.t.header), static_cast<TNoDataSect*>(&f.t.top)})
        for (auto& c : sect->cells) c->label.left += offset;
      for (int r = 0; r <= f.t.RowCount; ++r)
        for (auto& c : RowAt(f.t.data, r)->cells) c->label.left += offset;
      if (!numbers) f.t.top.cells.clear();
      const auto L = LayOutTable(f.t, kPW, kPH);
      int line = 0, table = 0;
      for (const auto& c : DrawPage(f.t, L, 2).cells)
        (Cp1251ToUtf8(c.text) == "Таблица 1 (продолжение)" ? line : table) = c.left + c.width;
      EXPECT_EQ(line, table) << numbers << " " << offset;
      if (offset == 0) {
        EXPECT_EQ(line, 2000) << numbers;
      }
    }
}

TEST(PrintLayout, FooterFollowsTheDataOnTheLastPageOnly) {
  GridFixture f(40, 4, 100, 30, "Таблица 1", 40, 30);
  const auto L = LayOutTable(f.t, kPW, kPH);
  const int last = L.PageCount();
  for (int n = 1; n < last; ++n) EXPECT_FALSE(Has(DrawPage(f.t, L, n), "Итого")) << n;
  const auto p = DrawPage(f.t, L, last);
  ASSERT_TRUE(Has(p, "Итого"));
  int dataBottom = 0, footerTop = 0;
  for (const auto& c : p.cells) {
    if (Cp1251ToUtf8(c.text) == "Итого") footerTop = c.top;
    else dataBottom = std::max(dataBottom, c.top + c.height);
  }
  EXPECT_EQ(footerTop, dataBottom);
}

TEST(PrintLayout, FooterThatWouldRunOffThePaperGetsAPageOfItsOwn) {
  // 18 rows fill page 1 exactly; the footer cannot follow them.
  GridFixture f(18, 4, 100, 30, "Таблица 1", 40, 30);
  const auto L = LayOutTable(f.t, kPW, kPH);
  ASSERT_TRUE(L.footerPage);
  ASSERT_EQ(L.PageCount(), 2);
  const auto p2 = DrawPage(f.t, L, 2);
  EXPECT_TRUE(Has(p2, "Итого"));
  EXPECT_TRUE(Has(p2, "Таблица 1 (продолжение)"));
  for (const auto& c : p2.cells) EXPECT_LE(c.top + c.height, p2.clipTop + p2.clipHeight);
}

TEST(PrintLayout, EmptyTablePrintsHeadingsAndFooterOnOnePage) {
  GridFixture f(0, 4, 100, 30, "Таблица 1", 40, 30);
  const auto L = LayOutTable(f.t, kPW, kPH);
  EXPECT_EQ(L.PageCount(), 1);
  const auto p = DrawPage(f.t, L, 1);
  EXPECT_TRUE(Has(p, "Таблица 1"));
  EXPECT_TRUE(Has(p, "Итого"));
  EXPECT_TRUE(DrawPage(f.t, L, 2).cells.empty());
}

TEST(PrintLayout, RowTallerThanAPageIsPrintedAloneAndTheRestGoesOn) {
  GridFixture f(10, 4, 100, 30);
  f.SetRowHeight(5, 1000);  // 4250 printer pixels: taller than any page
  const auto L = LayOutTable(f.t, kPW, kPH);
  ASSERT_EQ(L.oversize, std::vector<int>{5});
  EXPECT_NE(Cp1251ToUtf8(OversizeMessage(L)).find("5"), std::string::npos);
  // Rows 1–4 on page 1, row 5 alone, rows 6–10 after it: nothing lost.
  EXPECT_EQ(L.breaks, (std::vector<int>{1, 5, 6, 11}));
  EXPECT_EQ(L.PageCount(), 3);
  EXPECT_TRUE(Has(DrawPage(f.t, L, 3), "10,0"));
}

TEST(PrintLayout, FirstRowTooTallForPageOneButNotForLaterPagesStartsPageTwo) {
  GridFixture f(3, 4, 100, 30, "Таблица 1", 500);  // header 2125 pixels high
  f.t.header.cells[0]->label.height = 40;           // the continuation line stays low
  auto* title = AddSectionCell(f.t.header, &f.t, true);
  title->label.top = 40;
  title->label.width = 400;
  title->label.height = 460;
  f.SetRowHeight(1, 100);  // 425 pixels
  const auto L = LayOutTable(f.t, kPW, kPH);
  EXPECT_TRUE(L.oversize.empty());
  EXPECT_EQ(L.breaks, (std::vector<int>{1, 1, 4}));
}

struct FormFixture {
  TableContext ctx;
  TTable t{ctx};
  explicit FormFixture(const std::vector<std::pair<int, int>>& topsAndHeights) {
    t.grid = false;
    TRow* row = AppendRow(t.data, 0, &t, true);
    for (auto [top, height] : topsAndHeights) {
      TCell* c = AddCell(*row, &t, true);
      c->label.caption = "y" + std::to_string(top);
      c->label.top = top;
      c->label.width = 850;  // scale 200 %
      c->label.height = height;
    }
  }
};

TEST(PrintLayout, FormTableBreaksBetweenCells) {
  // Scaled by 2, a page of 2620 holds 1310 form pixels.
  FormFixture f({{0, 100}, {600, 100}, {1200, 200}, {1400, 100}, {2000, 100}});
  const auto L = LayOutTable(f.t, kPW, kPH);
  EXPECT_EQ(L.scale, 200);
  EXPECT_EQ(L.formBreaks, (std::vector<int>{-1, 700, 1500, 2100}));
  EXPECT_EQ(Texts(DrawPage(f.t, L, 1)), (std::vector<std::string>{"y0", "y600"}));
  EXPECT_EQ(Texts(DrawPage(f.t, L, 2)), (std::vector<std::string>{"y1200", "y1400"}));
  const auto p3 = DrawPage(f.t, L, 3);
  ASSERT_EQ(p3.cells.size(), 1u);
  EXPECT_EQ(p3.cells[0].top, p3.clipTop);  // moved to the top of the page
}

TEST(PrintLayout, FormCellTallerThanAPageIsPrintedAloneAndTheRestGoesOn) {
  FormFixture f({{0, 100}, {200, 5000}, {5300, 100}});
  const auto L = LayOutTable(f.t, kPW, kPH);
  EXPECT_EQ(L.oversize, std::vector<int>{200});
  EXPECT_EQ(L.PageCount(), 3);
  EXPECT_EQ(Texts(DrawPage(f.t, L, 3)), std::vector<std::string>{"y5300"});
}

TEST(PrintLayout, EmptyFormIsOnePage) {
  FormFixture f({});
  EXPECT_EQ(LayOutTable(f.t, kPW, kPH).PageCount(), 1);
}

}  // namespace
}  // namespace rpt::output
