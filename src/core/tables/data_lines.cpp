// The data lines of a table: the compact text of its exported values that
// the sending collects into one file.
#include <algorithm>
#include <string>
#include <vector>

#include "core/tables/list_files.h"
#include "core/foundation/common.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace rpt {

namespace {

enum class Range { None, ListItem, Number, Text };

Range RangeOf(std::int32_t code) {
  if (code >= 101000001 && code <= 101999999) return Range::ListItem;
  if (code > 103000000 && code < 104000000) return Range::Number;
  if (code > 105000000 && code < 106000000) return Range::Text;
  return Range::None;
}

// Removes the first occurrence of `c` and the character after it.
void DropFirst(std::string& text, char c) {
  const auto pos = text.find(c);
  if (pos != std::string::npos) text.erase(pos, 2);
}

class Block {
 public:
  explicit Block(TTable& table) : t_(table) { lines_.push_back("t:" + table.tableName); }

  void Record(const std::vector<TCell*>& cells, bool listMode);
  std::vector<std::string>& lines() { return lines_; }

 private:
  std::string ListLine(TCell& cell, std::string_view name) {
    std::string line = "l:";
    line += name;
    line += '/';
    line += std::to_string(t_.EnsureListCode(cell));
    return line;
  }
  bool HasListLine(std::string_view name) const {
    for (std::size_t i = 1; i < listPos_; ++i) {
      const std::string& l = lines_[i];
      if (l.size() > name.size() + 2 && l.compare(2, name.size(), name) == 0 && l[2 + name.size()] == '/')
        return true;
    }
    return false;
  }
  int IndexOf(const std::string& line) const {
    const auto it = std::find(lines_.begin(), lines_.end(), line);
    return it == lines_.end() ? -1 : static_cast<int>(it - lines_.begin());
  }

  TTable& t_;
  std::vector<std::string> lines_;
  std::size_t listPos_ = 1;
  bool keyAdded_ = false;
};

void Block::Record(const std::vector<TCell*>& cells, bool listMode) {
  std::string key = "f:";
  std::string value = "v:";
  for (TCell* cell : cells) {
    if (cell->BObj <= 0 || cell->type == cell_type::kCaption) continue;
    // A code outside the three ranges has no value form; listing it in the
    // key line alone would shift every later value against its code.
    const Range range = RangeOf(cell->BObj);
    if (range == Range::None) continue;
    const std::string listName = NthWord(cell->List, 1);
    const bool withList = listMode && !listName.empty();
    if (withList && !HasListLine(listName)) {
      lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(listPos_), ListLine(*cell, listName));
      ++listPos_;
    }
    key += ", ";
    key += std::to_string(cell->BObj);

    std::string v;
    for (const char c : cell->GetValue()) {
      if (c == '\'') v += '"';
      else v += c;
    }
    for (std::size_t p; (p = v.find("\r\n")) != std::string::npos;) v.erase(p, 2);

    switch (range) {
      case Range::ListItem:
        value += "\\ '";
        value += v;
        value += '\'';
        if (withList) {
          value += '#';
          value += std::to_string(IndexOf(ListLine(*cell, listName)));
        }
        break;
      case Range::Number:
        std::replace(v.begin(), v.end(), ',', '.');
        value += "\\ ";
        value += v.empty() ? "0" : v;
        break;
      case Range::Text:
        value += "\\ '";
        value += v;
        value += '\'';
        break;
      case Range::None:
        break;
    }
  }
  if (listMode) {
    if (!keyAdded_ && key != "f:") {
      DropFirst(key, ',');
      lines_.push_back(std::move(key));
      keyAdded_ = true;
    }
    if (value != "v:") {
      DropFirst(value, '\\');
      lines_.push_back(std::move(value));
    }
  } else {
    DropFirst(key, ',');
    DropFirst(value, '\\');
    lines_.push_back(std::move(key));
    lines_.push_back(std::move(value));
  }
}

}  // namespace

void TTable::WriteDataLines(std::string& out) {
  tables::ListFileCache cache(context_->listFolder);
  listCache_ = &cache;
  Block block(*this);
  std::vector<TCell*> cells;
  auto collect = [&cells](TRow& row) {
    for (auto& c : row.cells) cells.push_back(c.get());
  };
  if (!grid) {
    if (TRow* row = FirstRow(data)) collect(*row);
    block.Record(cells, true);
  } else if (growing) {
    for (int r = 1; r <= RowCount; ++r) {
      TRow* row = RowAt(data, r);
      if (!row || IsRowEmpty(r)) continue;
      const bool exported = std::any_of(row->cells.begin(), row->cells.end(), [](const auto& c) {
        return (c->type == cell_type::kText || c->type == cell_type::kListValue) && c->BObj > 0 &&
               !c->GetValue().empty();
      });
      if (!exported) continue;
      cells.clear();
      collect(*row);
      block.Record(cells, true);
    }
  } else {
    for (int r = 1; r <= RowCount; ++r)
      if (TRow* row = RowAt(data, r)) collect(*row);
    block.Record(cells, false);
  }
  listCache_ = nullptr;
  for (const std::string& line : block.lines()) {
    out += line;
    out += "\r\n";
  }
  SetModified(false);
}

}  // namespace rpt
