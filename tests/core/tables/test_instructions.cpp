// The filling instructions of "Instr.txt": the table's lines, and the
// messages when the file or the instruction is missing, and what the caller
// learns when nothing opens the written instruction.
#include <gtest/gtest.h>

#include <filesystem>

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

TEST(ShowTableInstruction, WritesTTxtAndShowsIt) {
  TempFolder dir;
  dir.Write("TabIni/INSTR.TXT", kFile);
  dir.Write("Servis/.keep", "");
  ScriptedInteraction ui;
  EXPECT_EQ(ShowTableInstruction(ui, dir / "TabIni/", dir / "Servis/", "T1", {}), InstructionOutcome::Shown);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(testing::ReadFile(dir / "Servis/T.txt"), "Fill in\r\n\r\nall rows\r\n");
  ASSERT_EQ(ui.shellRequests.size(), 1u);
  EXPECT_EQ(ui.shellRequests[0], "open " + (dir / "Servis/T.txt"));

  EXPECT_EQ(ShowTableInstruction(ui, dir / "TabIni/", dir / "Servis/", "T3", {}), InstructionOutcome::Reported);
  EXPECT_EQ(ui.MessageTexts().back(), std::string("Инструкция по заполнению таблицы отсутствует."_w));
  EXPECT_EQ(ui.messages.back().kind, MessageKind::Information);

  EXPECT_EQ(ShowTableInstruction(ui, dir / "Servis/", dir / "Servis/", "T1", {}), InstructionOutcome::Reported);
  EXPECT_EQ(ui.MessageTexts().back(), std::string("Файл с инструкциями не найден."_w));
  EXPECT_EQ(ui.messages.back().kind, MessageKind::Information);

  // Neither the desktop nor an editor opens it: "T.txt" is written, no
  // message, and the caller is told so that it can offer to print it.
  ui.shellSucceeds = false;
  const std::size_t messages = ui.messages.size();
  std::filesystem::remove(dir / "Servis/T.txt");
  EXPECT_EQ(ShowTableInstruction(ui, dir / "TabIni/", dir / "Servis/", "T1", {"editor"}),
            InstructionOutcome::Unopened);
  EXPECT_EQ(ui.messages.size(), messages);
  EXPECT_EQ(testing::ReadFile(dir / "Servis/T.txt"), "Fill in\r\n\r\nall rows\r\n");
}

}  // namespace
}  // namespace rpt
