#include "core/output/blank_form.h"

#include <filesystem>

#include "core/foundation/codec.h"
#include "core/lists/list_insert.h"

namespace rpt::output {

std::unique_ptr<TTable> OpenBlankTable(TableContext& context, const std::string& templateFolder,
                                       const std::string& file, Interaction& ui) {
  const std::string path = templateFolder + Cp1251ToUtf8(file);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
  // The blank belongs to no report: it reaches neither the report's
  // modified state nor its table map. One blank exists at a time.
  static TableContext blankContext;
  blankContext.measure = context.measure;
  blankContext.ui = context.ui ? context.ui : &ui;
  blankContext.listFolder = context.listFolder;
  blankContext.templateFolder = context.templateFolder;
  blankContext.userFontFace = context.userFontFace;
  blankContext.userFontSize = context.userFontSize;
  blankContext.currentPage = context.currentPage;
  auto table = std::make_unique<TTable>(blankContext);
  table->hooks().SetLoading(true);
  table->LoadFromFile(path);
  if (table->growing &&
      ui.ShowMessage(MessageKind::Confirmation, Utf8ToCp1251("Раскрыть список?"), kYes | kNo, kYes) == kYes)
    ExpandAllLists(*table);
  table->hooks().SetLoading(false);
  table->SetModified(false);
  return table;
}

}  // namespace rpt::output
