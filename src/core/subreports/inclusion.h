// Including a department's sub-report into the open report and removing it
// again: every number of the sub-report's tables is added into (or
// subtracted from) the report's own tables, and the sub-report's folder is
// listed in the report's structure file.
//
// The report on disk is only ever replaced whole: the tables change in
// memory and in the working folder, and the one save at the end packs the
// working folder into a new package that is renamed over the old one. An
// error of any kind (a damaged sub-report, a full disk, a failed save)
// reloads the package saved before the operation, and a process killed on
// the way leaves that package as it was. Working copies of the sub-reports
// live under the working folder's "Subreports/".
//
// Folders are UTF-8 paths; texts Windows-1251.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rpt {

class TReportState;

// What one combination did to one table of the report.
struct TableChangeCount {
  std::string file;   // "Файл" of the item (Windows-1251)
  std::string title;  // the item's title (Windows-1251)
  int cells = 0;      // cells whose text changed (inserted rows counted by their numbers)
  std::string subreport;  // the sub-report folder (UTF-8, ending with "/")
};

struct SubreportRunResult {
  bool done = false;
  std::vector<TableChangeCount> tables;  // tables present in the sub-report, in report order
  std::string failure;                   // why a failed run failed (Windows-1251), when known
};

// The working copy of a sub-report folder: working folder + "Subreports/" +
// the folder's last component + "/".
std::string WorkingCopyOf(const std::string& workingFolder, const std::string& subreportFolder);

// The "Подотчеты" entry written for a folder: the folder as Windows-1251,
// ending with "/".
std::string StoredSubreportFolder(const std::string& folder);

class TSubreportInclusion {
 public:
  explicit TSubreportInclusion(TReportState& state) : state_(state) {}

  // "Присоединение": saves the report, asks for the sub-report's package,
  // confirms, refuses one already included, includes it, says so and checks
  // the whole report. The included folder (UTF-8, ending with "/"), or
  // nothing.
  std::optional<std::string> IncludeSubreport();

  // "Отсоединить": `folder` without its trailing separator (as the list
  // shows it). True when the sub-report's data were removed.
  bool RemoveSubreport(const std::string& folder);

  // Several sub-reports in one run, each checked and combined as the
  // desktop commands do, without their questions and information boxes,
  // and one save at the end. Every refusal is shown and nothing changes;
  // any error restores the report as it was saved before. `subtract`:
  // removal of listed sub-reports. `check`: the whole-report check at the end.
  SubreportRunResult IncludeMany(const std::vector<std::string>& folders, bool check);
  SubreportRunResult RemoveMany(const std::vector<std::string>& folders, bool check);

  // The last run's per-table counts (desktop commands included).
  const SubreportRunResult& lastRun() const { return last_; }

 private:
  enum class Verdict { Ok, Refused };
  // Steps before anything changes: the working copy unpacked and the
  // sub-report's structure file checked. Shows the refusal.
  Verdict PrepareInclusion(const std::string& folder, bool& copyCreated);
  Verdict PrepareRemoval(const std::string& folder);
  // True (and the message shown) when the report lists the folder already.
  bool AlreadyIncluded(const std::string& folder);
  // The combination of one sub-report's tables with the report's, and the
  // list entry. Raises on any error.
  void Combine(const std::string& folder, bool subtract);
  // Recalculation, statuses and the save; raises when the save fails.
  void Finish();
  // Reloads the package saved before and says so.
  void Restore(bool subtract);
  void RunCheck();
  int ListIndexOf(const std::string& folder) const;

  TReportState& state_;
  SubreportRunResult last_;
};

}  // namespace rpt

namespace rpt {

// The lines of the list of included sub-reports: "k. " and the folder
// without its trailing separator, numbers below 10 led by a blank so that
// the folders line up.
std::vector<std::string> SubreportListLines(const std::vector<std::string>& storedFolders);
// The folder of such a line: its text from the second character after the
// first ".".
std::string FolderOfListLine(const std::string& line);

}  // namespace rpt
