// The recent-report list: up to ten report folders, most recent first,
// kept in "History.ini" ("TF_StructRep.MRUManager1" / "Item_" + index).
// Entries are UTF-8 folder paths ending with "/".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace rpt {

class TRecentList {
 public:
  static constexpr std::size_t kMaxEntries = 10;

  // Reads the list of the program folder's "History.ini" and purges it.
  void Load(const std::string& programFolder);
  // Writes the whole list (the section erased first). Empty on success,
  // else why the file could not be written.
  [[nodiscard]] std::string Save(const std::string& programFolder) const;

  // Removes every entry whose folder no longer holds "Report.rpt".
  void Purge();
  // *remember folder*: an entry already listed moves to the top; a new one
  // is inserted at the top only when it is not the template folder and
  // holds "Report.rpt". The list keeps its ten most recent entries.
  void Remember(const std::string& folder, const std::string& templateFolder);
  void Remove(const std::string& folder);

  const std::vector<std::string>& entries() const { return entries_; }
  bool empty() const { return entries_.empty(); }
  void Set(std::vector<std::string> entries);

 private:
  std::vector<std::string> entries_;
};

// True when the folder holds "Report.rpt" (letter case ignored).
bool HoldsReport(const std::string& folder);

}  // namespace rpt
