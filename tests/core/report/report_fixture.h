// A program folder with a small installed blank report ("TI.a": two
// sections, two tables and a document) for the report lifecycle tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/foundation/codec.h"
#include "core/foundation/folders.h"
#include "core/archive/package.h"
#include "support/scripted_interaction.h"
#include "support/text.h"
#include "support/temp_folder.h"

namespace rpt::testing {

// A form table with one integer cell (number 2) holding `value`.
inline std::string FormTable(std::string_view value = "5") {
  return Win("[Table]\nFixed=0\nCount=2\n\n[Cell_2]\nState=D\nType=2\nVis=10 10 40 20 5 0\nCap=" +
                 std::string(value) + "\n");
}

struct StructureOptions {
  std::string version = "23_00_22";
  bool excludeAllTables = false;
  bool subreport = false;
};

inline std::string StructureText(const StructureOptions& o = {}) {
  const std::string ex = o.excludeAllTables ? "1" : "0";
  return Win("[Отчет]\nНазвание=Отчет о НИР\nКоличество_разделов=2\nВерсия=" + o.version +
                 "\nПодотчет=" + (o.subreport ? "1" : "0") +
                 "\n\n[Раздел_1]\nНазвание=Кадры\nКоличество_пунктов=2\nУдален=" + ex +
                 "\n\n[Пункт_1_1]\nНазвание=Таблица 1\nТип=0\nФайл=T1.ini\nУдален=" + ex +
                 "\n\n[Пункт_1_2]\nНазвание=Пояснение\nТип=1\nФайл=Doc.rtf\nУдален=0\n\n"
                 "[Раздел_2]\nНазвание=Финансы\nКоличество_пунктов=1\nУдален=" + ex +
                 "\n\n[Пункт_2_1]\nНазвание=Таблица 2\nТип=0\nФайл=T2.ini\nУдален=" + ex + "\n");
}

// Packs the files of `staging` (given as name -> bytes) into `package`.
inline void MakePackage(const TempFolder& dir, const std::string& staging,
                        const std::vector<std::pair<std::string, std::string>>& files,
                        const std::string& package) {
  std::filesystem::remove_all(dir / staging);
  for (const auto& [name, bytes] : files) dir.Write(staging + "/" + name, bytes);
  ScriptedInteraction quiet;
  if (!PackFolder(quiet, dir / (staging + "/*"), package, true, false))
    throw std::runtime_error("cannot pack " + package);
  std::filesystem::remove_all(dir / staging);
}

inline std::vector<std::pair<std::string, std::string>> BlankReportFiles(const StructureOptions& o = {}) {
  return {{"Report.str", StructureText(o)},
          {"T1.ini", FormTable("5")},
          {"T2.ini", FormTable("7")},
          {"Doc.rtf", "{\\rtf1 }"},
          {"Check.chk", ""}};
}

// The blank report whose first table ("Сведения о кадрах") divides by two
// empty cells (with Dec 0, so that they count as 0): cell 5 is "8 2 (1:1)/(1:2)" (shown "1,50"), cell 6 reads
// cell 5 (shown "9"), cell 7 is "(1:1)+4". The second table computes
// cell 3 = cell 2 * 3 and cell 4 = T1's cell 7 + 1.
inline std::vector<std::pair<std::string, std::string>> FormulaErrorReportFiles() {
  auto files = BlankReportFiles();
  files[1].second = Win(
      "[Table]\nFixed=0\nCount=6\n\n"
      "[Cell_2]\nState=D\nType=10\nVis=10 0 200 20 5 0\nCap=Сведения о кадрах\n\n"
      "[Cell_3]\nState=D\nType=2\nDec=0\nCol=1\nRow=1\nVis=10 30 40 20 5 0\nCap=\n\n"
      "[Cell_4]\nState=D\nType=2\nDec=0\nCol=2\nRow=1\nVis=60 30 40 20 5 0\nCap=\n\n"
      "[Cell_5]\nState=D\nType=7\nDec=2\nCol=3\nRow=1\nForm=8 2 (1:1)/(1:2)\nVis=110 30 40 20 5 0\nCap=1,50\n\n"
      "[Cell_6]\nState=D\nType=7\nDec=0\nCol=4\nRow=1\nForm=8 0 (1:3)+1\nVis=160 30 40 20 5 0\nCap=9\n\n"
      "[Cell_7]\nState=D\nType=7\nDec=0\nCol=5\nRow=1\nForm=8 0 (1:1)+4\nVis=210 30 40 20 5 0\nCap=0\n");
  files[2].second = Win(
      "[Table]\nFixed=0\nCount=3\n\n"
      "[Cell_2]\nState=D\nType=2\nVis=10 10 40 20 5 0\nCap=7\n\n"
      "[Cell_3]\nState=D\nType=7\nDec=0\nForm=8 0 (2)*3\nVis=60 10 40 20 5 0\nCap=0\n\n"
      "[Cell_4]\nState=D\nType=7\nDec=0\nForm=7 0 T1[(1:5)]+1\nVis=110 10 40 20 5 0\nCap=0\n");
  return files;
}

// The program folder dir/prog/ with "Help/Data/TI.a".
inline FolderSet MakeProgram(const TempFolder& dir, const StructureOptions& o = {}) {
  const FolderSet f = FolderSet::FromProgramFolder(dir / "prog/");
  std::filesystem::create_directories(f.data);
  MakePackage(dir, "stage", BlankReportFiles(o), f.TemplatePackage());
  return f;
}

// A report folder dir/name/ holding a package of `files`.
inline std::string MakeReport(const TempFolder& dir, const std::string& name,
                              const std::vector<std::pair<std::string, std::string>>& files) {
  std::filesystem::create_directories(dir / name);
  MakePackage(dir, "stage", files, dir / (name + "/Report.rpt"));
  return dir / (name + "/");
}

}  // namespace rpt::testing
