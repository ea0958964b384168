#include "core/tables/table_file_cells.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "core/foundation/text_case.h"
#include "core/tables/ini_snapshot.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace rpt {

namespace {

std::string KeyText(std::string_view text) { return UpperCase(tables::TrimText(text)); }

bool IsKeyType(int type) { return type == cell_type::kText || type == cell_type::kListValue; }


// The section of the table that holds `cell` outside the data rows, and
// the cell's place in it.
struct SectionPlace {
  char section = 'D';
  std::size_t index = 0;
};

std::optional<SectionPlace> PlaceOutsideData(const TTable& table, const TCell& cell) {
  const std::pair<char, const TNoDataSect*> sections[] = {
      {'H', &table.header}, {'T', &table.top}, {'B', &table.footer}};
  for (const auto& [name, section] : sections)
    for (std::size_t i = 0; i < section->cells.size(); ++i)
      if (section->cells[i].get() == &cell) return SectionPlace{name, i};
  return std::nullopt;
}

}  // namespace

RecordKey RecordKeyOf(const TTable& table, int row) {
  RecordKey key;
  if (const TRow* r = RowAt(table.data, row))
    for (const auto& c : r->cells)
      if (IsKeyType(c->type)) key.entries.push_back({c->type, KeyText(c->label.caption), c->BList, c->BVal});
  return key;
}

TableFileCells TableFileCells::Read(const std::string& path) {
  return TableFileCells(tables::IniSnapshot::FromFile(path));
}

TableFileCells::TableFileCells(const tables::IniSnapshot& ini) {
  const std::int64_t count = ini.Get("Table").ReadInteger("Count", 0);
  tables::IniSnapshot::Section sec;
  for (std::int64_t n = 2; n <= count + 1; ++n) {
    ini.Select("Cell_" + std::to_string(n), sec);
    if (!sec.exists()) continue;
    FileCell c;
    c.number = static_cast<int>(n);
    const std::string state = sec.ReadString("State", "D");
    c.section = state.empty() ? 'D' : state.front();
    c.row = sec.ReadInteger("Row", 0);
    c.col = sec.ReadInteger("Col", 0);
    c.type = sec.ReadInteger("Type", 0);
    c.bObj = sec.ReadInteger("BObj", -1);
    c.bList = sec.ReadInteger("BList", -1);
    c.bVal = sec.ReadInteger("BVal", -1);
    c.value = tables::DecodeMultiLine(sec.ReadString("Cap", ""));
    if (IsKeyType(c.type)) c.key = KeyText(c.value);
    const std::size_t at = cells_.size();
    if (IsKeyType(c.type)) {
      auto& rows = rowsByKey_[c.key];
      if (rows.empty() || rows.back() != c.row) rows.push_back(c.row);
    }
    cellsByRow_[c.row].push_back(at);
    cellsBySection_[c.section].push_back(at);
    cells_.push_back(std::move(c));
  }
}

const FileCell* TableFileCells::Numbered(int n) const {
  // Cells are numbered from 2 without gaps unless the file lacks a section.
  const auto at = static_cast<std::size_t>(n - 2);
  if (n >= 2 && at < cells_.size() && cells_[at].number == n) return &cells_[at];
  const auto it = std::lower_bound(cells_.begin(), cells_.end(), n,
                                   [](const FileCell& c, int number) { return c.number < number; });
  return it != cells_.end() && it->number == n ? &*it : nullptr;
}

int TableFileCells::Find(const TTable& table, const TCell& cell) const {
  if (table.growing) {
    if (const auto place = PlaceOutsideData(table, cell)) {
      const auto it = cellsBySection_.find(place->section);
      if (it == cellsBySection_.end() || place->index >= it->second.size()) return 0;
      const FileCell& c = cells_[it->second[place->index]];
      return c.type == cell.type && c.col == cell.Col ? c.number : 0;
    }
    return FindInRecords(RecordsOf(RecordKeyOf(table, cell.Row)), cell);
  }
  const int own = FileNumberOf(table, cell);
  if (own <= 1) return 0;
  if (const FileCell* c = Numbered(own); c && c->bObj == cell.BObj) return own;
  // Only an export code identifies a cell elsewhere in the file: "BObj" -1
  // is shared by every cell without one, and a save would write into any.
  if (cell.BObj < 0) return 0;
  for (const auto& c : cells_)
    if (c.bObj == cell.BObj) return c.number;
  return 0;
}

TableFileCells::Records TableFileCells::RecordsOf(const RecordKey& key) const {
  Records records;
  if (key.entries.empty()) {
    records.all = true;
    return records;
  }
  const auto isKeyRow = [&](int row) {
    const auto cellsOfRow = cellsByRow_.find(row);
    if (cellsOfRow == cellsByRow_.end()) return false;
    for (const auto& entry : key.entries) {
      bool matched = false;
      for (const std::size_t at : cellsOfRow->second) {
        const FileCell& c = cells_[at];
        if (!IsKeyType(c.type) || c.key != entry.key) continue;
        if (entry.type == cell_type::kListValue && (c.bList != entry.bList || c.bVal != entry.bVal)) continue;
        matched = true;
        break;
      }
      if (!matched) return false;
    }
    return true;
  };
  // Only rows holding every key text can match: look through those of the
  // rarest one.
  const std::vector<int>* candidates = nullptr;
  for (const auto& entry : key.entries) {
    const auto it = rowsByKey_.find(entry.key);
    if (it == rowsByKey_.end()) return records;
    if (!candidates || it->second.size() < candidates->size()) candidates = &it->second;
  }
  for (const int row : *candidates)
    if (isKeyRow(row)) records.rows.push_back(row);
  return records;
}

int TableFileCells::FindInRecords(const Records& records, const TCell& cell) const {
  // A cell without an export code is known by its column as well: "BObj"
  // -1 alone would match the record's name cell.
  const auto sameCell = [&](const FileCell& c) {
    return c.bObj == cell.BObj && (cell.BObj >= 0 || c.col == cell.Col);
  };
  if (records.all) {
    for (const auto& c : cells_)
      if (sameCell(c)) return c.number;
    return 0;
  }
  int found = 0;
  for (const int row : records.rows)
    for (const std::size_t at : cellsByRow_.at(row)) {
      const FileCell& c = cells_[at];
      if (sameCell(c) && (found == 0 || c.number < found)) found = c.number;
    }
  return found;
}

int FileNumberOf(const TTable& table, const TCell& cell) {
  if (cell.number > 0 || !table.grid) return cell.number;
  int n = 2;
  const auto visit = [&](const std::vector<std::unique_ptr<TCell>>& cells) -> bool {
    for (const auto& c : cells) {
      if (c.get() == &cell) return true;
      ++n;
    }
    return false;
  };
  if (visit(table.header.cells) || visit(table.top.cells)) return n;
  for (int r = 1; r <= table.RowCount; ++r)
    if (const TRow* row = RowAt(table.data, r); row && visit(row->cells)) return n;
  return visit(table.footer.cells) ? n : 0;
}

}  // namespace rpt
