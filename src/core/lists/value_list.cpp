#include "core/lists/value_list.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/foundation/common.h"
#include "core/foundation/file_io.h"
#include "core/foundation/my_ini_file.h"

namespace rpt {

using namespace literals;

std::unique_ptr<TValueList> TValueList::Open(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
  TMyIniFile ini(path);
  auto list = std::make_unique<TValueList>();
  const std::string_view head = "Список"_w;
  list->listCode = ini.ReadInteger(head, "ListCode", -1);
  list->levels = ini.ReadInteger(head, "Уровней"_w, 0);
  list->fields = ini.ReadInteger(head, "Полей"_w, 1);
  // A damaged count must not add column codes without end: every column
  // has its code key at most, so the section's size bounds them.
  const int columns = static_cast<int>(
      std::min<std::int64_t>(list->fields, static_cast<std::int64_t>(ini.Section(head).size())));
  for (int n = 1; n <= columns; ++n)
    list->columnCodes.push_back(ini.ReadString(head, std::to_string(n) + ".LC", ""));
  const std::vector<std::string>& lines = ini.Section("0");
  list->sectionLines = static_cast<int>(lines.size());
  list->rows_.reserve(lines.size());
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    // Row keys: the text before the first "_" of a cell key K_r_c.
    if (const auto bar = key.find('_'); bar != std::string::npos)
      if (const auto k = TryStrToInt(std::string_view(key).substr(0, bar)))
        list->maxRowKey = std::max(list->maxRowKey, *k);
    list->rows_.try_emplace(std::move(key), line.substr(eq + 1));
  }
  // Only read: releasing must not write the file back.
  ini.DiscardChanges();
  return list;
}

std::unique_ptr<TValueList> TValueList::OpenNamed(const std::string& listFolder, std::string_view list) {
  const std::string name = NthWord(list, 1);
  if (name.empty()) return nullptr;
  const auto path = FindEntryNoCase(listFolder, Cp1251ToUtf8(name));
  return path ? Open(*path) : nullptr;
}

int TValueList::RowCount() const {
  if (fields <= 0) return 0;
  // In 64 bits: a damaged field count near the largest integer must not
  // wrap round into a small divisor (found by fuzzing).
  const std::int64_t rows = (std::int64_t(sectionLines) - 3) / (2 * std::int64_t(fields) + 1);
  return static_cast<int>(std::max<std::int64_t>(rows, 0));
}

std::optional<std::string_view> TValueList::Value(std::string_view key) const {
  const auto it = rows_.find(std::string(key));
  if (it == rows_.end() || it->second.empty()) return std::nullopt;
  return it->second;
}

}  // namespace rpt
