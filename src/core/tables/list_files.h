// Value-list files as the table code reads them: the list code in section
// "Список" and the items for CheckListLink. Files are read once per
// operation (a save or the data lines touch many cells of few lists).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/foundation/text_case.h"
#include "core/tables/ini_snapshot.h"

namespace rpt::tables {

struct ListFile {
  std::string text;
  IniSnapshot ini;
  std::int32_t listCode;  // "Список" / "ListCode", -1 when missing
};

class ListFileCache {
 public:
  explicit ListFileCache(std::string folder) : folder_(std::move(folder)) {}
  // The list file named by a cell's list link (Windows-1251 file name,
  // looked up without regard to case); null when it cannot be read.
  const ListFile* Get(std::string_view name);

 private:
  std::string folder_;
  std::unordered_map<std::string, std::unique_ptr<ListFile>, FoldedHash, FoldedEqual> files_;
};

}  // namespace rpt::tables
