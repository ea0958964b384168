#include "core/tables/table_model.h"

#include <algorithm>
#include <atomic>

#include "core/tables/cell_pool.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace rpt {

void TFramedLabel::SetTextAlign(std::int32_t value) {
  textAlign_ = value;
  if (value < 1 || value > 9) return;
  const int v = (value - 1) / 3, h = (value - 1) % 3;
  vertical_ = static_cast<VAlign>(v);
  horizontal_ = static_cast<HAlign>(h);
}

LabelTextBox MarginBoxOf(const TFramedLabel& label) {
  LabelTextBox box{0, 0, label.width, label.height};
  if (label.vertical() == VAlign::Top) box.top += 2;
  if (label.vertical() == VAlign::Bottom) box.bottom -= 2;
  if (label.horizontal() == HAlign::Left) box.left += 10;
  if (label.horizontal() == HAlign::Right) box.right -= 10;
  return box;
}

LabelTextBox TextBoxOf(const TFramedLabel& label, int textHeight) {
  LabelTextBox box = MarginBoxOf(label);
  if (label.vertical() == VAlign::Top) return box;
  // Centre: half the free height, rounded toward zero; bottom: the text ends
  // on the bottom margin.
  const int dy = label.vertical() == VAlign::Bottom ? box.bottom - textHeight
                                                     : (label.height - textHeight) / 2;
  box.top += dy;
  return box;
}

std::uint64_t CellIdentity::Next() {
  // Numbers are taken from the shared counter a batch at a time, so that
  // threads building cells side by side do not fight over it for each one.
  constexpr std::uint64_t kBatch = 1024;
  static std::atomic<std::uint64_t> taken{0};
  thread_local std::uint64_t next = 0, end = 0;
  if (next == end) {
    next = taken.fetch_add(kBatch) + 1;
    end = next + kBatch;
  }
  return next++;
}

void* TCell::operator new(std::size_t size, std::align_val_t) { return tables::AllocateCell(size); }
void TCell::operator delete(void* p, std::size_t size, std::align_val_t) noexcept { tables::FreeCell(p, size); }

const SharedText& TCell::NoFormula() {
  static const SharedText* none = new SharedText("-1");
  return *none;
}

TCell::TCell(TTable* table) : table_(table) {
  label.font = TableWindowFont();
  definedFontName = label.font.name;
  definedFontSize = label.font.size;
}

namespace {

// Whether a numeric formula result is to be normalised: its first word
// (words separated by "," and ".") is an integer text.
bool FirstWordIsInteger(std::string_view t) {
  std::size_t i = 0;
  while (i < t.size() && (t[i] == ',' || t[i] == '.')) ++i;
  std::size_t j = i;
  while (j < t.size() && t[j] != ',' && t[j] != '.') ++j;
  return TryStrToInt(t.substr(i, j - i)).has_value();
}

}  // namespace

bool IsTextCopy(std::uint8_t type, std::int32_t dec) { return type == cell_type::kFormula && dec < 0; }

void NormalizeValue(std::uint8_t type, std::int32_t dec, std::string& text) {
  if (type != cell_type::kReal && type != cell_type::kFormula) return;
  if (IsTextCopy(type, dec)) return;
  if (text.find('.') == std::string::npos) return;
  if (tables::TrimText(text).empty()) return;
  if (type == cell_type::kFormula && !FirstWordIsInteger(text)) return;
  tables::DotsToCommas(text);
}

void TCell::SetValue(std::string_view text) {
  if (text == label.caption) return;
  std::string t(text);
  NormalizeValue(type, Dec, t);
  label.caption = std::move(t);
  if (!table_) return;
  TableHooks& hooks = table_->hooks();
  hooks.ValueChanged(*table_, *this);
  if (hooks.Loading()) return;
  table_->SetModified(true);
  switch (type) {
    case cell_type::kInteger:
    case cell_type::kReal:
    case cell_type::kListValue:
      hooks.RecalcTable(*table_, /*deep=*/false, /*withCheck=*/true);
      break;
    case cell_type::kText:
    case cell_type::kDate:
    case cell_type::kLongText:
      hooks.CheckTable(*table_);
      break;
    default:
      break;
  }
}

const std::string& TCell::GetValue() {
  NormalizeValue(type, Dec, label.caption);
  return label.caption;
}

void TCell::Clear() {
  if (type == cell_type::kRowNumber) return;
  BVal = BList = ListCode = -1;
  SetValue("");
  label.hint.clear();
}

void TCell::SetWidth(std::int32_t width) {
  if (label.width == width) return;
  label.width = width;
  if (table_) table_->SetModified(true);
}

void TCell::SetHeight(std::int32_t height) {
  if (label.height == height) return;
  label.height = height;
  if (table_) table_->SetModified(true);
}

bool TCell::SameContent(const TCell& o) const {
  return label == o.label && type == o.type && Dec == o.Dec && Len == o.Len && List == o.List && Form == o.Form &&
         BObj == o.BObj && BVal == o.BVal && BList == o.BList && ListCode == o.ListCode &&
         DirectInput == o.DirectInput && definedFontName == o.definedFontName && definedFontSize == o.definedFontSize &&
         definedColor == o.definedColor && Col == o.Col && Row == o.Row && number == o.number;
}

void TNoDataSect::Clear() {
  cells.clear();
  leftmost = nullptr;
  topOffset = 0;
  height = 0;
}

TCell* AddCell(TRow& row, TTable* table, bool visible) {
  row.cells.push_back(std::make_unique<TCell>(table));
  TCell* cell = row.cells.back().get();
  cell->label.visible = visible;
  return cell;
}

TCell* AddSectionCell(TNoDataSect& section, TTable* table, bool visible) {
  section.cells.push_back(std::make_unique<TCell>(table));
  TCell* cell = section.cells.back().get();
  cell->label.visible = visible;
  return cell;
}

TCell* CellAt(const TRow& row, int n) {
  if (n < 1 || static_cast<std::size_t>(n) > row.cells.size()) return nullptr;
  return row.cells[static_cast<std::size_t>(n - 1)].get();
}

TRow* RowAt(const TDataSect& data, int i) {
  if (i < 0 || static_cast<std::size_t>(i) >= data.rows.size()) return nullptr;
  return data.rows[static_cast<std::size_t>(i)].get();
}

TRow* FirstRow(const TDataSect& data) { return RowAt(data, 0); }

TCell* GetCell(const TDataSect& data, int col, int row) {
  if (TRow* r = RowAt(data, row)) return CellAt(*r, col);
  TRow* first = FirstRow(data);
  if (!first) return nullptr;
  for (const auto& cell : first->cells)
    if (cell->Col == col && cell->Row == row) return cell.get();
  return nullptr;
}

TCell* CellByNumber(const TDataSect& data, int n) {
  TRow* first = FirstRow(data);
  if (!first) return nullptr;
  return CellAt(*first, n - 1);
}

namespace {

std::unique_ptr<TRow> NewRow(int colCount, TTable* table, bool visible, const TRow* likeRow) {
  auto row = std::make_unique<TRow>();
  row->cells.reserve(static_cast<std::size_t>(std::max(colCount, 0)));
  for (int c = 1; c <= colCount; ++c) {
    TCell* cell = AddCell(*row, table, visible);
    if (likeRow) {
      if (const TCell* model = CellAt(*likeRow, c)) {
        cell->label.left = model->label.left;
        cell->label.width = model->label.width;
      }
    }
  }
  return row;
}

}  // namespace

TRow* AppendRow(TDataSect& data, int colCount, TTable* table, bool visible) {
  const TRow* like = data.rows.size() >= 2 ? data.rows.back().get() : nullptr;
  data.rows.push_back(NewRow(colCount, table, visible, like));
  return data.rows.back().get();
}

TRow* InsertRow(TDataSect& data, int colCount, int index, bool visible, TTable* table) {
  if (index < 0) index = 0;
  if (static_cast<std::size_t>(index) > data.rows.size()) index = static_cast<int>(data.rows.size());
  const TRow* like = index >= 2 ? RowAt(data, index - 1) : nullptr;
  auto row = NewRow(colCount, table, visible, like);
  TRow* result = row.get();
  data.rows.insert(data.rows.begin() + index, std::move(row));
  return result;
}

void SetColumnLeft(TDataSect& data, int col, int left) {
  for (const auto& row : data.rows)
    if (TCell* cell = CellAt(*row, col)) cell->label.left = left;
}

void SetColumnWidth(TDataSect& data, int col, int width) {
  for (const auto& row : data.rows)
    if (TCell* cell = CellAt(*row, col)) cell->SetWidth(width);
}

void LayoutSection(TNoDataSect& section, int minLeft) {
  if (section.cells.empty()) return;
  std::int32_t topOffset = section.cells.front()->label.top;
  std::int32_t bottom = topOffset + section.cells.front()->label.height;
  std::int32_t bound = 1000000;
  section.leftmost = nullptr;
  for (const auto& cell : section.cells) {
    topOffset = std::min(topOffset, cell->label.top);
    bottom = std::max(bottom, cell->label.top + cell->label.height);
    if (cell->label.left < bound) {
      bound = cell->label.left;
      section.leftmost = cell.get();
    }
  }
  section.topOffset = topOffset;
  section.height = bottom - topOffset;
  for (const auto& cell : section.cells) {
    cell->label.top -= topOffset;
    cell->label.left -= minLeft;
  }
  section.panelHeight = section.height;
}

void ShiftSection(TNoDataSect& section, int dx) {
  for (const auto& cell : section.cells) cell->label.left += dx;
}

}  // namespace rpt
