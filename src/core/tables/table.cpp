#include "core/tables/table.h"

#include <algorithm>
#include <filesystem>

#include "core/foundation/codec.h"
#include "core/tables/table_text.h"

namespace rpt {

namespace {

TableHooks& NoHooks() {
  static TableHooks hooks;
  return hooks;
}

FixedTextMeasure& DefaultMeasure() {
  static FixedTextMeasure measure;
  return measure;
}

}  // namespace

const TFont& TableWindowFont() {
  // Spelled out rather than parsed: the font text's parser lives with the
  // settings file and must not be needed to build a cell.
  static const TFont font{"MS Sans Serif", 8, false, false, false, false, clWindowText};
  return font;
}

TableContext::TableContext() : hooks(&NoHooks()), measure(&DefaultMeasure()) {}

int FixedTextMeasure::WrappedTextHeight(const TFont&, std::string_view text, int width) {
  const int perLine = std::max(1, width / std::max(1, charWidth_));
  int lines = 0;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find_first_of("\r\n", start);
    const std::string_view para = text.substr(start, end == std::string_view::npos ? text.npos : end - start);
    // Greedy wrap at blanks.
    int used = 0;
    int paraLines = 1;
    std::size_t i = 0;
    while (i < para.size()) {
      std::size_t j = para.find(' ', i);
      if (j == std::string_view::npos) j = para.size();
      int word = static_cast<int>(j - i);
      const int need = used == 0 ? word : used + 1 + word;
      if (need <= perLine) {
        used = need;
      } else {
        if (used > 0) ++paraLines;
        while (word > perLine) {
          word -= perLine;
          ++paraLines;
        }
        used = word;
      }
      i = j + 1;
    }
    lines += paraLines;
    if (end == std::string_view::npos) break;
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines * lineHeight_;
}

TTable::TTable(TableContext& context) : context_(&context) {}

void TTable::SetModified(bool modified) {
  if (modified) ++changes_;
  if (modified_ == modified) return;
  modified_ = modified;
  hooks().ModifiedChanged(*this, modified);
  if (modified) hooks().ReportChanged();
}

void TTable::ClearSections() {
  header.Clear();
  top.Clear();
  data.Clear();
  footer.Clear();
}

int TTable::TextHeight(const TCell& cell) const {
  return context_->measure->WrappedTextHeight(cell.label.font, cell.label.caption, cell.label.width - 10) +
         10;
}

int TTable::RowTextHeight(int r) const {
  int best = 30;
  if (const TRow* row = RowAt(data, r))
    for (const auto& cell : row->cells) best = std::max(best, TextHeight(*cell));
  return best;
}

bool TTable::IsRowEmpty(int r) {
  TRow* row = RowAt(data, r);
  if (!row) return false;
  bool hasTextOrList = false;
  for (const auto& cell : row->cells) {
    switch (cell->type) {
      case cell_type::kText:
        hasTextOrList = true;
        if (!cell->GetValue().empty()) return false;
        break;
      case cell_type::kListValue:
        hasTextOrList = true;
        break;
      case cell_type::kInteger:
      case cell_type::kReal:
        if (tables::ParseNumber(cell->GetValue()).value_or(0) != 0) return false;
        break;
      default:
        break;
    }
  }
  return hasTextOrList;
}

void NumberCells(TTable& table) {
  int n = 2;
  auto number = [&n](TCell& cell) { cell.number = n++; };
  if (table.grid) {
    for (auto& c : table.header.cells) number(*c);
    for (auto& c : table.top.cells) number(*c);
    for (int r = 1; r <= table.RowCount; ++r)
      if (TRow* row = RowAt(table.data, r))
        for (auto& c : row->cells) number(*c);
    for (auto& c : table.footer.cells) number(*c);
  } else if (TRow* row = FirstRow(table.data)) {
    for (auto& c : row->cells) number(*c);
  }
}

namespace {

bool SameCells(const std::vector<std::unique_ptr<TCell>>& a, const std::vector<std::unique_ptr<TCell>>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!a[i]->SameContent(*b[i])) return false;
  return true;
}

bool SameSection(const TNoDataSect& a, const TNoDataSect& b) {
  const auto index = [](const TNoDataSect& s) -> std::ptrdiff_t {
    for (std::size_t i = 0; i < s.cells.size(); ++i)
      if (s.cells[i].get() == s.leftmost) return static_cast<std::ptrdiff_t>(i);
    return -1;
  };
  return SameCells(a.cells, b.cells) && a.topOffset == b.topOffset && a.height == b.height &&
         a.panelHeight == b.panelHeight && a.panelVisible == b.panelVisible && index(a) == index(b);
}

}  // namespace

bool SameModel(const TTable& a, const TTable& b) {
  if (!(a.tableName == b.tableName && a.page == b.page && a.BL0 == b.BL0 && a.BL1 == b.BL1 &&
        a.BMainNum == b.BMainNum && a.growing == b.growing && a.grid == b.grid &&
        a.MinLeft == b.MinLeft && a.MinTop == b.MinTop && a.MinTopD == b.MinTopD &&
        a.RowCount == b.RowCount && a.ColCount == b.ColCount && a.hasRules == b.hasRules &&
        a.hasFormulas == b.hasFormulas && a.hasNumbers == b.hasNumbers && a.title == b.title &&
        a.number == b.number && a.contentWidth == b.contentWidth &&
        a.contentHeight == b.contentHeight && a.dataAreaVisible == b.dataAreaVisible))
    return false;
  if (!SameSection(a.header, b.header) || !SameSection(a.top, b.top) || !SameSection(a.footer, b.footer))
    return false;
  if (a.data.rows.size() != b.data.rows.size()) return false;
  for (std::size_t r = 0; r < a.data.rows.size(); ++r)
    if (!SameCells(a.data.rows[r]->cells, b.data.rows[r]->cells)) return false;
  return true;
}

std::string TableNameOf(const std::string& path) {
  std::string name = Utf8ToCp1251(std::filesystem::path(path).filename().string());
  if (const auto dot = name.find('.'); dot != std::string::npos) name.resize(dot);
  return name;
}

}  // namespace rpt
