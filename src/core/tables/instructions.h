// The filling instructions of a table, kept for all tables in one text file
// of the template folder ("Instr.txt"): a line "[" + table name + "]"
// starts a table's instruction, the next line beginning with "[" ends it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rpt {

class Interaction;

// The instruction lines of `tableName` (Windows-1251; the header compared
// without regard to letter case) in the file's text: empty lines inside
// belong to it. Empty when the file has no such table or nothing under it.
std::vector<std::string> InstructionLines(std::string_view fileText, std::string_view tableName);

// "Инструкция": the table's instruction from "Instr.txt" of the template
// folder, for the program to show in a window of its own. Nothing, after
// the information "Файл с инструкциями не найден." without the file or
// "Инструкция по заполнению таблицы отсутствует." without an instruction.
std::optional<std::vector<std::string>> TableInstruction(Interaction& ui, const std::string& templateFolder,
                                                        std::string_view tableName);

}  // namespace rpt
