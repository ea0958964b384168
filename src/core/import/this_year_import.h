// Import from another report of this year: the user ticks items of the
// other report (sections 2 and 4 to 100), and each ticked table or document
// replaces the open report's item of the same title.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/import/last_year_import.h"

namespace rpt {

class TReportState;
struct StructureModel;

// The titles a source report offers, in section and item order.
std::vector<std::string> OfferedTitles(const StructureModel& source);

class TThisYearImport {
 public:
  explicit TThisYearImport(TReportState& state) : state_(state) {}

  // "Этот год ...": the question, the file dialog until a usable report is
  // chosen or the dialog is cancelled, the choosing dialog, the import.
  ImportOutcome Run();
  // From a report folder (or a package file in it) with the titles given;
  // the refusals are shown as messages. Nothing ran when the source was
  // refused.
  ImportOutcome Import(const std::string& source, const std::vector<std::string>& titles);

  // The choosing dialog: the offered titles in, the ticked ones out
  // (nothing: "Отменить").
  std::function<std::optional<std::vector<std::string>>(const std::vector<std::string>&)> chooseTitles;
  std::function<void(const ImportProtocol&)> showProtocol;
  std::function<void()> closeTablesFrame;

 private:
  enum class Source { Accepted, Refused };
  // Unpacks and checks the source; shows the refusal.
  Source Prepare(const std::string& folder, ImportFolder& import);
  ImportOutcome ImportSelection(const std::string& importFolder, const std::vector<std::string>& titles);
  // One title; false when it was not imported.
  bool ImportTitle(const std::string& title, const std::string& importFolder, ImportProtocol& protocol);

  TReportState& state_;
};

}  // namespace rpt
