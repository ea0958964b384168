#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rpt {
class TReportState;
}

namespace rpt::output {

// The file name of an export: the report folder's name, then the section
// (level 1) or the item's file name (level 2), then `extension` (".xlsx").
std::string ExportFileName(const TReportState& state, int level, int section, int item,
                           std::string_view extension);

// How one kind of export remembers its folder and asks for its file; the
// texts are Windows-1251.
struct ExportTargetKind {
  std::string (*readFolder)(const std::string& programFolder);
  std::string (*writeFolder)(const std::string& programFolder, const std::string& folder);
  std::string_view folderCaption;
  std::string_view saveCaption;
  std::string_view saveFilter;
};

// The path to write `fileName` to: in the remembered folder (asked for when
// none is remembered or it is gone), after "Заменить его?" when the file
// exists, or elsewhere when the user says no. Empty when the user cancels.
std::optional<std::string> ChooseExportTarget(TReportState& state, const ExportTargetKind& kind,
                                              const std::string& fileName);

}  // namespace rpt::output
