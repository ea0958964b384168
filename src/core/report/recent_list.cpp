#include "core/report/recent_list.h"

#include <algorithm>

#include "core/foundation/config_keys.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"

namespace rpt {

namespace {

// Entries compare as folders: "/a/b" and "/a/b/" are the same entry.
std::string Key(const std::string& folder) { return WithSeparator(folder); }

}  // namespace

bool HoldsReport(const std::string& folder) {
  if (folder.empty()) return false;
  return FindEntryNoCase(WithSeparator(folder), kReportPackageName).has_value();
}

void TRecentList::Set(std::vector<std::string> entries) {
  entries_.clear();
  for (auto& e : entries) {
    if (e.empty()) continue;
    std::string k = Key(e);
    if (std::find(entries_.begin(), entries_.end(), k) == entries_.end()) entries_.push_back(std::move(k));
  }
  if (entries_.size() > kMaxEntries) entries_.resize(kMaxEntries);
}

void TRecentList::Load(const std::string& programFolder) {
  Set(ReadRecentReports(programFolder));
  Purge();
}

std::string TRecentList::Save(const std::string& programFolder) const {
  return WriteRecentReports(programFolder, entries_);
}

void TRecentList::Purge() {
  std::erase_if(entries_, [](const std::string& e) { return !HoldsReport(e); });
}

void TRecentList::Remember(const std::string& folder, const std::string& templateFolder) {
  if (folder.empty()) return;
  const std::string k = Key(folder);
  const auto it = std::find(entries_.begin(), entries_.end(), k);
  if (it == entries_.end()) {
    if (k == Key(templateFolder) || !HoldsReport(k)) return;
    entries_.insert(entries_.begin(), k);
    if (entries_.size() > kMaxEntries) entries_.resize(kMaxEntries);
    return;
  }
  std::rotate(entries_.begin(), it, it + 1);
}

void TRecentList::Remove(const std::string& folder) {
  const std::string k = Key(folder);
  std::erase(entries_, k);
}

}  // namespace rpt
