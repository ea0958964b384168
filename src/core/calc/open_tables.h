// The open tables of the report: every table window registers its table
// here while it exists, and formulas, the report-wide recalculation and
// later the checks find tables through it, by name or by file. The
// registry does not own the tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/foundation/text_case.h"

namespace rpt {

class TTable;

class TOpenTables {
 public:
  // The working folder (UTF-8, ends with "/") that the tables of the open
  // report are loaded from; empty: any folder. FindByFileName only matches
  // tables in it.
  void SetWorkingFolder(std::string folder);
  const std::string& WorkingFolder() const { return workingFolder_; }

  // Registers a loaded table under the name and file of its path at this
  // moment (register again after loading it from another path). A window
  // opened only for printing is registered with `printOnly`: formulas do
  // not read it and recalculation does not take it. Registering a table
  // twice changes nothing.
  void Register(TTable& table, bool printOnly = false);
  void Unregister(TTable& table);
  void Clear();

  // The first registered table, not print-only, whose name (file name up to
  // the first ".") equals `name` without regard to letter case; null when none.
  TTable* FindByName(std::string_view name) const;
  // The first registered table, not print-only, whose path is the working
  // folder + `fileName` (Windows-1251), letter case ignored; null when none.
  TTable* FindByFileName(std::string_view fileName) const;

  // The registered tables in registration (report) order, print-only ones
  // included.
  std::vector<TTable*> Tables() const;
  // The same, print-only ones left out.
  std::vector<TTable*> ReportTables() const;
  std::size_t Count() const { return entries_.size(); }

  // Windows-1251 file name ("T1.ini") of a table's path.
  static std::string FileNameOf(const TTable& table);

  // Changes whenever a table is registered, registered again or
  // unregistered: what a formula finds by name may differ from then on.
  std::uint64_t Generation() const { return generation_; }

 private:
  struct Entry {
    TTable* table;
    std::string fileName;  // Windows-1251
    std::string folder;    // UTF-8, ends with "/"
    bool printOnly;
  };
  void Reindex();

  std::string workingFolder_;
  std::vector<Entry> entries_;
  std::uint64_t generation_ = 0;
  // Folded table name -> indices into entries_, in registration order.
  std::unordered_map<std::string, std::vector<std::size_t>> byName_;
};

}  // namespace rpt
