#include "core/output/export_target.h"

#include <sys/stat.h>

#include <cstdlib>

#include "core/foundation/codec.h"
#include "core/foundation/interaction.h"
#include "core/report/report_state.h"

namespace rpt::output {

using namespace literals;

std::string ExportFileName(const TReportState& state, int level, int section, int item,
                           std::string_view extension) {
  std::string folder = state.currentFolder;
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  std::string name = folder.substr(folder.rfind('/') + 1);
  if (name.empty()) name = "Report";
  if (level == 1) {
    name += " - раздел " + std::to_string(section + 1);
  } else if (level == 2 && state.structure && section >= 0 &&
             section < static_cast<int>(state.structure->sections.size())) {
    const auto& items = state.structure->sections[section].items;
    if (item >= 0 && item < static_cast<int>(items.size()))
      name += " - " + Cp1251ToUtf8(items[item].file.substr(0, items[item].file.find('.')));
  }
  return name + std::string(extension);
}

std::optional<std::string> ChooseExportTarget(TReportState& state, const ExportTargetKind& kind,
                                              const std::string& fileName) {
  Interaction& ui = state.ui();
  const std::string program = state.folders().program;
  std::string folder = kind.readFolder(program);
  struct stat st {};
  if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    const char* home = std::getenv("HOME");
    auto chosen = ui.ChooseFolder(kind.folderCaption, home ? home : "/");
    if (!chosen) return std::nullopt;
    folder = *chosen;
    if (folder.empty() || folder.back() != '/') folder += '/';
    // A folder that cannot be remembered is asked for again next time.
    (void)kind.writeFolder(program, folder);
  }
  const std::string path = folder + fileName;
  if (::stat(path.c_str(), &st) != 0) return path;
  if (ui.ShowMessage(
          MessageKind::Confirmation,
          std::string("Файл \""_w) + Utf8ToCp1251(fileName) + std::string("\" уже существует. Заменить его?"_w),
          kYes | kNo, kNo) == kYes)
    return path;
  return ui.ChooseSaveFile(kind.saveCaption, kind.saveFilter, path);
}

}  // namespace rpt::output
