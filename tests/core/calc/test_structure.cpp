#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/calc/structure.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace rpt {
namespace {

using namespace literals;
using testing::ReadFile;
using testing::TempFolder;

// A structure file in the settings syntax: lines joined with CR LF.
std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (auto l : lines) {
    s += l;
    s += "\r\n";
  }
  return s;
}

// Two sections: the first with a table, an excluded table and a document;
// the second without a title, with an untitled item and an item whose file
// is the print start (named twice: the last one counts).
std::string SampleStructure() {
  return Lines({
      "[Отчет]"_w, "Название=Отчет о НИР"_w, "Количество_разделов=2"_w, "Версия=23_00_22"_w,
      "Начало печати=T3.ini"_w, "",
      "[Раздел_1]"_w, "Название=Кадры"_w, "Количество_пунктов=3"_w, "",
      "[Пункт_1_1]"_w, "Название=Штаты"_w, "Тип=0"_w, "Файл=T1.ini"_w, "",
      "[Пункт_1_2]"_w, "Название=Аспиранты"_w, "Тип=0"_w, "Файл=T2.ini"_w, "Удален=1"_w, "",
      "[Пункт_1_3]"_w, "Название=Пояснение"_w, "Тип=5"_w, "Файл=Note.doc"_w, "",
      "[Раздел_2]"_w, "Количество_пунктов=3"_w, "",
      "[Пункт_2_1]"_w, "Тип=0"_w, "Файл=T3.ini"_w, "",
      "[Пункт_2_2]"_w, "Название=Без файла"_w, "",
      "[Пункт_2_3]"_w, "Название=Снова"_w, "Файл=T3.ini"_w, "",
  });
}

TEST(ReadStructure, BuildsTheTreeWithDefaultsMarksAndPrintStart) {
  TempFolder tmp;
  const auto path = tmp.Write("r.str", SampleStructure());
  const auto model = ReadStructure(path);
  ASSERT_TRUE(model);
  EXPECT_EQ(model->title, "Отчет о НИР"_w);
  ASSERT_EQ(model->sections.size(), 2u);

  const auto& s1 = model->sections[0];
  EXPECT_EQ(s1.title, "Кадры"_w);
  EXPECT_FALSE(s1.excluded);  // an excluded item leaves its section unmarked
  ASSERT_EQ(s1.items.size(), 3u);
  EXPECT_EQ(s1.items[1].title, "Аспиранты"_w);
  EXPECT_TRUE(s1.items[1].excluded);
  EXPECT_EQ(s1.items[2].kind, ItemKind::Document);
  EXPECT_EQ(s1.items[2].type, 5);
  EXPECT_EQ(s1.items[0].sectionName, "Пункт_1_1"_w);

  const auto& s2 = model->sections[1];
  EXPECT_EQ(s2.title, "Раздел 2."_w);
  EXPECT_EQ(s2.items[0].title, "Таблица 1."_w);
  EXPECT_EQ(s2.items[1].kind, ItemKind::Table);  // no "Тип": a table
  EXPECT_EQ(s2.items[1].file, "");

  // root 0, Раздел_1 1, its items 2..4, Раздел_2 5, items 6..8.
  EXPECT_EQ(model->printStart, 8);
  const std::vector<std::string> active = {"T1", "Note", "T3", "", "T3"};
  EXPECT_EQ(model->activeNames, active);
  EXPECT_FALSE(model->isSubreport);
  EXPECT_FALSE(model->hasSubreports);
  EXPECT_TRUE(model->subreportLines.empty());
}

TEST(ReadStructure, EdgeCasesOfCountsAndPrintStart) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t sections;
    int printStart;
  };
  const Case cases[] = {
      {"no sections", Lines({"[Отчет]"_w, "Количество_разделов=0"_w}), 0, 0},
      {"count not a number", Lines({"[Отчет]"_w, "Количество_разделов=два"_w}), 0, 0},
      {"negative count", Lines({"[Отчет]"_w, "Количество_разделов=-3"_w}), 0, 0},
      // An absent print start does not pick the items that have no file.
      {"no print start",
       Lines({"[Отчет]"_w, "Количество_разделов=1"_w, "", "[Раздел_1]"_w, "Количество_пунктов=2"_w}), 1, 0},
      {"print start names no item",
       Lines({"[Отчет]"_w, "Количество_разделов=1"_w, "Начало печати=X.ini"_w}), 1, 0},
      {"damaged count is bounded", Lines({"[Отчет]"_w, "Количество_разделов=2000000000"_w}), 999, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder tmp;
    const auto model = ReadStructure(tmp.Write("r.str", c.text));
    ASSERT_TRUE(model);
    EXPECT_EQ(model->title, "Отчет"_w);
    EXPECT_EQ(model->sections.size(), c.sections);
    EXPECT_EQ(model->printStart, c.printStart);
  }
}

TEST(ReadStructure, MissingFileGivesNothingAndReadingLeavesTheFileAlone) {
  TempFolder tmp;
  EXPECT_FALSE(ReadStructure(tmp / "none.str"));
  EXPECT_FALSE(ReadStructure(tmp.path()));
  const std::string lfOnly("[Отчет]\nВерсия=23_00_22\n"_w);
  const auto path = tmp.Write("r.str", lfOnly);
  EXPECT_TRUE(ReadStructure(path));
  EXPECT_EQ(VersionOf(tmp.path()), kVersionThisYear);
  EXPECT_EQ(ReadFile(path), lfOnly);
}

TEST(StructureFile, FirstInNameOrderVersionAndSubreportFlag) {
  TempFolder tmp;
  EXPECT_FALSE(FindStructureFile(tmp.path()));
  EXPECT_EQ(VersionOf(tmp.path()), "");
  EXPECT_FALSE(IsSubreport(tmp.path()));
  tmp.Write("b.str", Lines({"[Отчет]"_w, "Версия=23_00_22"_w}));
  tmp.Write("A.STR", Lines({"[Отчет]"_w, "Версия=23_00_22 "_w, "Подотчет=1"_w}));
  tmp.Write("a.str.bak", "");
  fs::create_directory(tmp / "0.str");
  EXPECT_EQ(FindStructureFile(tmp.path()), tmp / "A.STR");
  EXPECT_EQ(VersionOf(tmp.path()), "23_00_22 ");  // the trailing blank is kept
  EXPECT_NE(VersionOf(tmp.path()), kVersionThisYear);
  EXPECT_TRUE(IsSubreport(tmp.path()));
}

TEST(StructureFile, TemplateFlagsAreReadLeniently) {
  TempFolder tmp;
  tmp.Write("t.str", Lines({"[ОТЧЕТ]"_w, "", " подотчет = 1 "_w, "Только_подотчет=0x10"_w}));
  const auto flags = ReadTemplateFlags(tmp.path());
  EXPECT_TRUE(flags.isSubreport);
  EXPECT_TRUE(flags.subreportOnly);
  EXPECT_FALSE(ReadTemplateFlags(tmp / "none/").isSubreport);
}

// --- exclusion ----------------------------------------------------------------

struct Exclusion : ::testing::Test {
  TempFolder tmp;
  std::string path = tmp.Write("r.str", SampleStructure());
  StructureModel model = *ReadStructure(path);
  testing::ScriptedInteraction ui;

  // Whether the file's section carries "Удален=1".
  bool Excluded(std::string_view section) const {
    const std::string text = ReadFile(path);
    const auto at = text.find("[" + std::string(section) + "]");
    if (at == std::string::npos) return false;
    const auto end = text.find("\r\n\r\n", at);
    return text.substr(at, end - at).find("Удален=1"_w) != std::string::npos;
  }
};

TEST_F(Exclusion, ItemToggleRecomputesTheSectionAndWritesAtOnce) {
  EXPECT_TRUE(SetExcluded(model, path, {0, 0}, true, ui));
  EXPECT_TRUE(model.sections[0].items[0].excluded);
  EXPECT_FALSE(model.sections[0].excluded);  // the document is still in
  EXPECT_TRUE(Excluded("Пункт_1_1"_w));
  EXPECT_FALSE(Excluded("Раздел_1"_w));

  EXPECT_TRUE(SetExcluded(model, path, {0, 2}, true, ui));
  EXPECT_TRUE(model.sections[0].excluded);  // now every item is out
  EXPECT_TRUE(Excluded("Раздел_1"_w));

  EXPECT_TRUE(SetExcluded(model, path, {0, 1}, false, ui));  // toggles back in
  EXPECT_FALSE(model.sections[0].items[1].excluded);
  EXPECT_FALSE(model.sections[0].excluded);
  EXPECT_FALSE(Excluded("Пункт_1_2"_w));
  EXPECT_FALSE(Excluded("Раздел_1"_w));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Exclusion, SectionGivesEveryItemItsMark) {
  EXPECT_TRUE(SetExcluded(model, path, {0, std::nullopt}, true, ui));
  for (const auto& item : model.sections[0].items) EXPECT_TRUE(item.excluded);
  for (auto name : {"Пункт_1_1"_w, "Пункт_1_2"_w, "Пункт_1_3"_w, "Раздел_1"_w}) EXPECT_TRUE(Excluded(name));
  EXPECT_TRUE(SetExcluded(model, path, {0, std::nullopt}, false, ui));
  for (auto name : {"Пункт_1_1"_w, "Пункт_1_2"_w, "Пункт_1_3"_w, "Раздел_1"_w}) EXPECT_FALSE(Excluded(name));
}

TEST_F(Exclusion, LeavingNoTableIsRefusedAndPutBack) {
  ASSERT_TRUE(SetExcluded(model, path, {1, std::nullopt}, true, ui));
  ASSERT_TRUE(SetExcluded(model, path, {0, 1}, true, ui));  // Аспиранты was out: back in
  ASSERT_TRUE(SetExcluded(model, path, {0, 1}, true, ui));  // and out again
  const std::string before = ReadFile(path);
  const StructureModel kept = model;

  // Only Штаты is a table still in; the document does not count.
  EXPECT_FALSE(SetExcluded(model, path, {0, 0}, true, ui));
  EXPECT_FALSE(SetExcluded(model, path, {0, std::nullopt}, true, ui));
  ASSERT_EQ(ui.messages.size(), 2u);
  for (const auto& m : ui.messages) {
    EXPECT_EQ(m.kind, MessageKind::Error);
    EXPECT_EQ(m.text, "Подотчет не содержит ни одной таблицы или формы. Это недопустимо."_w);
    EXPECT_EQ(m.buttons, unsigned(kOk));
  }
  for (std::size_t s = 0; s < 2; ++s) {
    EXPECT_EQ(model.sections[s].excluded, kept.sections[s].excluded);
    for (std::size_t i = 0; i < model.sections[s].items.size(); ++i)
      EXPECT_EQ(model.sections[s].items[i].excluded, kept.sections[s].items[i].excluded);
  }
  EXPECT_EQ(ReadFile(path), before);
}

TEST_F(Exclusion, FailedWriteIsRaisedAndPutBack) {
  const std::string gone = tmp / "gone/r.str";
  try {
    SetExcluded(model, gone, {0, 0}, true, ui);
    ADD_FAILURE() << "no error";
  } catch (const EFileError& e) {
    EXPECT_NE(e.Message().find("gone/r.str"), std::string::npos);
  }
  EXPECT_FALSE(model.sections[0].items[0].excluded);
}

// --- single keys and the sub-report list ------------------------------------------

TEST(StructureWriters, SingleKeysAndFailedWrites) {
  TempFolder tmp;
  const auto path = tmp.Write("r.str", Lines({"[Отчет]"_w, "Версия=23_00_22"_w}));
  EXPECT_EQ(WriteSubreportFlag(path, true), "");
  EXPECT_EQ(WriteSubreportFolder(path, "C:\\Отчеты\\Подотчет1\\"_w), "");
  EXPECT_EQ(WriteSubreportOnly(path, false), "");
  EXPECT_EQ(WriteInstitutionCode(path, ""), "");
  EXPECT_EQ(ReadFile(path), Lines({"[Отчет]"_w, "Версия=23_00_22"_w, "Подотчет=1"_w,
                                   "Папка=C:\\Отчеты\\Подотчет1\\"_w, "Только_подотчет=0"_w,
                                   "Код_вуза="_w, ""}));
  EXPECT_TRUE(IsSubreport(tmp.path()));
  EXPECT_NE(WriteInstitutionCode(tmp / "gone/r.str", "123"), "");
  EXPECT_NE(AddSubreportFolder(tmp / "gone/r.str", "x"), "");
}

TEST(StructureWriters, SubreportListRenumbersAndErasesWhenEmpty) {
  TempFolder tmp;
  const std::string head = Lines({"[Отчет]"_w, "Количество_разделов=0"_w, ""});
  const auto path = tmp.Write("r.str", head);
  for (auto folder : {"/r/A/", "/r/B/", "/r/C/"}) ASSERT_EQ(AddSubreportFolder(path, folder), "");
  EXPECT_EQ(ReadSubreportFolders(path), (std::vector<std::string>{"/r/A/", "/r/B/", "/r/C/"}));

  ASSERT_EQ(RemoveSubreportFolder(path, 2), "");
  EXPECT_EQ(ReadSubreportFolders(path), (std::vector<std::string>{"/r/A/", "/r/C/"}));
  EXPECT_EQ(ReadFile(path), head + Lines({"[Подотчеты]"_w, "Количество=2"_w, "1=/r/A/", "2=/r/C/", ""}));

  ASSERT_EQ(RemoveSubreportFolder(path, 5), "");  // outside the list: nothing
  ASSERT_EQ(RemoveSubreportFolder(path, 1), "");
  ASSERT_EQ(RemoveSubreportFolder(path, 1), "");
  EXPECT_EQ(ReadFile(path), head);  // the section is gone altogether
  EXPECT_TRUE(ReadSubreportFolders(path).empty());
}

// --- loading included sub-reports --------------------------------------------------

TEST(ReadStructure, UnpacksIncludedSubreportsIntoTheirCopies) {
  TempFolder tmp;
  const std::string working = tmp / "Temp/";
  tmp.Write("reports/Sub1/Report.rpt", "package 1");
  tmp.Write("reports/Sub2/readme.txt", "no package here");
  tmp.Write("Temp/Subreports/Sub1/stale.ini", "from an earlier run");
  tmp.Write("Temp/keep.ini", "the open report");
  const std::string sub1 = Utf8ToCp1251(tmp / "reports/Sub1/");
  std::string sub2 = Utf8ToCp1251(tmp / "reports/Sub2");
  sub2 += "\\";  // as stored on Windows
  const auto path = tmp.Write(
      "Temp/r.str", Lines({"[Подотчеты]"_w, "Количество=4"_w, "1=" + sub1, "2=" + sub2, "3=..\\",
                           "4=", "", "[Отчет]"_w, "Подотчет=0"_w}));

  std::vector<std::pair<std::string, std::string>> calls;
  SubreportLoading loading{working, [&](const std::string& package, const std::string& dest) {
                             calls.emplace_back(package, dest);
                             std::ofstream(dest + "unpacked") << "x";
                           }};
  const auto model = ReadStructure(path, &loading);
  ASSERT_TRUE(model);
  EXPECT_TRUE(model->hasSubreports);
  ASSERT_EQ(model->subreportLines.size(), 5u);
  EXPECT_EQ(model->subreportLines[0], "Количество=4"_w);

  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].first, tmp / "reports/Sub1/Report.rpt");
  EXPECT_EQ(calls[0].second, working + "Subreports/Sub1/");
  EXPECT_FALSE(fs::exists(working + "Subreports/Sub1/stale.ini"));
  EXPECT_TRUE(fs::is_directory(working + "Subreports/Sub2"));
  EXPECT_TRUE(fs::is_empty(working + "Subreports/Sub2"));
  EXPECT_EQ(ReadFile(working + "keep.ini"), "the open report");  // ".." never reaches it

  // Without asking for it nothing is unpacked.
  calls.clear();
  EXPECT_TRUE(ReadStructure(path));
  EXPECT_TRUE(calls.empty());
}

}  // namespace
}  // namespace rpt
