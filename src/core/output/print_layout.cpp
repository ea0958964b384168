#include "core/output/print_layout.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/foundation/codec.h"
#include "core/tables/table.h"

namespace rpt::output {

long long NearestEven(double x) { return std::llrint(std::nearbyint(x)); }

PageGeometry ComputePageGeometry(const PageSettings& page, int pw, int ph) {
  const bool landscape = page.orientation == 1;
  const double xs = pw / (landscape ? 297.0 : 210.0);
  const double ys = ph / (landscape ? 210.0 : 297.0);
  PageGeometry g;
  g.pageWidth = pw;
  g.pageHeight = ph;
  g.left = static_cast<int>(NearestEven(page.left * xs));
  g.width = pw - g.left - static_cast<int>(NearestEven(page.right * xs));
  g.top = static_cast<int>(NearestEven(page.top * ys));
  g.height = ph - g.top - static_cast<int>(NearestEven(page.bottom * ys));
  return g;
}

void TSector::Add(PrintCell cell) {
  Width = std::max(Width, cell.left + cell.width);
  Height = std::max(Height, cell.top + cell.height);
  cells_.push_back(std::move(cell));
}

void TSector::Clear() {
  cells_.clear();
  Width = Height = 0;
}

int TSector::MinLeft() const {
  int m = INT_MAX;
  for (const auto& c : cells_) m = std::min(m, c.left);
  return cells_.empty() ? 0 : m;
}

int TSector::MinTop() const {
  int m = INT_MAX;
  for (const auto& c : cells_) m = std::min(m, c.top);
  return cells_.empty() ? 0 : m;
}

namespace {

// Table fonts are sized in points for a 96 dpi screen.
double FontPixels(const TFont& font) { return font.size * 96.0 / 72.0; }

}  // namespace

double FrameLineWidth(const PrintCell& cell) { return std::max(1.0, cell.fontPixels / 11.0); }

PrintCell CopyCell(TCell& cell, bool topZero) {
  PrintCell p;
  const TFramedLabel& l = cell.label;
  p.left = l.left;
  p.top = topZero ? 0 : l.top;
  p.width = l.width;
  p.height = l.height;
  p.text = l.caption;
  if (cell.type == cell_type::kReal || cell.type == cell_type::kFormula) NormalizeValue(cell.type, cell.Dec, p.text);
  p.font = l.font;
  p.font.color = 0;  // black
  p.fontPixels = FontPixels(l.font);
  p.framed = l.framed;
  p.frameWidth = l.frameWidth;
  p.textAlign = l.TextAlign();
  p.horizontal = l.horizontal();
  p.vertical = l.vertical();
  p.sourceRow = cell.Row;
  return p;
}

namespace {

int Scaled(int v, int scale) { return static_cast<int>(NearestEven(static_cast<double>(v) * scale / 100.0)); }

// The strip as drawn: content moved to its origin and scaled.
std::vector<PrintCell> StripCells(const TSector& s, int scale) {
  std::vector<PrintCell> out;
  const int ml = s.MinLeft(), mt = s.MinTop();
  out.reserve(s.Cells().size());
  for (PrintCell c : s.Cells()) {
    c.left = Scaled(c.left - ml, scale);
    c.top = Scaled(c.top - mt, scale);
    c.width = Scaled(c.width, scale);
    c.height = Scaled(c.height, scale);
    c.fontPixels = c.fontPixels * scale / 100.0;
    out.push_back(std::move(c));
  }
  return out;
}

int ScaledHeight(const TSector& s, int scale) { return Scaled(s.StripHeight(), scale); }

// What decides how far right a cell reaches once painted: its place in
// its strip (the strip's content moved to the origin), its width and, when
// framed, the half of its frame line outside it.
struct Edge {
  int left = 0, width = 0;
  bool framed = false;
  double fontPixels = 0;
};

void AddEdges(std::vector<Edge>& out, const TSector& s) {
  const int ml = s.MinLeft();
  for (const auto& c : s.Cells()) out.push_back({c.left - ml, c.width, c.framed, c.fontPixels});
}

int PaintedWidth(const std::vector<Edge>& edges, int scale) {
  int right = 0;
  for (const Edge& e : edges) {
    int r = Scaled(e.left, scale) + Scaled(e.width, scale);
    if (e.framed) {
      PrintCell scaled;
      scaled.fontPixels = e.fontPixels * scale / 100.0;
      r += static_cast<int>(std::ceil(FrameLineWidth(scaled) / 2));
    }
    right = std::max(right, r);
  }
  return right;
}

// The nearest percent can carry the widest part a pixel or two past the
// printable width, and a frame line on its right edge reaches half its
// width further: the scale steps down until everything painted fits.
int FittingScale(int scale, const std::vector<Edge>& edges, int printableWidth) {
  const int nearest = scale;
  for (int painted; scale > 1 && (painted = PaintedWidth(edges, scale)) > printableWidth;) {
    const int guess = static_cast<int>(std::floor(static_cast<double>(scale) * printableWidth / painted));
    scale = std::clamp(guess, 1, scale - 1);
  }
  // The proportional guess may land below the largest scale that fits.
  while (scale < nearest && PaintedWidth(edges, scale + 1) <= printableWidth) ++scale;
  return scale;
}

bool Printable(const TCell& c) { return c.label.visible; }

void FillSection(TSector& s, TNoDataSect& section) {
  for (auto& c : section.cells)
    if (Printable(*c)) s.Add(CopyCell(*c));
}

struct Strips {
  TSector header, top, footer, colNums, tabNum;
};

Strips BuildStrips(TTable& t, std::string& continuation) {
  Strips s;
  FillSection(s.header, t.header);
  FillSection(s.top, t.top);
  FillSection(s.footer, t.footer);
  for (auto& c : t.top.cells)
    if (c->type == cell_type::kColumnNumber && Printable(*c)) s.colNums.Add(CopyCell(*c, true));
  continuation.clear();
  for (auto& c : t.header.cells) {
    if (c->type != cell_type::kTableNumber) continue;
    PrintCell p = CopyCell(*c, true);
    p.left = 0;
    // As wide as the column numbers' strip (their content from its own
    // origin), so that the line ends where the table does; a table without
    // them would hide the line in a cell of no width, so it takes the
    // widest section's strip instead.
    auto stripWidth = [](const TSector& x) { return x.Cells().empty() ? 0 : x.Width - x.MinLeft(); };
    p.width = !s.colNums.Cells().empty()
                  ? stripWidth(s.colNums)
                  : std::max({stripWidth(s.header), stripWidth(s.top), stripWidth(s.footer), 1});
    std::string caption = c->label.caption;
    for (char& ch : caption)
      if (ch == '\r' || ch == '\n') ch = ' ';
    p.text = caption + Utf8ToCp1251(" (продолжение)");
    p.horizontal = HAlign::Right;
    p.textAlign = 6;
    p.vertical = VAlign::Center;
    p.framed = false;
    continuation = p.text;
    s.tabNum.Add(std::move(p));
  }
  return s;
}

// Scaled vertical extent of each data row: top of its first cell, largest bottom.
struct RowSpan {
  int top = 0, bottom = 0;
};

std::vector<RowSpan> RowSpans(TTable& t, int scale) {
  std::vector<RowSpan> spans(static_cast<std::size_t>(std::max(t.RowCount, 0)) + 1);
  for (int r = 1; r <= t.RowCount; ++r) {
    const TRow* row = RowAt(t.data, r);
    if (!row) continue;
    int top = INT_MAX, bottom = INT_MIN;
    for (const auto& c : row->cells) {
      top = std::min(top, c->label.top);
      bottom = std::max(bottom, c->label.top + c->label.height);
    }
    if (top == INT_MAX) top = bottom = 0;
    spans[r] = {Scaled(top, scale), Scaled(bottom, scale)};
  }
  return spans;
}

// Data cells (grid rows 1..RowCount, or a form's row 0) as one strip: a
// page's strip starts at its own leftmost cell, never further left, so no
// page reaches further right than this.
void AddDataEdges(std::vector<Edge>& out, TTable& t, int fromRow, int toRow) {
  const std::size_t first = out.size();
  int ml = INT_MAX;
  for (int r = fromRow; r <= toRow; ++r)
    if (const TRow* row = RowAt(t.data, r))
      for (const auto& c : row->cells)
        if (Printable(*c)) {
          const TFramedLabel& l = c->label;
          out.push_back({l.left, l.width, l.framed, FontPixels(l.font)});
          ml = std::min(ml, l.left);
        }
  for (std::size_t i = first; i < out.size(); ++i) out[i].left -= ml;
}

int FormContentWidth(TTable& t) {
  int w = 0;
  auto take = [&](const TCell& c) { w = std::max(w, c.label.left + c.label.width); };
  for (auto* sect : {static_cast<TNoDataSect*>(&t.header), static_cast<TNoDataSect*>(&t.top),
                     static_cast<TNoDataSect*>(&t.footer)})
    for (auto& c : sect->cells) take(*c);
  if (const TRow* row0 = RowAt(t.data, 0))
    for (auto& c : row0->cells) take(*c);
  return w;
}

std::vector<const TCell*> FormCells(TTable& t) {
  std::vector<const TCell*> out;
  if (const TRow* row0 = RowAt(t.data, 0))
    for (auto& c : row0->cells)
      if (Printable(*c)) out.push_back(c.get());
  return out;
}

void AppendShifted(PageImage& page, std::vector<PrintCell> cells, int x, int y) {
  for (auto& c : cells) {
    c.left += x;
    c.top += y;
    page.cells.push_back(std::move(c));
  }
}

}  // namespace

int TablePrintLayout::PageCount() const {
  if (grid) return std::max<int>(1, static_cast<int>(breaks.size()) - 1 + (footerPage ? 1 : 0));
  return std::max<int>(1, static_cast<int>(formBreaks.size()) - 1);
}

TablePrintLayout LayOutTable(TTable& t, int pageWidth, int pageHeight) {
  TablePrintLayout L;
  L.geometry = ComputePageGeometry(t.page, pageWidth, pageHeight);
  L.grid = t.grid;
  const int printableH = std::max(L.geometry.height, 1);
  if (L.grid) {
    Strips s = BuildStrips(t, L.continuation);
    const int content = std::max({s.header.Width, s.top.Width, s.footer.Width});
    L.scale = content > 0 ? static_cast<int>(NearestEven(L.geometry.width * 100.0 / content)) : 100;
    std::vector<Edge> edges;
    for (const TSector* strip : {&s.header, &s.top, &s.footer, &s.colNums, &s.tabNum}) AddEdges(edges, *strip);
    AddDataEdges(edges, t, 1, t.RowCount);
    L.scale = FittingScale(std::max(L.scale, 1), edges, L.geometry.width);
    const auto spans = RowSpans(t, L.scale);
    const int firstAvail = printableH - ScaledHeight(s.header, L.scale) - ScaledHeight(s.top, L.scale);
    const int laterAvail = printableH - ScaledHeight(s.colNums, L.scale) -
                           (L.continuation.empty() ? 0 : ScaledHeight(s.tabNum, L.scale));
    L.breaks.push_back(1);
    int r = 1;
    bool firstPage = true;
    while (r <= t.RowCount) {
      const int avail = firstPage ? firstAvail : laterAvail;
      int next = r;
      while (next <= t.RowCount && spans[next].bottom - spans[r].top <= avail) ++next;
      if (next == r) {
        if (firstPage && spans[r].bottom - spans[r].top <= laterAvail) {
          // Page 1 carries the headings only; the row starts page 2.
          L.breaks.push_back(r);
          firstPage = false;
          continue;
        }
        // A row taller than any page: alone on its page, clipped.
        L.oversize.push_back(r);
        next = r + 1;
      }
      L.breaks.push_back(next);
      r = next;
      firstPage = false;
    }
    if (L.breaks.size() == 1) L.breaks.push_back(1);  // no rows: headings and footer on one page
    // The footer follows the data on the last page; when it would run off
    // the paper it gets a page of its own.
    if (!s.footer.Cells().empty()) {
      const int last = static_cast<int>(L.breaks.size()) - 1;
      const int from = L.breaks[last - 1], to = L.breaks[last] - 1;
      int used = (last == 1 ? printableH - firstAvail : printableH - laterAvail);
      if (to >= from) used += spans[to].bottom - spans[from].top;
      if (used + ScaledHeight(s.footer, L.scale) > printableH &&
          ScaledHeight(s.footer, L.scale) <= laterAvail && to >= from)
        L.footerPage = true;
    }
  } else {
    const int content = FormContentWidth(t);
    L.scale = content > 0 ? static_cast<int>(NearestEven(L.geometry.width * 100.0 / content)) : 100;
    std::vector<Edge> edges;
    AddDataEdges(edges, t, 0, 0);
    L.scale = FittingScale(std::max(L.scale, 1), edges, L.geometry.width);
    const auto cells = FormCells(t);
    L.formBreaks.push_back(-1);
    int chosenTop = -1;
    while (true) {
      const int p = L.formBreaks.back();
      const TCell* best = nullptr;
      const TCell* nearest = nullptr;
      for (const TCell* c : cells) {
        const int top = c->label.top, bottom = top + c->label.height;
        if (top <= p) continue;
        if (!nearest || top < nearest->label.top) nearest = c;
        if (Scaled(bottom - p, L.scale) <= printableH && top > chosenTop &&
            (!best || top > best->label.top))
          best = c;
      }
      if (!nearest) break;
      if (!best) {
        // The next cell is taller than a page: alone on its page, clipped.
        best = nearest;
        L.oversize.push_back(nearest->label.top);
      }
      chosenTop = best->label.top;
      L.formBreaks.push_back(best->label.top + best->label.height);
    }
    if (L.formBreaks.size() == 1) L.formBreaks.push_back(INT_MAX);
  }
  return L;
}

PageImage DrawPage(TTable& t, const TablePrintLayout& L, int n) {
  PageImage page;
  const PageGeometry& g = L.geometry;
  page.clipLeft = g.left;
  page.clipTop = g.top;
  page.clipWidth = g.width;
  page.clipHeight = g.height;
  const int count = L.PageCount();
  if (n < 1 || n > count) return page;
  if (!L.grid) {
    TSector data;
    const int from = L.formBreaks[n - 1], to = L.formBreaks[n];
    for (const TCell* c : FormCells(t))
      if (c->label.top > from && c->label.top <= to) data.Add(CopyCell(const_cast<TCell&>(*c)));
    AppendShifted(page, StripCells(data, L.scale), g.left, g.top);
    return page;
  }
  std::string continuation;
  Strips s = BuildStrips(t, continuation);
  int y = g.top;
  const bool onlyFooter = L.footerPage && n == count;
  if (n == 1 && !onlyFooter) {
    AppendShifted(page, StripCells(s.header, L.scale), g.left, y);
    y += ScaledHeight(s.header, L.scale);
    AppendShifted(page, StripCells(s.top, L.scale), g.left, y);
    y += ScaledHeight(s.top, L.scale);
  } else {
    if (!continuation.empty()) {
      AppendShifted(page, StripCells(s.tabNum, L.scale), g.left, y);
      y += ScaledHeight(s.tabNum, L.scale);
    }
    if (!onlyFooter) {
      AppendShifted(page, StripCells(s.colNums, L.scale), g.left, y);
      y += ScaledHeight(s.colNums, L.scale);
    }
  }
  if (!onlyFooter && n < static_cast<int>(L.breaks.size())) {
    TSector data;
    for (int r = L.breaks[n - 1]; r < L.breaks[n] && r <= t.RowCount; ++r)
      if (const TRow* row = RowAt(t.data, r))
        for (auto& c : row->cells)
          if (Printable(*c)) data.Add(CopyCell(*c));
    AppendShifted(page, StripCells(data, L.scale), g.left, y);
    y += ScaledHeight(data, L.scale);
  }
  const bool footerHere = L.footerPage ? onlyFooter : n == count;
  if (footerHere) AppendShifted(page, StripCells(s.footer, L.scale), g.left, y);
  return page;
}

std::string OversizeMessage(const TablePrintLayout& L) {
  if (L.oversize.empty()) return {};
  std::string list;
  for (int v : L.oversize) list += (list.empty() ? "" : ", ") + std::to_string(v);
  return Utf8ToCp1251(L.grid ? "Строки, не уместившиеся на странице, напечатаны с обрезкой: " + list + "."
                             : "Ячейки, не уместившиеся на странице, напечатаны с обрезкой (вертикальная позиция): " +
                                   list + ".");
}

}  // namespace rpt::output
