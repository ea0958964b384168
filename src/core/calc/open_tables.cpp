#include "core/calc/open_tables.h"

#include <algorithm>
#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/tables/table.h"

namespace rpt {

namespace {

std::string NameOfFile(std::string_view fileName) {
  return FoldCase(fileName.substr(0, fileName.find('.')));
}

// "a//b/./c" and "a/b/c/" name the same folder: compared as "a/b/c/".
std::string NormalFolder(const std::string& folder) {
  if (folder.empty()) return folder;
  return WithSeparator(std::filesystem::path(folder).lexically_normal().string());
}

}  // namespace

std::string TOpenTables::FileNameOf(const TTable& table) {
  return Utf8ToCp1251(std::filesystem::path(table.filePath).filename().string());
}

void TOpenTables::Register(TTable& table, bool printOnly) {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.table == &table; });
  const std::filesystem::path path(table.filePath);
  Entry entry{&table, FileNameOf(table), NormalFolder(path.parent_path().string()), printOnly};
  if (it != entries_.end()) *it = std::move(entry);
  else entries_.push_back(std::move(entry));
  Reindex();
}

void TOpenTables::SetWorkingFolder(std::string folder) { workingFolder_ = NormalFolder(folder); }

void TOpenTables::Unregister(TTable& table) {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.table == &table; });
  if (it == entries_.end()) return;
  entries_.erase(it);
  Reindex();
}

void TOpenTables::Clear() {
  ++generation_;
  entries_.clear();
  byName_.clear();
}

void TOpenTables::Reindex() {
  ++generation_;
  byName_.clear();
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (!entries_[i].printOnly) byName_[NameOfFile(entries_[i].fileName)].push_back(i);
}

TTable* TOpenTables::FindByName(std::string_view name) const {
  const auto it = byName_.find(FoldCase(name));
  return it == byName_.end() ? nullptr : entries_[it->second.front()].table;
}

TTable* TOpenTables::FindByFileName(std::string_view fileName) const {
  const auto it = byName_.find(NameOfFile(fileName));
  if (it == byName_.end()) return nullptr;
  for (const std::size_t i : it->second) {
    const Entry& e = entries_[i];
    if (!SameText(e.fileName, fileName)) continue;
    if (!workingFolder_.empty() && !SameText(Utf8ToCp1251(e.folder), Utf8ToCp1251(workingFolder_))) continue;
    return e.table;
  }
  return nullptr;
}

std::vector<TTable*> TOpenTables::Tables() const {
  std::vector<TTable*> out;
  out.reserve(entries_.size());
  for (const auto& e : entries_) out.push_back(e.table);
  return out;
}

std::vector<TTable*> TOpenTables::ReportTables() const {
  std::vector<TTable*> out;
  out.reserve(entries_.size());
  for (const auto& e : entries_)
    if (!e.printOnly) out.push_back(e.table);
  return out;
}

}  // namespace rpt
