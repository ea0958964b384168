#include "core/calc/table_map.h"

#include <algorithm>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/text_case.h"

namespace rpt {

using namespace literals;

bool TListTables::AddReference(std::string_view fileName) {
  const bool listed = std::any_of(strings_.begin(), strings_.end(),
                                  [&](const std::string& s) { return SameText(s, fileName); });
  if (listed) return false;
  strings_.emplace_back(fileName);
  return true;
}

bool TListTables::RemoveReference(std::string_view fileName) {
  const auto from = strings_.begin() + 1;
  const auto kept = std::remove_if(from, strings_.end(), [&](const std::string& s) { return SameText(s, fileName); });
  const bool removed = kept != strings_.end();
  strings_.erase(kept, strings_.end());
  return removed;
}

std::size_t TMapTables::AddTable(std::string_view fileName) {
  const int found = IndexOf(fileName);
  if (found >= 0) return static_cast<std::size_t>(found);
  entries_.emplace_back(std::string(fileName));
  return entries_.size() - 1;
}

bool TMapTables::AddReference(std::string_view fileName, std::size_t index) {
  if (index >= entries_.size())
    throw EListError(std::string("Индекс списка вне допустимого диапазона ("_w) + std::to_string(index) + ")");
  return entries_[index].AddReference(fileName);
}

int TMapTables::IndexOf(std::string_view fileName) const {
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (SameText(entries_[i].FileName(), fileName)) return static_cast<int>(i);
  return -1;
}

void TMapTables::Remove(std::string_view fileName) {
  for (std::size_t i = 0; i < entries_.size();) {
    auto& entry = entries_[i];
    entry.RemoveReference(fileName);
    if (!entry.HasReferences() && SameText(entry.FileName(), fileName)) {
      entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));  // the next entry moves here
      continue;
    }
    ++i;
  }
}

}  // namespace rpt
