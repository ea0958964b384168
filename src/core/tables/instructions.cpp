#include "core/tables/instructions.h"

#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"
#include "core/foundation/folders.h"
#include "core/foundation/interaction.h"
#include "core/foundation/text_case.h"

namespace rpt {

using namespace literals;

namespace {

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    const bool last = end == std::string_view::npos;
    if (last) end = text.size();
    std::string_view line = text.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    begin = end + 1;
  }
  return lines;
}

}  // namespace

std::vector<std::string> InstructionLines(std::string_view fileText, std::string_view tableName) {
  const std::vector<std::string_view> lines = SplitLines(fileText);
  const std::string header = "[" + std::string(tableName) + "]";
  std::size_t i = 0;
  while (i < lines.size() && !SameText(lines[i], header)) ++i;
  std::vector<std::string> out;
  if (i == lines.size()) return out;
  for (++i; i < lines.size() && (lines[i].empty() || lines[i].front() != '['); ++i) out.emplace_back(lines[i]);
  return out;
}

std::optional<std::vector<std::string>> TableInstruction(Interaction& ui, const std::string& templateFolder,
                                                        std::string_view tableName) {
  const auto file = FindEntryNoCase(templateFolder, kInstructionsFileName);
  const auto text = file ? ReadWholeFile(*file) : std::nullopt;
  if (!text) {
    ui.ShowMessage(MessageKind::Information, "Файл с инструкциями не найден."_w, kOk, kOk);
    return std::nullopt;
  }
  std::vector<std::string> lines = InstructionLines(*text, tableName);
  if (lines.empty()) {
    ui.ShowMessage(MessageKind::Information, "Инструкция по заполнению таблицы отсутствует."_w, kOk, kOk);
    return std::nullopt;
  }
  return lines;
}

}  // namespace rpt
