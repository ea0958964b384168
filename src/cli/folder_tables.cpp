#include "cli/folder_tables.h"

#include <stdexcept>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"

namespace rpt::cli {

using namespace literals;

StructureModel ReadFolderStructure(const std::string& folder) {
  const auto structurePath = FindStructureFile(folder);
  if (!structurePath) throw std::runtime_error("no structure file (*.str) in " + folder);
  auto model = ReadStructure(*structurePath);
  if (!model) throw std::runtime_error("cannot read " + *structurePath);
  CheckStructureFiles(*model, *structurePath);
  return std::move(*model);
}

FolderTables LoadFolderTables(const std::string& folder, const StructureModel& model,
                              TableContext& context, ReportEngine& engine, ReportEngineView& view) {
  FolderTables loaded;
  engine.SetLoading(true);
  for (const StructureSection& section : model.sections) {
    if (section.excluded) continue;
    for (const StructureItem& item : section.items) {
      if (item.excluded || item.kind != ItemKind::Table) continue;
      const std::string name = Cp1251ToUtf8(item.file);
      const auto path = name.empty() ? std::nullopt : FindEntryNoCase(folder, name);
      if (!path)
        throw ECoreError(std::string("Отсутствует таблица \""_w) + Utf8ToCp1251(folder + name) +
                         std::string("\".\r\nЗагрузка отчета прекращена."_w));
      auto table = std::make_unique<TTable>(context);
      table->LoadFromFile(*path);
      view.tables.push_back({table.get(), item.title});
      loaded.fileNames.push_back(item.file);
      loaded.tables.push_back(std::move(table));
      engine.Attach(view);
    }
  }
  return loaded;
}

}  // namespace rpt::cli
