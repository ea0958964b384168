#include "core/calc/structure.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <unordered_map>

#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "core/foundation/my_ini_file.h"
#include "core/foundation/text_case.h"

namespace rpt {

using namespace literals;

namespace {

constexpr std::string_view kReport = "Отчет"_w;
constexpr std::string_view kSubreports = "Подотчеты"_w;
constexpr std::string_view kCount = "Количество"_w;
constexpr std::string_view kTitle = "Название"_w;
constexpr std::string_view kExcluded = "Удален"_w;

constexpr std::size_t kMaxStoredLength = 255;
// Counts beyond these are no hand-made structure: they only come from a
// damaged file, and taken literally they would exhaust memory.
constexpr int kMaxCount = 999;
constexpr std::size_t kMaxItems = 65535;

std::string SectionName(int n) { return std::string("Раздел_"_w) + std::to_string(n); }
std::string ItemName(int n, int m) {
  return std::string("Пункт_"_w) + std::to_string(n) + "_" + std::to_string(m);
}

std::string Kept(std::string s) {
  if (s.size() > kMaxStoredLength) s.resize(kMaxStoredLength);
  return s;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void LoadSubreports(TMyIniFile& ini, int count, const SubreportLoading& loading) {
  const std::string root = WithSeparator(loading.workingFolder) + "Subreports/";
  for (int k = 1; k <= count; ++k) {
    const std::string stored = ini.ReadString(kSubreports, std::to_string(k), "");
    const std::string name = LastFolderComponent(stored);
    if (name.empty() || name == "." || name == "..") continue;
    const std::string destination = root + Cp1251ToUtf8(name) + "/";
    if (FolderExists(destination)) (void)ClearFolder(destination, /*removeFolder=*/true);
    ForceFolders(destination);
    const auto package = FindEntryNoCase(StoredFolderToPath(stored), kReportPackageName);
    if (package && IsRegularFile(*package) && loading.unpack) loading.unpack(*package, destination);
  }
}

std::string WriteFailure(const std::string& path, const std::string& reason) {
  std::string m("Не удается записать файл \""_w);
  m += Utf8ToCp1251(path);
  m += "\": ";
  m += reason;
  return m;
}

}  // namespace

std::optional<std::string> FindStructureFile(const std::string& folder) {
  const std::string f = WithSeparator(folder);
  const auto names = ListMatching(f, kStructureMask);
  if (names.empty()) return std::nullopt;
  return f + names.front();
}

std::optional<StructureModel> ReadStructure(const std::string& path, const SubreportLoading* loading) {
  if (!IsRegularFile(path)) return std::nullopt;
  TMyIniFile ini(path);
  ini.DiscardChanges();  // reading leaves the file as it is
  StructureModel model;

  const auto& lines = ini.Section(kSubreports);
  model.subreportLines.assign(lines.begin() + (lines.empty() ? 0 : 1), lines.end());
  const int subreportCount = ini.ReadInteger(kSubreports, kCount, 0);
  model.hasSubreports = subreportCount > 0;
  model.isSubreport = ini.ReadBool(kReport, "Подотчет"_w, false);

  if (loading && model.hasSubreports) LoadSubreports(ini, std::min(subreportCount, kMaxCount), *loading);

  const std::string printStartFile = ini.ReadString(kReport, "Начало печати"_w, "");
  model.title = ini.ReadString(kReport, kTitle, kReport);

  int position = 0;  // the root
  std::size_t itemTotal = 0;
  const int sectionCount = std::min(ini.ReadInteger(kReport, "Количество_разделов"_w, 0), kMaxCount);
  for (int n = 1; n <= sectionCount; ++n) {
    const std::string sectionName = SectionName(n);
    StructureSection section;
    section.title = ini.ReadString(sectionName, kTitle,
                                   std::string("Раздел "_w) + std::to_string(n) + ".");
    section.excluded = ini.ReadBool(sectionName, kExcluded, false);
    ++position;
    const int itemCount = std::min(ini.ReadInteger(sectionName, "Количество_пунктов"_w, 0), kMaxCount);
    for (int m = 1; m <= itemCount && itemTotal < kMaxItems; ++m, ++itemTotal) {
      const std::string itemName = ItemName(n, m);
      StructureItem item;
      item.title = ini.ReadString(itemName, kTitle, std::string("Таблица "_w) + std::to_string(m) + ".");
      item.type = ini.ReadInteger(itemName, "Тип"_w, 0);
      item.kind = item.type == 0 ? ItemKind::Table : ItemKind::Document;
      item.sectionName = Kept(itemName);
      const std::string file = ini.ReadString(itemName, "Файл"_w, "");
      ++position;
      // An absent "Начало печати" names no item, not every item without a file.
      if (!printStartFile.empty() && file == printStartFile) model.printStart = position;
      item.file = Kept(file);
      item.excluded = ini.ReadBool(itemName, kExcluded, false);
      if (!item.excluded) model.activeNames.push_back(item.file.substr(0, item.file.find('.')));
      section.items.push_back(std::move(item));
    }
    model.sections.push_back(std::move(section));
  }
  return model;
}

namespace {

// "Пункт_1_2" ("Кадры")
std::string ItemWords(const StructureItem& item) {
  return "\"" + item.sectionName + "\" (\"" + item.title + "\")";
}

[[noreturn]] void RaiseDamaged(const std::string& what) {
  throw ECoreError(std::string("Структура отчета повреждена: "_w) + what);
}

// A name with a folder part, or one that names a folder, would reach a file
// outside the report's folder. Both separators count: the name may come
// from Windows.
bool IsPlainFileName(std::string_view name) {
  return name.find_first_of("/\\") == std::string_view::npos && name != "." && name != "..";
}

}  // namespace

void CheckStructureFiles(const StructureModel& model, const std::string& structurePath) {
  const std::string structureName = Utf8ToCp1251(std::filesystem::path(structurePath).filename().string());
  // The first item of each file (letter case ignored, as the file system
  // the reports come from compares names).
  std::unordered_map<std::string, const StructureItem*> owners;
  for (const auto& section : model.sections)
    for (const auto& item : section.items) {
      if (!IsPlainFileName(item.file))
        RaiseDamaged(std::string("у пункта "_w) + ItemWords(item) + std::string(" файл \""_w) + item.file +
                     std::string("\" не находится в папке отчета."_w));
      if (item.file.empty()) continue;
      const bool table = item.kind == ItemKind::Table;
      if (table && (SameText(item.file, structureName) || MatchesMask(Cp1251ToUtf8(item.file), kStructureMask)))
        RaiseDamaged(std::string("таблица пункта "_w) + ItemWords(item) +
                     std::string(" записана в файл структуры \""_w) + item.file + "\".");
      if (table && SameText(item.file, kCheckRulesFileName))
        RaiseDamaged(std::string("таблица пункта "_w) + ItemWords(item) +
                     std::string(" записана в файл правил проверки \""_w) + item.file + "\".");
      // A table's file shared with any other item would be overwritten by
      // the table's save; two documents may share one.
      const auto [it, first] = owners.try_emplace(FoldCase(item.file), &item);
      if (!first && (table || it->second->kind == ItemKind::Table))
        RaiseDamaged(std::string("пункты "_w) + ItemWords(*it->second) + std::string(" и "_w) + ItemWords(item) +
                     std::string(" записаны в один файл \""_w) + item.file + "\".");
    }
}

std::string VersionOf(const std::string& folder) {
  const auto path = FindStructureFile(folder);
  if (!path) return {};
  TMyIniFile ini(*path);
  ini.DiscardChanges();
  return ini.ReadString(kReport, "Версия"_w, "");
}

bool IsSubreport(const std::string& folder) {
  const auto path = FindStructureFile(folder);
  if (!path) return false;
  TMyIniFile ini(*path);
  ini.DiscardChanges();
  return ini.ReadBool(kReport, "Подотчет"_w, false);
}

TemplateFlags ReadTemplateFlags(const std::string& templateFolder) {
  TemplateFlags flags;
  const auto path = FindStructureFile(templateFolder);
  if (!path) return flags;
  const ProfileFile file(*path);
  flags.isSubreport = file.ReadBool(kReport, "Подотчет"_w, false);
  flags.subreportOnly = file.ReadBool(kReport, "Только_подотчет"_w, false);
  return flags;
}

bool SetExcluded(StructureModel& model, const std::string& path, const StructureNode& node,
                 bool excluded, Interaction& ui) {
  if (node.section >= model.sections.size()) return false;
  StructureSection& section = model.sections[node.section];
  if (node.item && *node.item >= section.items.size()) return false;

  std::vector<bool> before;
  for (const auto& item : section.items) before.push_back(item.excluded);
  const bool sectionBefore = section.excluded;
  auto putBack = [&] {
    for (std::size_t i = 0; i < section.items.size(); ++i) section.items[i].excluded = before[i];
    section.excluded = sectionBefore;
  };

  if (node.item) {
    auto& item = section.items[*node.item];
    item.excluded = !item.excluded;
    section.excluded = std::all_of(section.items.begin(), section.items.end(),
                                   [](const StructureItem& i) { return i.excluded; });
  } else {
    for (auto& item : section.items) item.excluded = excluded;
    section.excluded = excluded;
  }

  const bool tableLeft = std::any_of(model.sections.begin(), model.sections.end(), [](const auto& s) {
    return std::any_of(s.items.begin(), s.items.end(), [](const StructureItem& i) {
      return !i.excluded && i.kind == ItemKind::Table;
    });
  });
  if (!tableLeft) {
    putBack();
    ui.ShowMessage(MessageKind::Error,
                   "Подотчет не содержит ни одной таблицы или формы. Это недопустимо."_w, kOk);
    return false;
  }

  const int n = static_cast<int>(node.section) + 1;
  TMyIniFile ini(path);
  if (node.item) {
    const int m = static_cast<int>(*node.item) + 1;
    ini.WriteBool(ItemName(n, m), kExcluded, section.items[*node.item].excluded);
  } else {
    for (std::size_t i = 0; i < section.items.size(); ++i)
      ini.WriteBool(ItemName(n, static_cast<int>(i) + 1), kExcluded, section.items[i].excluded);
  }
  ini.WriteBool(SectionName(n), kExcluded, section.excluded);
  if (const std::string error = ini.Release(); !error.empty()) {
    putBack();
    throw EFileError(WriteFailure(path, error));
  }
  return true;
}

namespace {

std::string WriteReportKey(const std::string& path, std::string_view key, std::string_view value) {
  TMyIniFile ini(path);
  ini.WriteString(kReport, key, value);
  return ini.Release();
}

}  // namespace

std::string WriteSubreportFlag(const std::string& path, bool isSubreport) {
  return WriteReportKey(path, "Подотчет"_w, isSubreport ? "1" : "0");
}

std::string WriteSubreportFolder(const std::string& path, std::string_view folder) {
  return WriteReportKey(path, "Папка"_w, folder);
}

std::string WriteSubreportOnly(const std::string& path, bool subreportOnly) {
  return WriteReportKey(path, "Только_подотчет"_w, subreportOnly ? "1" : "0");
}

std::string WriteInstitutionCode(const std::string& path, std::string_view code) {
  return WriteReportKey(path, "Код_вуза"_w, code);
}

std::vector<std::string> ReadSubreportFolders(const std::string& path) {
  TMyIniFile ini(path);
  ini.DiscardChanges();
  std::vector<std::string> folders;
  const int count = std::min(ini.ReadInteger(kSubreports, kCount, 0), kMaxCount);
  for (int k = 1; k <= count; ++k) folders.push_back(ini.ReadString(kSubreports, std::to_string(k), ""));
  return folders;
}

std::string AddSubreportFolder(const std::string& path, std::string_view folder) {
  TMyIniFile ini(path);
  const int count = std::max(ini.ReadInteger(kSubreports, kCount, 0), 0);
  ini.WriteInteger(kSubreports, kCount, count + 1);
  ini.WriteString(kSubreports, std::to_string(count + 1), folder);
  return ini.Release();
}

std::string RemoveSubreportFolder(const std::string& path, int number) {
  TMyIniFile ini(path);
  const int count = ini.ReadInteger(kSubreports, kCount, 0);
  if (number < 1 || number > count) return {};
  if (count == 1) {
    ini.EraseSection(kSubreports);
    return ini.Release();
  }
  for (int k = number; k < count; ++k)
    ini.WriteString(kSubreports, std::to_string(k), ini.ReadString(kSubreports, std::to_string(k + 1), ""));
  try {
    ini.DeleteKey(kSubreports, std::to_string(count));
  } catch (const EListError&) {
    // A damaged list without its last entry: the count below still fixes it.
  }
  ini.WriteInteger(kSubreports, kCount, count - 1);
  return ini.Release();
}

}  // namespace rpt
