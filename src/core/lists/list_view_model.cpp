#include "core/lists/list_view_model.h"

#include <algorithm>
#include <filesystem>
#include <unordered_map>

#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/foundation/common.h"
#include "core/foundation/file_io.h"
#include "core/foundation/my_ini_file.h"
#include "core/foundation/text_case.h"
#include "core/tables/table.h"

namespace rpt {

using namespace literals;

namespace {

using KeyMap = std::unordered_map<std::string, std::string, FoldedHash, FoldedEqual>;

// The keys of a section as a map (the first of equal keys wins, as in a
// settings file). `lines` holds the header first.
KeyMap MapOf(const std::vector<std::string>& lines) {
  KeyMap map;
  map.reserve(lines.size());
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    map.try_emplace(line.substr(0, eq), line.substr(eq + 1));
  }
  return map;
}

std::string ValueOr(const KeyMap& map, const std::string& key, std::string_view def) {
  const auto it = map.find(key);
  // A settings file reads an empty value as the default.
  return it == map.end() || it->second.empty() ? std::string(def) : it->second;
}

std::int32_t CodeOf(const KeyMap& map, const std::string& key) {
  const auto it = map.find(key);
  return it == map.end() ? -1 : TryStrToInt(it->second).value_or(-1);
}

std::string_view ValueOfLine(std::string_view line) {
  const auto eq = line.find('=');
  return eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
}

struct GroupReader {
  std::vector<KeyMap> levels;  // section L at index L - 1
  std::vector<std::size_t> sizes;

  // Children of parent key `parent` on `level`. The count is bounded by the
  // section's size: a group needs a line, and a count of two thousand
  // million in a damaged file must not run that many lookups.
  std::vector<ListGroup> Read(int level, int parent, int count) const {
    std::vector<ListGroup> out;
    if (level < 1 || level > static_cast<int>(levels.size())) return out;
    const KeyMap& map = levels[static_cast<std::size_t>(level - 1)];
    const int bound = std::min<long long>(count, static_cast<long long>(sizes[static_cast<std::size_t>(level - 1)]));
    for (int i = 1; i <= bound; ++i) {
      const auto it = map.find(std::to_string(parent) + "_" + std::to_string(i));
      if (it == map.end()) continue;
      const std::string& value = it->second;
      const auto p1 = value.find('%');
      const auto p2 = p1 == std::string::npos ? std::string::npos : value.find('%', p1 + 1);
      // A value without both "%" parts reads as count 0: not shown.
      if (p2 == std::string::npos) continue;
      ListGroup g;
      g.caption = value.substr(0, p1);
      g.key = TryStrToInt(std::string_view(value).substr(p1 + 1, p2 - p1 - 1)).value_or(0);
      g.count = TryStrToInt(std::string_view(value).substr(p2 + 1)).value_or(0);
      g.level = level;
      if (g.count < 1) continue;
      if (level < static_cast<int>(levels.size())) g.children = Read(level + 1, g.key, g.count);
      out.push_back(std::move(g));
    }
    return out;
  }
};

const ListGroup* FindIn(const std::vector<ListGroup>& groups, int rowKey, int levels) {
  for (const ListGroup& g : groups) {
    if (g.level == levels && g.key == rowKey) return &g;
    if (const ListGroup* found = FindIn(g.children, rowKey, levels)) return found;
  }
  return nullptr;
}

}  // namespace

std::unique_ptr<TListFile> TListFile::Load(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
  std::unique_ptr<TListFile> list(new TListFile);
  list->path_ = path;
  list->ini_ = std::make_unique<TMyIniFile>(path);
  TMyIniFile& ini = *list->ini_;
  const std::string_view head = "Список"_w;
  list->listCode = ini.ReadInteger(head, "ListCode", 0);
  list->levels = std::max(0, ini.ReadInteger(head, "Уровней"_w, 0));
  list->level1Count = ini.ReadInteger(head, "КолНаУровне1"_w, 0);
  list->treeWidth = ini.ReadInteger(head, "ШиринаДерева"_w, 200);
  list->width = ini.ReadInteger(head, "Ширина"_w, 300);
  list->height = ini.ReadInteger(head, "Высота"_w, 300);
  list->searchColumn = ini.ReadInteger(head, "Поиск"_w, 0);
  const int fields = std::max(0, ini.ReadInteger(head, "Полей"_w, 1));
  const KeyMap listKeys = MapOf(ini.Section(head));
  const KeyMap titles = MapOf(ini.Section("Заголовок"_w));
  list->caption = ValueOr(titles, std::string("Список"_w), "Список значений"_w);
  // A damaged count must not allocate columns without end: every column
  // has its width key at most, so the section's size bounds them.
  const int columns = std::min<int>(fields, std::max<int>(1, static_cast<int>(listKeys.size())));
  for (int n = 1; n <= columns; ++n) {
    ListColumn c;
    c.width = TryStrToInt(ValueOr(listKeys, std::string("Ширина_"_w) + std::to_string(n), "0")).value_or(0);
    c.heading = ValueOr(titles, std::string("Поле_"_w) + std::to_string(n), std::string("Поле "_w) + std::to_string(n));
    c.code = ValueOr(listKeys, std::to_string(n) + ".LC", "");
    list->columns.push_back(std::move(c));
  }
  if (list->levels > 0) {
    GroupReader reader;
    for (int l = 1; l <= list->levels; ++l) {
      const std::vector<std::string>& lines = ini.Section(std::to_string(l));
      // A missing or empty level section holds its header line at most: no
      // deeper level can be reached, whatever the level count says.
      if (lines.size() <= 1) break;
      reader.levels.push_back(MapOf(lines));
      reader.sizes.push_back(lines.size());
    }
    list->groups = reader.Read(1, 0, list->level1Count);
  }
  list->lines_ = ini.Section("0");
  // Only the layout is ever written back, and only once stored.
  ini.DiscardChanges();
  return list;
}

// Owners that must learn of a failed write call Release first.
TListFile::~TListFile() { (void)Release(); }

std::vector<ListRow> TListFile::Rows(int rowKey, int count) const {
  std::vector<ListRow> rows;
  // Each row has at least one line in section "0".
  const int bound = std::min<long long>(count, static_cast<long long>(lines_.size()));
  if (bound <= 0) return rows;
  const KeyMap map = MapOf(lines_);
  const std::string k = std::to_string(rowKey) + "_";
  for (int r = 1; r <= bound; ++r) {
    ListRow row;
    const std::string kr = k + std::to_string(r);
    for (std::size_t c = 1; c <= columns.size(); ++c) {
      const std::string key = kr + "_" + std::to_string(c);
      const auto it = map.find(key);
      row.texts.push_back(it == map.end() ? std::string() : it->second);
      row.cellCodes.push_back(CodeOf(map, key + ".BV"));
    }
    row.rowCode = CodeOf(map, kr + ".BL");
    rows.push_back(std::move(row));
  }
  return rows;
}

const ListGroup* TListFile::FindGroup(int rowKey) const { return FindIn(groups, rowKey, levels); }

std::optional<ListPosition> TListFile::Locate(std::int32_t code, std::string_view text) const {
  const std::string wanted = std::to_string(code);
  for (std::size_t i = 1; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string_view key = std::string_view(line).substr(0, eq);
    if (key.find(".BV") == std::string_view::npos) continue;
    if (code != -1 && std::string_view(line).substr(eq + 1) != wanted) continue;
    if (lines_[i - 1].find(text) == std::string::npos) continue;
    // K_r_c.BV: the row key and the column.
    ListPosition p;
    const auto bar1 = key.find('_');
    p.rowKey = TryStrToInt(key.substr(0, bar1)).value_or(0);
    const auto bar2 = bar1 == std::string_view::npos ? bar1 : key.find('_', bar1 + 1);
    if (bar2 != std::string_view::npos) {
      const auto dot = key.find('.', bar2 + 1);
      p.column = TryStrToInt(key.substr(bar2 + 1, dot - bar2 - 1)).value_or(1);
    }
    p.text = std::string(text);
    return p;
  }
  return std::nullopt;
}

int TListFile::SearchStart(std::optional<std::int32_t> selectedRowCode) const {
  if (!selectedRowCode) return 0;
  const std::string needle = ".BL=" + std::to_string(*selectedRowCode);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    const auto at = line.find(needle);
    // The whole value: the row code 12 is not the start of 123.
    if (at != std::string::npos && at + needle.size() == line.size()) return static_cast<int>(i);
  }
  return 0;
}

std::optional<ListSearchHit> TListFile::Search(std::string_view text, int startLine) const {
  const int n = static_cast<int>(lines_.size());
  if (n == 0 || text.empty()) return std::nullopt;
  // Widened: the column comes from the file and may be the largest integer.
  const std::string column = "_" + std::to_string(std::int64_t(searchColumn) + 1) + "=";
  const std::string wanted = UpperCase(text);
  const int start = startLine < 0 || startLine >= n ? 0 : startLine;
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    const std::string& line = lines_[static_cast<std::size_t>(i)];
    if (line.find(column) == std::string::npos) continue;
    const std::string_view value = ValueOfLine(line);
    if (UpperCase(value.substr(0, 300)).find(wanted) == std::string::npos) continue;
    ListSearchHit hit;
    hit.line = i;
    hit.text = std::string(value);
    if (i + 1 < n) hit.code = TryStrToInt(ValueOfLine(lines_[static_cast<std::size_t>(i + 1)])).value_or(-1);
    return hit;
  }
  return std::nullopt;
}

void TListFile::StoreLayout(const ListLayout& layout) {
  if (!ini_) return;
  const std::string_view head = "Список"_w;
  ini_->WriteInteger(head, "Ширина"_w, layout.width);
  ini_->WriteInteger(head, "ШиринаДерева"_w, layout.treeWidth);
  ini_->WriteInteger(head, "Высота"_w, layout.height);
  ini_->WriteInteger(head, "Поиск"_w, layout.searchColumn);
  for (std::size_t n = 0; n < layout.columnWidths.size(); ++n) {
    const int w = layout.columnWidths[n];
    ini_->WriteInteger(head, std::string("Ширина_"_w) + std::to_string(n + 1), w <= 4 ? 40 : w);
  }
  width = layout.width;
  treeWidth = layout.treeWidth;
  height = layout.height;
  searchColumn = layout.searchColumn;
  for (std::size_t n = 0; n < layout.columnWidths.size() && n < columns.size(); ++n)
    columns[n].width = layout.columnWidths[n] <= 4 ? 40 : layout.columnWidths[n];
}

std::string TListFile::Release() { return ini_ ? ini_->Release() : std::string(); }

std::string ListNameOf(const TCell& cell) { return NthWord(cell.List, 1); }

std::string ListPathOf(const std::string& listFolder, const TCell& cell) {
  const std::string name = ListNameOf(cell);
  if (name.empty()) return {};
  return FindEntryNoCase(listFolder, Cp1251ToUtf8(name)).value_or(std::string());
}

std::vector<TCell*> ApplyListRow(TTable& table, const TCell& opening, const TListFile& list,
                                 const ListRow& chosen, const std::function<void(TCell&)>& afterCell) {
  std::vector<TCell*> filled;
  const std::string name = ListNameOf(opening);
  if (name.empty() || chosen.texts.empty()) return filled;
  std::vector<TCell*> candidates;
  if (table.grid) {
    for (int c = 1; c <= table.ColCount; ++c)
      if (TCell* cell = GetCell(table.data, c, opening.Row)) candidates.push_back(cell);
  } else {
    for (const auto& row : table.data.rows)
      for (const auto& cell : row->cells) candidates.push_back(cell.get());
  }
  for (TCell* cell : candidates) {
    if (cell->type != cell_type::kListValue && cell->type != cell_type::kText) continue;
    if (!SameText(ListNameOf(*cell), name)) continue;
    std::size_t source = 0;
    if (cell->type == cell_type::kListValue) {
      const std::string code = std::to_string(cell->BObj);
      while (source < list.columns.size() && list.columns[source].code != code) ++source;
      if (source >= list.columns.size() || source >= chosen.texts.size()) continue;
      // The codes first, so that the recalculation the new value starts sees them.
      const bool codesChanged = cell->BVal != chosen.cellCodes[source] || cell->BList != chosen.rowCode ||
                                cell->ListCode != list.listCode;
      cell->BVal = chosen.cellCodes[source];
      cell->BList = chosen.rowCode;
      cell->ListCode = list.listCode;
      if (codesChanged && cell->label.caption == chosen.texts[source] && !table.hooks().Loading())
        table.SetModified(true);
    }
    cell->SetValue(chosen.texts[source]);
    filled.push_back(cell);
    if (afterCell) afterCell(*cell);
  }
  return filled;
}

}  // namespace rpt
