// The filling instructions of "Instr.txt": the table's lines, and the
// messages when the file or the instruction is missing.
#include <gtest/gtest.h>

#include "core/foundation/codec.h"
#include "core/tables/instructions.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

using namespace literals;
using testing::ScriptedInteraction;
using testing::TempFolder;

constexpr std::string_view kFile = "[T1]\r\nFill in\r\n\r\nall rows\r\n[T2]\r\nx\r\n";

TEST(InstructionLines, TheTablesLinesUpToTheNextHeader) {
  struct Case {
    const char* table;
    std::vector<std::string> lines;
  } cases[] = {
      {"T1", {"Fill in", "", "all rows"}},
      {"t1", {"Fill in", "", "all rows"}},  // the header ignores letter case
      {"T2", {"x"}},                        // the last one runs to the end
      {"T3", {}},
      {"T", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    EXPECT_EQ(InstructionLines(kFile, c.table), c.lines);
  }
  // Cyrillic names fold too; LF-only files read the same.
  EXPECT_EQ(InstructionLines("[Таблица]\nстрока\n"_w, "ТАБЛИЦА"_w), std::vector<std::string>{std::string("строка"_w)});
  // A header with nothing under it is no instruction.
  EXPECT_TRUE(InstructionLines("[T1]\r\n[T2]\r\nx\r\n", "T1").empty());
}

// The program shows the lines itself: nothing is written and nothing is
// handed to the desktop.
TEST(TableInstruction, TheLinesOrAMessage) {
  TempFolder dir;
  dir.Write("TabIni/INSTR.TXT", kFile);
  ScriptedInteraction ui;
  EXPECT_EQ(TableInstruction(ui, dir / "TabIni/", "T1"), (std::vector<std::string>{"Fill in", "", "all rows"}));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.shellRequests.empty());

  EXPECT_EQ(TableInstruction(ui, dir / "TabIni/", "T3"), std::nullopt);
  EXPECT_EQ(ui.MessageTexts().back(), std::string("Инструкция по заполнению таблицы отсутствует."_w));
  EXPECT_EQ(ui.messages.back().kind, MessageKind::Information);

  EXPECT_EQ(TableInstruction(ui, dir.path(), "T1"), std::nullopt);
  EXPECT_EQ(ui.MessageTexts().back(), std::string("Файл с инструкциями не найден."_w));
  EXPECT_EQ(ui.messages.back().kind, MessageKind::Information);
}

}  // namespace
}  // namespace rpt
