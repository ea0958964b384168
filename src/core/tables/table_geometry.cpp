#include "core/tables/table_geometry.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace rpt {

namespace {

// A cell spanning the vertical line x (its left before x, its right at or after).
bool SpansX(const TFramedLabel& l, int x) { return l.left < x && l.left + l.width >= x; }
bool SpansY(const TFramedLabel& l, int y) { return l.top < y && l.top + l.height >= y; }

// Negative dx may not leave a spanning cell 10 pixels wide or less.
int LimitWidth(const std::vector<std::unique_ptr<TCell>>& cells, int x, int dx) {
  if (dx >= 0) return dx;
  for (const auto& c : cells)
    if (SpansX(c->label, x) && c->label.width + dx <= kMinCellSize) dx = std::max(dx, kMinCellSize - c->label.width);
  return dx;
}
int LimitHeight(const std::vector<std::unique_ptr<TCell>>& cells, int y, int dy) {
  if (dy >= 0) return dy;
  for (const auto& c : cells)
    if (SpansY(c->label, y) && c->label.height + dy <= kMinCellSize) dy = std::max(dy, kMinCellSize - c->label.height);
  return dy;
}

// Header or footer: cells spanning the edge widen, cells right of it move.
void WidenSection(TNoDataSect& s, int x, int dx) {
  for (const auto& c : s.cells) {
    if (SpansX(c->label, x)) c->SetWidth(c->label.width + dx);
    else if (c->label.left >= x) c->label.left += dx;
  }
}

TNoDataSect& SectionCells(TTable& t, TableSection section) {
  switch (section) {
    case TableSection::Header: return t.header;
    case TableSection::Top: return t.top;
    default: return t.footer;
  }
}

}  // namespace

TCell* FindCell(const TTable& t, std::uint64_t id) {
  for (const TNoDataSect* section :
       {static_cast<const TNoDataSect*>(&t.header), static_cast<const TNoDataSect*>(&t.top),
        static_cast<const TNoDataSect*>(&t.footer)})
    for (const auto& c : section->cells)
      if (c->id() == id) return c.get();
  for (const auto& row : t.data.rows)
    for (const auto& c : row->cells)
      if (c->id() == id) return c.get();
  return nullptr;
}

CellPos PosOf(const TTable& t, const TCell* cell) {
  if (!cell) return {};
  auto find = [cell](const TRow& row) {
    for (std::size_t i = 0; i < row.size(); ++i)
      if (row.cells[i].get() == cell) return static_cast<int>(i) + 1;
    return -1;
  };
  if (!t.grid) {
    const TRow* row = FirstRow(t.data);
    const int col = row ? find(*row) : -1;
    return col > 0 ? CellPos{0, col} : CellPos{};
  }
  // The rows are strips ordered by their tops: the cell's row is the one
  // its top falls in.
  const int r = FirstRowBelow(t, cell->label.top);
  if (const TRow* row = RowAt(t.data, r); row && r <= t.RowCount)
    if (const int col = find(*row); col > 0) return CellPos{r, col};
  return {};
}

TableSection SectionOf(const TTable& t, const TCell* cell) {
  if (!cell) return TableSection::None;
  if (PosOf(t, cell).row >= 0) return TableSection::Data;
  auto in = [cell](const TNoDataSect& s) {
    return std::any_of(s.cells.begin(), s.cells.end(), [cell](const auto& c) { return c.get() == cell; });
  };
  if (in(t.header)) return TableSection::Header;
  if (in(t.top)) return TableSection::Top;
  if (in(t.footer)) return TableSection::Footer;
  return TableSection::None;
}

bool ResizeColumn(TTable& t, const TCell& cell, int dx) {
  if (!t.grid) return false;
  const int x = cell.label.left + cell.label.width;
  const TableSection section = SectionOf(t, &cell);
  if (section == TableSection::Header || section == TableSection::Footer) {
    TNoDataSect& s = SectionCells(t, section);
    dx = LimitWidth(s.cells, x, dx);
    if (dx != 0) WidenSection(s, x, dx);
  } else if (section == TableSection::Top || section == TableSection::Data) {
    // Both limits first: headings and data move by the same amount and
    // stay in line.
    const TRow* row1 = t.RowCount >= 1 ? RowAt(t.data, 1) : nullptr;
    dx = LimitWidth(t.top.cells, x, dx);
    if (row1) dx = LimitWidth(row1->cells, x, dx);
    if (dx != 0) WidenSection(t.top, x, dx);
    if (row1 && dx != 0) {
      for (int i = 1; i <= static_cast<int>(row1->size()); ++i) {
        const TFramedLabel& l = CellAt(*row1, i)->label;
        if (SpansX(l, x)) SetColumnWidth(t.data, i, l.width + dx);
        else if (l.left >= x) SetColumnLeft(t.data, i, l.left + dx);
      }
      t.contentWidth += dx;
    }
  } else {
    return false;
  }
  if (dx == 0) return false;
  t.SetModified(true);
  return true;
}

int ResizeRow(TTable& t, TCell& cell, int dy) {
  if (cell.label.height + dy < kMinCellSize) dy = kMinCellSize - cell.label.height;
  const TableSection section = SectionOf(t, &cell);
  if (!t.grid) {
    const int top = cell.label.top, bottom = top + cell.label.height;
    if (TRow* row = FirstRow(t.data)) {
      for (const auto& c : row->cells) {
        TFramedLabel& l = c->label;
        const int b = l.top + l.height;
        if (b > top && b <= bottom) c->SetHeight(l.height + dy);
        else if (l.top >= bottom) l.top += dy;
      }
    }
  } else if (section == TableSection::Data) {
    const int r = PosOf(t, &cell).row;
    if (dy != 0) {
      for (const auto& c : t.data.rows[static_cast<std::size_t>(r)]->cells) c->SetHeight(c->label.height + dy);
      for (int i = r + 1; i <= t.RowCount; ++i)
        for (const auto& c : t.data.rows[static_cast<std::size_t>(i)]->cells) c->label.top += dy;
      t.footer.topOffset += dy;
    }
  } else if (section != TableSection::None) {
    TNoDataSect& s = SectionCells(t, section);
    const int y = cell.label.top + cell.label.height;
    dy = LimitHeight(s.cells, y, dy);
    if (dy != 0) {
      for (const auto& c : s.cells) {
        if (c->label.top >= y) c->label.top += dy;
        else if (SpansY(c->label, y)) c->SetHeight(c->label.height + dy);
      }
      s.height += dy;
      s.panelHeight += dy;
      if (section == TableSection::Header) {
        t.top.topOffset += dy;
        t.footer.topOffset += dy;
        t.MinTopD += dy;
        t.MinTop += dy;
      } else if (section == TableSection::Top) {
        t.footer.topOffset += dy;
        t.MinTopD += dy;
      }
      t.SetModified(true);
    }
  }
  if (dy != 0) t.contentHeight += dy;
  return dy;
}

bool IsValidDate(std::string_view text) {
  std::array<int, 3> v{};
  std::size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const std::size_t dot = text.find('.', start);
    if ((i < 2) != (dot != std::string_view::npos)) return false;
    std::string_view part = text.substr(start, i < 2 ? dot - start : std::string_view::npos);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    if (part.empty() || part.size() > 9) return false;
    if (i == 2 && part.size() != 4) return false;
    for (const char c : part) {
      if (c < '0' || c > '9') return false;
      v[static_cast<std::size_t>(i)] = v[static_cast<std::size_t>(i)] * 10 + (c - '0');
    }
    if (i < 2) start = dot + 1;
  }
  const int day = v[0], month = v[1], year = v[2];
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

void SetCellFont(TTable& t, std::string_view face, int size) {
  auto apply = [&](TCell& c) {
    c.label.font.name = std::string(face);
    if (size > 0) c.label.font.size = size;
  };
  if (t.grid)
    for (TNoDataSect* s : {static_cast<TNoDataSect*>(&t.header), static_cast<TNoDataSect*>(&t.top),
                           static_cast<TNoDataSect*>(&t.footer)})
      for (const auto& c : s->cells) apply(*c);
  for (const auto& row : t.data.rows)
    for (const auto& c : row->cells) apply(*c);
  t.SetModified(true);
}

bool ApplyColourScheme(TTable& t) {
  TableHooks& hooks = t.hooks();
  const std::optional<TColor> background = hooks.BackgroundColor();
  if (!background) return false;
  t.background = background;
  auto recolour = [&hooks](TCell& c) {
    if (!c.label.transparent) c.label.color = hooks.DisplayColor(c.definedColor);
  };
  if (!t.grid) {
    if (TRow* row = FirstRow(t.data))
      for (const auto& c : row->cells) recolour(*c);
  } else {
    for (const auto& c : t.top.cells) recolour(*c);
    for (int r = 0; r <= t.RowCount && r < static_cast<int>(t.data.size()); ++r)
      for (int col = 1; col <= t.ColCount; ++col)
        if (TCell* c = CellAt(*t.data.rows[static_cast<std::size_t>(r)], col)) recolour(*c);
  }
  t.SetModified(true);
  return true;
}

}  // namespace rpt
