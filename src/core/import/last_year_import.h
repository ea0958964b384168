// Import from last year's report: the tables the installation lists in
// "Options.cnf" are replaced by last year's tables (their numbers kept only
// where the entry says "+"), and the listed documents are copied over.
// Every entry that was not taken gets a protocol line saying why.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/import/import_common.h"

namespace rpt {

class TReportState;
class TTable;

struct ImportOutcome {
  bool ran = false;          // the source was accepted and the entries were worked through
  bool allImported = false;  // every selected entry was taken
  ImportProtocol protocol;
};

// Replaces `table` by the table file `source` (the table keeps its own file
// and the text of its leftmost header cell); without `keepNumbers` every
// integer and real cell is cleared. The table ends up modified.
void ReplaceTableFrom(TReportState& state, TTable& table, const std::string& source, bool keepNumbers);

class TLastYearImport {
 public:
  // Reads the importable entries of the installation.
  explicit TLastYearImport(TReportState& state);

  const std::vector<ImportEntry>& entries() const { return entries_; }
  // The choosing list's lines.
  std::vector<ImportListLine> ListLines() const;

  // "Выполнить" of the choosing dialog: asks for last year's package and
  // imports the selected entry numbers from its folder.
  ImportOutcome ChooseAndImport(const std::vector<int>& selected);
  // The import itself from a report folder or a package file in it.
  ImportOutcome Import(const std::string& source, const std::vector<int>& selected);

  // Shows the protocol when something was not imported (the desktop's
  // protocol window); by default nothing is shown.
  std::function<void(const ImportProtocol&)> showProtocol;
  // Closes the tables frame before the first table is replaced.
  std::function<void()> closeTablesFrame;

 private:
  const ImportEntry* EntryNumbered(int number) const;
  // The source becomes the report's last year for the comparison.
  void RememberLastYear(const std::string& folder);
  // One entry; false when it was not imported.
  bool ImportEntryFrom(const ImportEntry& entry, const std::string& importFolder, ImportProtocol& protocol);

  TReportState& state_;
  std::vector<ImportEntry> entries_;
};

}  // namespace rpt
