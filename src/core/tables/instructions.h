// The filling instructions of a table, kept for all tables in one text file
// of the template folder ("Instr.txt"): a line "[" + table name + "]"
// starts a table's instruction, the next line beginning with "[" ends it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/common.h"

namespace rpt {

class Interaction;

// The instruction lines of `tableName` (Windows-1251; the header compared
// without regard to letter case) in the file's text: empty lines inside
// belong to it. Empty when the file has no such table or nothing under it.
std::vector<std::string> InstructionLines(std::string_view fileText, std::string_view tableName);

// "T.txt" of the service folder, where the instruction shown goes.
std::string InstructionFile(const std::string& serviceFolder);

// What came of showing an instruction.
enum class InstructionOutcome {
  Shown,     // handed to the desktop or the text editor
  Reported,  // a message told the user why there is nothing to show
  Unopened,  // written to "T.txt", but nothing here opens text files: the
             // caller offers to print it
};

// "Инструкция": reads "Instr.txt" of the template folder, writes the
// table's instruction to "T.txt" of the service folder and shows it. The
// information "Файл с инструкциями не найден." without the file,
// "Инструкция по заполнению таблицы отсутствует." without an instruction.
InstructionOutcome ShowTableInstruction(Interaction& ui, const std::string& templateFolder,
                                        const std::string& serviceFolder, std::string_view tableName,
                                        const EditorCommand& editor);

}  // namespace rpt
