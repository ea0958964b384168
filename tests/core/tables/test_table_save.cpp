// Saving table files, the round trip, list links and reloading.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/foundation/errors.h"
#include "core/foundation/my_ini_file.h"
#include "core/tables/ini_snapshot.h"
#include "core/tables/table.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"
#include "table_test_util.h"

namespace rpt {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RecordingHooks;
using testing::ScriptedInteraction;
using testing::TempFolder;
using testing::Win;

// Hand-written inputs in the shapes the templates use.
const char* const kGrid =
    "[Table]\nPageOrient=1\nPageBottom=5\nPageLeft=6\nPageRight=7\nPageTop=8\nCount=7\n"
    "BL0=11\nBMainNum=12\nFixed=1\nMinLeft=10\nMinTop=30\nMinTopD=40\nRowCount=2\nColCount=2\n\n"
    "[Cell_2]\nState=H\nType=10\nVis=5 10 80 25 5 0\nCap=Таблица 1||Кадры\n\n"
    "[Cell_3]\nState=T\nType=8\nVis=30 10 40 10 5 0\nCap=1\n\n"
    "[Cell_4]\nState=D\nCol=1\nRow=1\nType=1\nVis=40 10 40 30 1 16777215\nCap=$текст\n\n"
    "[Cell_5]\nState=D\nCol=2\nRow=1\nType=2\nBObj=103000001\nVis=40 50 40 30 5 16777215\nCap=12\n\n"
    "[Cell_6]\nState=D\nCol=1\nRow=2\nType=3\nDec=2\nBObj=103000002\nVis=70 10 40 20 5 255\nCap=12.5\n\n"
    "[Cell_7]\nState=D\nCol=2\nRow=2\nType=7\nDec=1\nForm=8 0 (1:2)+(2:1)\nVis=70 50 40 20 5 0\nHint=сумма\n\n"
    "[Cell_8]\nState=B\nType=0\nFrame=0\nVis=100 10 80 15 7 -16777201\nCap=Подпись\n\n";

const char* const kForm =
    "[Table]\nCount=4\nBL1=350000000\n\n"
    "[Cell_2]\nType=11\nVis=0 0 50 20 5 0\nCap=№ 5\n\n"
    "[Cell_3]\nType=5\nLen=100\nVis=0 60 200 60 5 0\nCap=строка||вторая\n\n"
    "[Cell_4]\nType=6\nList=Города.lst доп\nBVal=7\nBList=1\nVis=30 0 90 20 5 0\nCap=Тула\n\n"
    "[Cell_5]\nType=4\nVis=60 0 90 20 5 0\nCap=01.02.2023\nFont=Arial,10,0110,clNavy\n\n";

const char* const kGrowing =
    "[Table]\nCount=4\nFixed=1\nBL1=300000001\nRowCount=2\nColCount=2\nMinTopD=5\n\n"
    "[Cell_2]\nCol=1\nRow=1\nType=9\nCap=1\n\n[Cell_3]\nCol=2\nRow=1\nType=1\nCap=a\n\n"
    "[Cell_4]\nCol=1\nRow=2\nType=9\nCap=2\n\n[Cell_5]\nCol=2\nRow=2\nType=1\nCap=b\n\n";

struct Env {
  TempFolder dir;
  RecordingHooks hooks;
  ScriptedInteraction ui;
  TableContext ctx;
  Env() {
    ctx.hooks = &hooks;
    ctx.ui = &ui;
    ctx.listFolder = dir.path() + "TabLst/";
    ctx.templateFolder = dir.path() + "TabIni/";
  }
};

TEST(SaveTableTest, WritesKeysInTheirFixedOrder) {
  Env env;
  TTable t(env.ctx);
  const std::string path = env.dir.Write("Кадры.ini", Win(kGrid));
  t.LoadFromFile(path);
  t.SaveToFile(path, false);
  const std::string expected = Win(
      "[Table]\nPageOrient=1\nPageBottom=5\nPageLeft=6\nPageRight=7\nPageTop=8\nCount=7\n"
      "BL0=11\nBL1=-1\nBMainNum=12\nFirstCell=2\nLastCell=8\nFixed=1\nMinLeft=10\nMinTop=30\n"
      "MinTopD=40\nRowCount=2\nColCount=2\nName=Таблица 1 Кадры\nNumTab=\n\n"
      "[Cell_2]\nState=H\nType=10\nBObj=-1\nBVal=-1\nBList=-1\nCol=0\nRow=0\nVis=5 10 80 25 5 0\n"
      "Frame=1\nCap=Таблица 1||Кадры\nFont=MS Sans Serif,8,0000,clWindowText\n\n"
      "[Cell_3]\nState=T\nType=8\nBObj=-1\nBVal=-1\nBList=-1\nCol=0\nRow=0\nVis=30 10 40 10 5 0\n"
      "Frame=1\nCap=1\nFont=MS Sans Serif,8,0000,clWindowText\n\n"
      "[Cell_4]\nState=D\nType=1\nLen=255\nList=\nDirectInput=1\nBObj=-1\nBVal=-1\nBList=-1\nCol=1\n"
      "Row=1\nVis=40 10 40 30 1 16777215\nFrame=1\nCap=$текст\nFont=MS Sans Serif,8,0000,clBlack\n\n"
      "[Cell_5]\nState=D\nType=2\nLen=0\nDec=0\nBObj=103000001\nBVal=-1\nBList=-1\nCol=2\nRow=1\n"
      "Vis=40 50 40 30 5 16777215\nFrame=1\nCap=12\nFont=MS Sans Serif,8,0000,clBlack\n\n"
      "[Cell_6]\nState=D\nType=3\nLen=0\nDec=2\nBObj=103000002\nBVal=-1\nBList=-1\nCol=1\nRow=2\n"
      "Vis=70 10 40 20 5 255\nFrame=1\nCap=12,50\nFont=MS Sans Serif,8,0000,clBlack\n\n"
      "[Cell_7]\nState=D\nType=7\nDec=1\nForm=8 0 (1:2)+(2:1)\nBObj=-1\nBVal=-1\nBList=-1\nCol=2\n"
      "Row=2\nVis=70 50 40 20 5 0\nFrame=1\nCap=\nFont=MS Sans Serif,8,0000,clBlack\nHint=сумма\n\n"
      "[Cell_8]\nState=B\nType=0\nBObj=-1\nBVal=-1\nBList=-1\nCol=0\nRow=0\n"
      "Vis=100 10 80 15 7 -16777201\nFrame=0\nCap=Подпись\nFont=MS Sans Serif,8,0000,clWindowText\n\n");
  EXPECT_EQ(ReadFile(path), expected);
  EXPECT_FALSE(fs::exists(env.dir / "Temp.tmp"));
}

// The saved text is what the settings-file class writes for the same keys
// in the same order ("Name" and "NumTab" written after the cells).
TEST(SaveTableTest, SameBytesAsTheSettingsFileClass) {
  Env env;
  TTable t(env.ctx);
  t.LoadFromFile(env.dir.Write("G.ini", Win(kGrid)));
  const std::string saved = t.SaveText();

  const std::string viaClass = env.dir / "viaClass.ini";
  {
    TMyIniFile ini(viaClass);
    std::string section;
    std::vector<std::pair<std::string, std::string>> tableTail;
    std::size_t pos = 0;
    while (pos < saved.size()) {
      const std::size_t end = saved.find("\r\n", pos);
      const std::string line = saved.substr(pos, end - pos);
      pos = end + 2;
      if (line.empty()) continue;
      if (line.front() == '[') {
        section = line.substr(1, line.size() - 2);
        continue;
      }
      const auto eq = line.find('=');
      const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
      if (section == "Table" && (key == "Name" || key == "NumTab")) tableTail.emplace_back(key, value);
      else ini.WriteString(section, key, value);
    }
    for (const auto& [k, v] : tableTail) ini.WriteString("Table", k, v);
    ASSERT_EQ(ini.Release(), "");
  }
  EXPECT_EQ(ReadFile(viaClass), saved);
}

TEST(SaveTableTest, RoundTripGivesTheSameModelAndTheSameBytes) {
  for (const char* fixture : {kGrid, kForm, kGrowing}) {
    Env env;
    const std::string path = env.dir.Write("T.ini", Win(fixture));
    TTable first(env.ctx);
    first.LoadFromFile(path);
    first.SaveToFile(path, false);
    const std::string once = ReadFile(path);

    TTable second(env.ctx);
    second.LoadFromFile(path);
    second.SaveToFile(path, false);
    EXPECT_EQ(ReadFile(path), once);

    TTable third(env.ctx);
    third.LoadFromFile(path);
    EXPECT_TRUE(SameModel(second, third)) << fixture;
  }
}

// A real value that reached the cell unrounded (an import, a script) is
// saved rounded as the cell shows it after a load, halves away from zero.
TEST(SaveTableTest, RealValuesAreRoundedHalfAwayFromZero) {
  for (const auto& [value, saved] : {std::pair{"2,675", "2,68"}, {"1.005", "1,01"}, {"0,285", "0,29"}}) {
    Env env;
    TTable t(env.ctx);
    t.LoadFromFile(env.dir.Write("T.ini", Win(kGrid)));
    CellAt(*RowAt(t.data, 2), 1)->label.caption = value;
    EXPECT_NE(t.SaveText().find(std::string("Cap=") + saved + "\r\n"), std::string::npos) << value;
  }
}

TEST(SaveTableTest, LineBreaksOfAnyKindStayInsideTheValue) {
  Env env;
  const std::string path = env.dir.Write("T.ini", Win(kForm));
  TTable t(env.ctx);
  t.LoadFromFile(path);
  CellByNumber(t.data, 3)->SetValue("a\nb\rc\r\nd");
  t.SaveToFile(path, false);
  EXPECT_NE(ReadFile(path).find("Cap=a||b||c||d\r\n"), std::string::npos);
  TTable back(env.ctx);
  back.LoadFromFile(path);
  EXPECT_EQ(CellByNumber(back.data, 3)->label.caption, "a\r\nb\r\nc\r\nd");
}

// A form table has no grid and no offsets: a stray size or offset in its
// file must not add cells or move them at every save; a formula value is
// written as the next load will show it, a text copy as it was copied.
TEST(SaveTableTest, FormTablesKeepTheirShapePlaceAndValues) {
  Env env;
  const std::string path = env.dir.Write(
      "F.ini", Win("[Table]\nCount=3\nRowCount=2\nColCount=3\nMinTopD=40\nMinLeft=10\n\n"
                   "[Cell_2]\nType=1\nVis=5 6 7 8 5 0\n\n"
                   "[Cell_3]\nType=7\nDec=1\nVis=5 6 7 8 5 0\nCap=1,2,3\n\n"
                   "[Cell_4]\nType=7\nDec=-1\nVis=5 6 7 8 5 0\nCap=15.03.2023\n"));
  TTable t(env.ctx);
  t.LoadFromFile(path);
  ASSERT_EQ(t.data.size(), 1u);
  ASSERT_EQ(FirstRow(t.data)->size(), 3u);
  EXPECT_EQ(CellByNumber(t.data, 3)->label.caption, "0,0");
  EXPECT_EQ(CellByNumber(t.data, 4)->label.caption, "15.03.2023");
  t.SaveToFile(path, false);
  const std::string saved = ReadFile(path);
  EXPECT_NE(saved.find("RowCount=0\r\nColCount=0\r\n"), std::string::npos);
  EXPECT_NE(saved.find("Vis=5 6 7 8 5 0\r\n"), std::string::npos);
  EXPECT_NE(saved.find("Cap=0,0\r\n"), std::string::npos);
  EXPECT_NE(saved.find("Cap=15.03.2023\r\n"), std::string::npos);
  TTable back(env.ctx);
  back.LoadFromFile(path);
  back.SaveToFile(path, false);
  EXPECT_EQ(ReadFile(path), saved);
}

TEST(SaveTableTest, RealCaptionThatIsNoNumberFailsLoudlyAndKeepsTheFile) {
  Env env;
  const std::string path = env.dir.Write("G.ini", Win(kGrid));
  const std::string before = ReadFile(path);
  TTable t(env.ctx);
  t.LoadFromFile(path);
  GetCell(t.data, 1, 2)->SetValue("abc");
  ASSERT_TRUE(t.Modified());
  try {
    t.SaveToFile(path, true);
    FAIL() << "saved";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.Message(), Win("Таблица \"G.ini\" не сохранена: значение ячейки 2-1 \"abc\" не является числом."));
  }
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_TRUE(t.Modified());
  EXPECT_FALSE(fs::exists(env.dir / "Temp.tmp"));
  ASSERT_FALSE(env.ui.progress.empty());
  EXPECT_EQ(env.ui.progress.back().event, "close");
}

TEST(SaveTableTest, UnwritableFolderFailsLoudly) {
  Env env;
  TTable t(env.ctx);
  t.LoadFromFile(env.dir.Write("G.ini", Win(kGrid)));
  GetCell(t.data, 1, 1)->SetValue("changed");
  EXPECT_THROW(t.SaveToFile(env.dir / "missing/G.ini", false), EFileError);
  EXPECT_TRUE(t.Modified());
}

TEST(SaveTableTest, LeftoverTempFileAndProgress) {
  Env env;
  const std::string path = env.dir.Write("G.ini", Win(kGrid));
  env.dir.Write("Temp.tmp", "stale");
  TTable t(env.ctx);
  t.LoadFromFile(path);
  GetCell(t.data, 1, 1)->SetValue("x");
  t.SaveToFile(path, true);
  EXPECT_FALSE(t.Modified());
  EXPECT_FALSE(fs::exists(env.dir / "Temp.tmp"));
  ASSERT_GE(env.ui.progress.size(), 2u);
  EXPECT_EQ(env.ui.progress.front().event, "show");
  EXPECT_EQ(env.ui.progress.front().text, Win("Запись таблицы"));
  EXPECT_FALSE(env.ui.progress.front().stoppable);
  EXPECT_EQ(env.ui.progress.back().event, "close");
  // 7 cells: the bar ends at 25.
  EXPECT_EQ(env.ui.progress[env.ui.progress.size() - 2].position, 25);
}

TEST(SaveTableTest, ListCellsCheckTheirLinkAndLearnTheListCode) {
  Env env;
  env.dir.Write("TabLst/ГОРОДА.LST", Win("[Список]\nListCode=42\n\n[Уровень]\nП1=Тула\nП1.BV=7\nП2=Орёл\nП2.BV=8\n"));
  struct Case { const char* value; int bval; int blist; };
  const Case cases[] = {{"Тула", 7, 1}, {"ТУЛА", 7, 1}, {"Тула-2", -1, -1}};
  for (const Case& c : cases) {
    TTable t(env.ctx);
    t.LoadFromFile(env.dir.Write("F.ini", Win(kForm)));
    TCell& list = *CellByNumber(t.data, 4);
    list.label.caption = Win(c.value);
    const std::string saved = t.SaveText();
    EXPECT_EQ(list.BVal, c.bval) << c.value;
    EXPECT_EQ(list.BList, c.blist) << c.value;
    EXPECT_EQ(list.ListCode, 42);
    EXPECT_NE(saved.find(Win("List=Города.lst доп\nListCode=42\nDirectInput=1\n")), std::string::npos);
  }
  // An unreadable list leaves the codes alone and the list code unknown.
  TableContext other = env.ctx;
  other.listFolder = env.dir / "nowhere/";
  TTable t(other);
  t.LoadFromFile(env.dir.Write("F.ini", Win(kForm)));
  TCell& list = *CellByNumber(t.data, 4);
  list.label.caption = "changed";
  t.SaveText();
  EXPECT_EQ(list.BVal, 7);
  EXPECT_EQ(list.ListCode, -1);
}

TEST(ReloadTest, ReloadKeepsTheOwnPathAndRecalculates) {
  Env env;
  const std::string own = env.dir.Write("T.ini", Win(kGrowing));
  env.dir.Write("TabIni/t.INI", Win(kForm));
  TTable t(env.ctx);
  t.LoadFromFile(own);
  env.hooks.calls.clear();

  EXPECT_FALSE(t.ReloadFrom(env.dir / "absent.ini"));
  EXPECT_TRUE(t.grid);
  EXPECT_TRUE(env.hooks.calls.empty());

  env.ui.answers = {kYes};
  ASSERT_TRUE(t.ReloadCleanTable());
  EXPECT_FALSE(t.grid);
  EXPECT_EQ(t.filePath, own);
  EXPECT_TRUE(t.Modified());
  EXPECT_FALSE(env.hooks.Loading());
  EXPECT_EQ(env.hooks.calls, (std::vector<std::string>{"map add t.INI", "map remove t.INI",
                                                       "recalc deep", "check", "modified",
                                                       "report changed"}));
  ASSERT_EQ(env.ui.messages.size(), 1u);
  EXPECT_EQ(env.ui.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(env.ui.messages[0].text,
            Win("Будет загружена чистая таблица. Все изменения в таблице будут потеряны. Выполнить?"));

  t.SaveToFile(t.filePath, false);
  TTable back(env.ctx);
  back.LoadFromFile(own);
  EXPECT_FALSE(back.grid);  // the reloaded content went to the table's own file
}

TEST(ReloadTest, MessagesWhenNothingCanBeReloaded) {
  Env env;
  const std::string own = env.dir / "Нет.ini";
  TTable t(env.ctx);
  t.LoadFromFile(own);

  env.ui.answers = {kNo};
  EXPECT_FALSE(t.ReloadCleanTable());
  EXPECT_EQ(env.ui.messages.size(), 1u);

  env.ui.answers = {kYes};
  EXPECT_FALSE(t.ReloadCleanTable());
  ASSERT_EQ(env.ui.messages.size(), 3u);
  EXPECT_EQ(env.ui.messages[2].kind, MessageKind::Error);
  EXPECT_EQ(env.ui.messages[2].text, Win("Отсутствует эталон таблицы \"Нет.ini\"."));

  env.ui.answers = {kYes};
  EXPECT_FALSE(t.ReloadLastEdition());
  ASSERT_EQ(env.ui.messages.size(), 5u);
  EXPECT_EQ(env.ui.messages[3].text,
            Win("Будет загружен сохраненный вариант таблицы. Последние изменения в таблице будут "
                "потеряны. Выполнить?"));
  EXPECT_EQ(env.ui.messages[4].text, Win("Отсутствует сохраненный вариант таблицы \"" + own + "\"."));
}

}  // namespace
}  // namespace rpt
