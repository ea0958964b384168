#include "core/tables/table_navigation.h"

#include <algorithm>

namespace rpt {

namespace {

const TCell* CellOf(const TTable& t, CellPos p) {
  const TRow* row = RowAt(t.data, p.row);
  return row ? CellAt(*row, p.col) : nullptr;
}

int RowCountOf(const TTable& t) { return std::min(t.RowCount, static_cast<int>(t.data.size()) - 1); }

bool IsDataPos(const TTable& t, CellPos p) {
  if (t.grid) return p.row >= 1 && p.row <= RowCountOf(t) && p.col >= 1 && p.col <= t.ColCount && CellOf(t, p);
  return p.row == 0 && CellOf(t, p) != nullptr;
}

}  // namespace

std::optional<CellPos> NextEditableCell(const TTable& t, CellPos from, bool forward) {
  if (!IsDataPos(t, from)) return std::nullopt;
  if (t.grid) {
    const int rows = RowCountOf(t), cols = t.ColCount;
    CellPos p = from;
    // Every other cell once, then back at the start: nothing qualifies.
    for (long long steps = static_cast<long long>(rows) * cols; steps > 1; --steps) {
      if (forward) {
        if (++p.col > cols) {
          p.col = 1;
          if (++p.row > rows) p.row = 1;
        }
      } else if (--p.col < 1) {
        p.col = cols;
        if (--p.row < 1) p.row = rows;
      }
      const TCell* cell = CellOf(t, p);
      if (cell && !IsSteppedOverType(cell->type)) return p;
    }
    return std::nullopt;
  }
  // Form tables by cell number: position n is number n + 1, numbers start
  // at 2, so the walk wraps to position 1 (and backward to the last).
  const int count = static_cast<int>(RowAt(t.data, 0)->size());
  CellPos p = from;
  for (int steps = count - 1; steps > 0; --steps) {
    p.col = forward ? (p.col >= count ? 1 : p.col + 1) : (p.col <= 1 ? count : p.col - 1);
    const TCell* cell = CellOf(t, p);
    if (cell && !IsSteppedOverType(cell->type)) return p;
  }
  return std::nullopt;
}

std::optional<CellPos> FirstEditableCell(const TTable& t) {
  const int rows = t.grid ? RowCountOf(t) : 0;
  for (int r = t.grid ? 1 : 0; r <= rows; ++r) {
    const TRow* row = RowAt(t.data, r);
    const int cols = row ? static_cast<int>(row->size()) : 0;
    for (int c = 1; c <= (t.grid ? std::min(cols, t.ColCount) : cols); ++c) {
      const TCell* cell = CellAt(*row, c);
      if (cell && !IsSteppedOverType(cell->type)) return CellPos{r, c};
    }
  }
  return std::nullopt;
}

std::optional<CellPos> LastEditableCell(const TTable& t) {
  for (int r = t.grid ? RowCountOf(t) : 0; r >= (t.grid ? 1 : 0); --r) {
    const TRow* row = RowAt(t.data, r);
    const int cols = row ? static_cast<int>(row->size()) : 0;
    for (int c = t.grid ? std::min(cols, t.ColCount) : cols; c >= 1; --c) {
      const TCell* cell = CellAt(*row, c);
      if (cell && !IsSteppedOverType(cell->type)) return CellPos{r, c};
    }
  }
  return std::nullopt;
}

std::optional<CellPos> ArrowTarget(const TTable& t, CellPos from, ArrowKey key) {
  if (!IsDataPos(t, from)) return std::nullopt;
  if (!t.grid && !t.growing) {
    const TRow& row = *RowAt(t.data, 0);
    const TCell& cur = *CellAt(row, from.col);
    const auto& c = cur.label;
    std::optional<CellPos> best;
    long long bestDistance = 0;
    for (int i = 1; i <= static_cast<int>(row.size()); ++i) {
      if (i == from.col) continue;
      const TCell& cand = *CellAt(row, i);
      if (cand.type < 1 || cand.type > 6) continue;
      const auto& l = cand.label;
      const bool inDirection = key == ArrowKey::Up     ? l.top <= c.top
                               : key == ArrowKey::Down ? l.top >= c.top
                               : key == ArrowKey::Left ? l.left <= c.left
                                                       : l.left >= c.left;
      if (!inDirection) continue;
      const long long dt = l.top - c.top, dl = l.left - c.left;
      const long long distance = dt * dt + dl * dl;
      if (!best || distance < bestDistance) {
        best = CellPos{0, i};
        bestDistance = distance;
      }
    }
    return best;
  }
  const int dr = key == ArrowKey::Up ? -1 : key == ArrowKey::Down ? 1 : 0;
  const int dc = key == ArrowKey::Left ? -1 : key == ArrowKey::Right ? 1 : 0;
  const int rows = t.grid ? RowCountOf(t) : 0;
  for (CellPos p{from.row + dr, from.col + dc};; p.row += dr, p.col += dc) {
    if (p.col < 1 || p.col > t.ColCount || p.row < 1 || p.row > rows) return std::nullopt;
    const TCell* cell = CellOf(t, p);
    if (cell && !IsNotEditedType(cell->type)) return p;
  }
}

int PagingPosition(PagingKey key, int position, int areaHeight, int contentHeight) {
  switch (key) {
    case PagingKey::PageUp: return position - areaHeight + 30;
    case PagingKey::PageDown: return position + areaHeight - 30;
    case PagingKey::End: return contentHeight;
    case PagingKey::Home: break;
  }
  return 0;
}

int FirstRowBelow(const TTable& t, int y) {
  const int rows = RowCountOf(t);
  int lo = 1, hi = rows + 1;
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    const TRow& row = *t.data.rows[static_cast<std::size_t>(mid)];
    const TCell* first = row.size() ? row.cells.front().get() : nullptr;
    const int bottom = first ? first->label.top + first->label.height : 0;
    if (bottom > y) hi = mid;
    else lo = mid + 1;
  }
  return lo;
}

}  // namespace rpt
