#include "core/tables/table_undo.h"

#include "core/tables/row_operations.h"


namespace rpt {

namespace {

TNoDataSect* SectionCells(TTable& t, TableSection section) {
  switch (section) {
    case TableSection::Header: return &t.header;
    case TableSection::Top: return &t.top;
    case TableSection::Footer: return &t.footer;
    default: return nullptr;
  }
}

// A cell by the place a value step keeps: a data cell by position, a
// section cell by its index (in pos.col, from 1).
TCell* CellAtPlace(TTable& t, TableSection section, CellPos pos) {
  if (section == TableSection::Data) {
    const TRow* row = RowAt(t.data, pos.row);
    return row ? CellAt(*row, pos.col) : nullptr;
  }
  TNoDataSect* s = SectionCells(t, section);
  if (!s || pos.col < 1 || static_cast<std::size_t>(pos.col) > s->cells.size()) return nullptr;
  return s->cells[static_cast<std::size_t>(pos.col) - 1].get();
}

bool SameValue(const TCell& a, const TCell& b);

}  // namespace

void RestoreCellContent(TCell& cell, const TCell& from) {
  TCell content = from;
  content.label.left = cell.label.left;
  content.label.top = cell.label.top;
  content.label.width = cell.label.width;
  content.label.height = cell.label.height;
  content.label.selected = cell.label.selected;
  content.label.remarked = cell.label.remarked;
  content.Row = cell.Row;
  content.Col = cell.Col;
  content.SetTable(cell.table());
  cell = content;  // the identity stays the cell's own
}

namespace {

bool SameValue(const TCell& a, const TCell& b) {
  TCell x = b;
  RestoreCellContent(x, a);
  return x.SameContent(b);
}

}  // namespace

std::size_t TableRowsState::CellCount() const {
  std::size_t n = 0;
  for (const auto& row : rows) n += row.size();
  return n;
}

TableRowsState CaptureRows(const TTable& t) {
  TableRowsState s;
  s.rows.reserve(t.data.rows.size());
  for (const auto& row : t.data.rows) {
    std::vector<TCell>& cells = s.rows.emplace_back();
    cells.reserve(row->cells.size());
    for (const auto& cell : row->cells) cells.push_back(*cell);
  }
  s.footerTop = t.footer.topOffset;
  s.RowCount = t.RowCount;
  s.contentWidth = t.contentWidth;
  s.contentHeight = t.contentHeight;
  s.MinTopD = t.MinTopD;
  return s;
}

void RestoreRows(TTable& t, const TableRowsState& s) {
  t.data.rows.clear();
  t.data.rows.reserve(s.rows.size());
  for (const auto& cells : s.rows) {
    auto row = std::make_unique<TRow>();
    row->cells.reserve(cells.size());
    for (const TCell& cell : cells) {
      row->cells.push_back(std::make_unique<TCell>(cell));
      row->cells.back()->SetTable(&t);
    }
    t.data.rows.push_back(std::move(row));
  }
  t.footer.topOffset = s.footerTop;
  t.RowCount = s.RowCount;
  t.contentWidth = s.contentWidth;
  t.contentHeight = s.contentHeight;
  t.MinTopD = s.MinTopD;
}

void TableUndo::RecordValue(const TTable& table, const TCell& cell, const TCell& before, int rowFit) {
  if (rowFit == 0 && SameValue(cell, before)) return;
  Step step;
  step.section = SectionOf(table, &cell);
  if (step.section == TableSection::None) return;
  if (step.section == TableSection::Data) {
    step.pos = PosOf(table, &cell);
  } else {
    const TNoDataSect* s = SectionCells(const_cast<TTable&>(table), step.section);
    for (std::size_t i = 0; i < s->cells.size(); ++i)
      if (s->cells[i].get() == &cell) step.pos = CellPos{-1, static_cast<int>(i) + 1};
  }
  step.before = std::make_unique<TCell>(before);
  step.after = std::make_unique<TCell>(cell);
  step.rowFit = rowFit;
  Push(std::move(step));
}

void TableUndo::RecordRows(const TTable& table, TableRowsState before) {
  Step step;
  step.rowsBefore = std::make_unique<TableRowsState>(std::move(before));
  step.rowsAfter = std::make_unique<TableRowsState>(CaptureRows(table));
  Push(std::move(step));
}

void TableUndo::Push(Step step) {
  steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
  steps_.push_back(std::move(step));
  const auto cells = [](const Step& s) {
    return (s.rowsBefore ? s.rowsBefore->CellCount() : 0) + (s.rowsAfter ? s.rowsAfter->CellCount() : 0);
  };
  std::size_t total = 0;
  for (const Step& s : steps_) total += cells(s);
  std::size_t drop = steps_.size() > kDepth ? steps_.size() - kDepth : 0;
  for (std::size_t i = 0; i < drop; ++i) total -= cells(steps_[i]);
  while (total > kCellBudget && drop + 1 < steps_.size()) total -= cells(steps_[drop++]);
  steps_.erase(steps_.begin(), steps_.begin() + static_cast<std::ptrdiff_t>(drop));
  done_ = steps_.size();
}

namespace {

// Same content and place, aside from what is derived: the check marks, the
// values of formulas (computed again after every step) and the code of a
// list cell's list (looked up in its file when a save needs it).
bool SameCell(const TCell& a, const TCell& b) {
  TCell x = a;
  x.label.selected = b.label.selected;
  x.label.remarked = b.label.remarked;
  x.ListCode = b.ListCode;
  if (x.type == cell_type::kFormula && b.type == cell_type::kFormula) x.label.caption = b.label.caption;
  return x.SameContent(b);
}

bool SameRows(const TTable& t, const TableRowsState& s) {
  if (t.RowCount != s.RowCount || t.contentHeight != s.contentHeight || t.contentWidth != s.contentWidth ||
      t.footer.topOffset != s.footerTop || t.MinTopD != s.MinTopD || t.data.rows.size() != s.rows.size())
    return false;
  for (std::size_t r = 0; r < s.rows.size(); ++r) {
    const auto& cells = t.data.rows[r]->cells;
    if (cells.size() != s.rows[r].size()) return false;
    for (std::size_t c = 0; c < cells.size(); ++c)
      if (!SameCell(*cells[c], s.rows[r][c])) return false;
  }
  return true;
}

}  // namespace

bool TableUndo::Matches(TTable& table, const Step& step, bool undo) {
  if (step.rowsBefore) return SameRows(table, undo ? *step.rowsAfter : *step.rowsBefore);
  const TCell* cell = CellAtPlace(table, step.section, step.pos);
  if (!cell) return false;
  TCell expected = *cell;
  RestoreCellContent(expected, undo ? *step.after : *step.before);
  return SameCell(*cell, expected);
}

bool TableUndo::Apply(TTable& table, const Step& step, bool undo) {
  // A table changed since in a way no step recorded (another window, a
  // pick from a list) is never put back over that change: the steps no
  // longer describe it.
  if (!Matches(table, step, undo)) {
    Clear();
    return false;
  }
  if (step.rowsBefore) {
    RestoreRows(table, undo ? *step.rowsBefore : *step.rowsAfter);
  } else {
    TCell* cell = CellAtPlace(table, step.section, step.pos);
    if (!cell) return false;
    LoadingScope quiet(table);
    if (undo) {
      if (step.rowFit != 0) ResizeRow(table, *cell, -step.rowFit);
      RestoreCellContent(*cell, *step.before);
    } else {
      RestoreCellContent(*cell, *step.after);
      if (step.rowFit != 0) ResizeRow(table, *cell, step.rowFit);
    }
    // The text came back without SetValue: what was computed from it is
    // told as for any change.
    table.hooks().ValueChanged(table, *cell);
  }
  table.SetModified(true);
  table.hooks().RecalcTable(table, false, true);
  return true;
}

bool TableUndo::Undo(TTable& table) {
  if (!CanUndo()) return false;
  if (!Apply(table, steps_[done_ - 1], true)) return false;
  --done_;
  return true;
}

bool TableUndo::Redo(TTable& table) {
  if (!CanRedo()) return false;
  if (!Apply(table, steps_[done_], false)) return false;
  ++done_;
  return true;
}

void TableUndo::Clear() {
  steps_.clear();
  done_ = 0;
}

}  // namespace rpt
