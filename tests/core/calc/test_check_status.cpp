// Table status, the protocol window's model, the summaries and the entry
// points of checking.
#include <gtest/gtest.h>

#include "check_test_tables.h"
#include "core/calc/check_status.h"
#include "core/calc/checking_engine.h"
#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/calc/structure.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"

namespace rpt::checks {
namespace {

using testing::CellSpec;
using testing::ToUtf8;
namespace ct = cell_type;

TEST(IsTableEmptyTest, WhichCellsHoldData) {
  struct Case {
    CellSpec cell;
    bool empty;
  } cases[] = {
      {{ct::kCaption, "Итого"}, true}, {{ct::kColumnNumber, "3"}, true},
      {{ct::kRowNumber, "1"}, true},   {{ct::kTitle, "Т"}, true},
      {{ct::kTableNumber, "1"}, true}, {{ct::kDisplayOnly, "x"}, true},
      {{ct::kText, "  "}, true},       {{ct::kText, "a"}, false},
      {{ct::kDate, "01.01.2023"}, false}, {{ct::kLongText, "a"}, false},
      {{ct::kListValue, "a"}, false},  {{ct::kCountsAsInput, "a"}, false},
      {{ct::kInteger, "0"}, true},     {{ct::kInteger, "x"}, true},
      {{ct::kInteger, "-1"}, false},   {{ct::kReal, "0,00"}, true},
      {{ct::kFormula, "0,00"}, true},  {{ct::kFormula, "0,01"}, false},
      {{ct::kFormula, ""}, true},      {{14, ""}, false},
  };
  TableContext context;
  for (const Case& c : cases) {
    auto form = testing::MakeFormTable(context, "/r/F.ini", {{ct::kText, ""}, c.cell});
    auto grid = testing::MakeGridTable(context, "/r/G.ini", {{{ct::kInteger, "0"}, c.cell}});
    EXPECT_EQ(IsTableEmpty(*form), c.empty) << int(c.cell.type) << " " << c.cell.text;
    EXPECT_EQ(IsTableEmpty(*grid), c.empty) << int(c.cell.type) << " " << c.cell.text;
  }
  // The buffer row of a grid table is not data.
  auto grid = testing::MakeNumberGrid(context, "/r/G.ini", {{"0"}});
  grid->data.rows[0]->cells[0]->label.caption = "5";
  EXPECT_TRUE(IsTableEmpty(*grid));
}

struct RecordingObserver : CheckObserver {
  std::vector<std::pair<TTable*, int>> statuses;
  std::vector<bool> actions;
  int protocolChanges = 0;
  bool lastShowing = false;
  void TableStatusChanged(TTable& t, std::uint8_t s) override { statuses.emplace_back(&t, s); }
  void CheckActionEnabled(TTable&, bool enabled) override { actions.push_back(enabled); }
  void ProtocolChanged(const ProtocolView& v) override {
    ++protocolChanges;
    lastShowing = v.showing;
  }
};

// A report of three tables in loading order: "Kadry" (grid, with rules),
// "Podr" (growing), "Org" (form, without rules).
class CheckStatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string chk = Utf8ToCp1251(
        "[Kadry]\r\nCount=2\r\n1=(* 1) >= (* 2);Женщин больше, чем всех\r\n2=(1 3) = Org(4)\r\n\r\n"
        "[Org]\r\nCount=0\r\n");
    checker.OpenRules(dir.Write("Check.chk", chk));
    kadry = testing::MakeNumberGrid(context, dir / "Kadry.ini", {{"0", "0", "0"}, {"0", "0", "0"}});
    podr = testing::MakeGridTable(context, dir / "Podr.ini",
                                  {{{ct::kText, ""}, {ct::kInteger, ""}},
                                   {{ct::kText, ""}, {ct::kInteger, ""}}},
                                  /*growing=*/true);
    org = testing::MakeFormTable(context, dir / "Org.ini",
                                 {{ct::kCaption, "Организация"}, {ct::kText, ""}, {ct::kInteger, ""}});
    for (TTable* t : {kadry.get(), podr.get(), org.get()}) t->hasRules = checker.HasRules(t->tableName);
    checker.SetTables({{kadry.get(), Utf8ToCp1251("2.1. Кадры")},
                       {podr.get(), Utf8ToCp1251("1.2. Подразделения")},
                       {org.get(), Utf8ToCp1251("1.1. Организация")}});
    checker.AddObserver(&observer);
  }
  void Set(TTable& t, int row, int col, std::string_view utf8) {
    t.data.rows[static_cast<std::size_t>(row)]->cells[static_cast<std::size_t>(col - 1)]->label.caption =
        Utf8ToCp1251(utf8);
  }

  testing::TempFolder dir;
  TableContext context;
  TableChecker checker;
  RecordingObserver observer;
  std::unique_ptr<TTable> kadry, podr, org;
};

TEST_F(CheckStatusTest, StatusFromRulesRowsAndEmptiness) {
  EXPECT_TRUE(kadry->hasRules);
  EXPECT_FALSE(org->hasRules);
  EXPECT_TRUE(checker.CheckAllTables());
  EXPECT_EQ(kadry->status, kEmpty);
  EXPECT_EQ(podr->status, kEmpty);
  EXPECT_EQ(org->status, kEmpty);

  Set(*kadry, 1, 1, "5");
  Set(*kadry, 1, 2, "3");
  Set(*kadry, 2, 2, "4");  // row 2: 0 >= 4 fails
  Set(*kadry, 1, 3, "7");  // Org cell 4 read through the offset: cell 2 is the caption, 0
  Set(*org, 0, 2, "ООО");
  Set(*podr, 1, 1, "Отдел");
  EXPECT_FALSE(checker.CheckAllTables());
  EXPECT_EQ(kadry->status, kErrors);
  EXPECT_EQ(ToUtf8(checker.Protocol(*kadry)),
            (std::vector<std::string>{"1. Ячейка (2-1): Женщин больше, чем всех",
                                      "2. Условие  (1 3) = Org(4)  не выполняется."}));
  EXPECT_EQ(podr->status, kErrors);
  EXPECT_EQ(ToUtf8(checker.Protocol(*podr)),
            std::vector<std::string>{
                "1. Строка 1 имеет заполненные текстовые ячейки, но не содержит данных."});
  EXPECT_EQ(org->status, kNorm);
  EXPECT_TRUE(checker.Protocol(*org).empty());

  // An error inside the checks: status 3 with the messages made so far.
  Set(*podr, 1, 2, "12");
  Set(*podr, 2, 1, "Сектор");
  Set(*podr, 2, 2, "много");
  EXPECT_EQ(checker.UpdateTableStatus(*podr), kErrors);
  EXPECT_TRUE(checker.Protocol(*podr).empty());
  Set(*podr, 2, 2, "1");
  EXPECT_EQ(checker.UpdateTableStatus(*podr), kNorm);
}

// The cells a message names, the remark marks they carry while it stands,
// and the report-mode lines mapped back to their messages.
TEST_F(CheckStatusTest, MessagesNameTheirCellsAndMarkThem) {
  Set(*kadry, 2, 2, "4");  // row 2: 0 >= 4 fails
  Set(*kadry, 1, 3, "7");  // 7 = Org(4), which reads cell 2: fails
  Set(*podr, 1, 1, "Отдел");
  EXPECT_FALSE(checker.CheckAllTables());
  ASSERT_EQ(checker.Protocol(*kadry).size(), 2u);
  using Cells = std::vector<RemarkCell>;
  EXPECT_EQ(checker.MessageCells(*kadry, 0), (Cells{{kadry.get(), {2, 1}}, {kadry.get(), {2, 2}}}));
  EXPECT_EQ(checker.MessageCells(*kadry, 1), (Cells{{kadry.get(), {1, 3}}, {org.get(), {0, 1}}}));
  EXPECT_EQ(Cp1251ToUtf8(checker.Explanations(*kadry)[1].values), "7 = 0");
  EXPECT_EQ(checker.MessageCells(*podr, 0), (Cells{{podr.get(), {1, 1}}, {podr.get(), {1, 2}}}));
  EXPECT_TRUE(checker.Explanations(*podr)[0].values.empty());
  EXPECT_EQ(checker.RemarkedCells(*kadry), (std::vector<CellPos>{{1, 3}, {2, 1}, {2, 2}}));
  EXPECT_TRUE(kadry->data.rows[2]->cells[1]->label.remarked);
  EXPECT_FALSE(kadry->data.rows[1]->cells[0]->label.remarked);
  EXPECT_TRUE(checker.RemarkedCells(*org).empty()) << "another table's message marks none of its cells";

  checker.ShowProtocol(nullptr, false);
  const ProtocolView& view = checker.protocolView();
  ASSERT_EQ(view.lines.size(), 2u + 2u + 3u + 1u);  // caption, dashes, two messages; blanks, caption, dashes, one
  EXPECT_EQ(checker.LineMessage(1), (std::pair<TTable*, int>{nullptr, -1}));
  EXPECT_EQ(checker.LineMessage(3), (std::pair<TTable*, int>{kadry.get(), 1}));
  EXPECT_EQ(checker.LineMessage(7), (std::pair<TTable*, int>{podr.get(), 0}));
  EXPECT_EQ(view.details[3], checker.Explanations(*kadry)[1].values);
  checker.SelectProtocolLine(3);
  EXPECT_EQ(view.selectedCells, checker.MessageCells(*kadry, 1));

  // Mended: the marks go with the messages.
  Set(*kadry, 2, 2, "0");
  Set(*kadry, 1, 3, "0");
  checker.CloseProtocol();
  checker.UpdateTableStatus(*kadry);
  EXPECT_TRUE(checker.RemarkedCells(*kadry).empty());
  EXPECT_FALSE(kadry->data.rows[2]->cells[1]->label.remarked);
}

TEST_F(CheckStatusTest, ObserversHearChangesOnly) {
  checker.UpdateTableStatus(*org);
  checker.UpdateTableStatus(*org);
  Set(*org, 0, 3, "1");
  checker.UpdateTableStatus(*org);
  EXPECT_EQ(observer.statuses,
            (std::vector<std::pair<TTable*, int>>{{org.get(), kEmpty}, {org.get(), kNorm}}));
  EXPECT_EQ(observer.actions, (std::vector<bool>{false, false, false}));
  Set(*kadry, 2, 2, "1");
  checker.UpdateTableStatus(*kadry);
  EXPECT_EQ(observer.actions.back(), true);
  EXPECT_EQ(observer.protocolChanges, 0);  // the window is not showing
}

TEST_F(CheckStatusTest, ReportProtocolAndTargets) {
  Set(*kadry, 2, 2, "1");
  Set(*podr, 2, 1, "Отдел");
  checker.CheckAllTables();
  checker.ShowProtocol(nullptr, true);
  const ProtocolView& view = checker.protocolView();
  EXPECT_TRUE(view.showing);
  EXPECT_TRUE(view.modal);
  EXPECT_EQ(view.mode, ProtocolMode::Report);
  const std::string dashes(35, '-');
  EXPECT_EQ(ToUtf8(view.lines),
            (std::vector<std::string>{
                "2.1. Кадры", dashes, "1. Ячейка (2-1): Женщин больше, чем всех", "  ",
                "1.2. Подразделения", dashes,
                "1. Строка 2 имеет заполненные текстовые ячейки, но не содержит данных."}));
  // The first line is selected on showing.
  EXPECT_EQ(view.selected, 0);
  EXPECT_EQ(Cp1251ToUtf8(view.targetCaption.value_or("")), "2.1. Кадры");
  struct Case {
    int line;
    std::string_view target;  // empty: none
  } cases[] = {{1, "2.1. Кадры"}, {2, "2.1. Кадры"}, {3, ""}, {5, "1.2. Подразделения"},
               {6, "1.2. Подразделения"}};
  for (const Case& c : cases) {
    checker.SelectProtocolLine(c.line);
    EXPECT_EQ(Cp1251ToUtf8(view.targetCaption.value_or("")), c.target) << c.line;
    EXPECT_EQ(view.tableButtonEnabled, !c.target.empty()) << c.line;
  }
  // A caption followed by ":" still names its table.
  const std::vector<std::string> lines{"A:", "-----", "1. x", "  ", "B"};
  const auto isCaption = [](std::string_view c) { return c == "A" || c == "B"; };
  EXPECT_EQ(TargetCaption(lines, 2, isCaption), "A");
  EXPECT_EQ(TargetCaption(lines, 3, isCaption), std::nullopt);
  EXPECT_EQ(TargetCaption(lines, 4, isCaption), "B");

  StructureModel model;
  model.sections.resize(2);
  model.sections[0].items.push_back({Utf8ToCp1251("1.1. Организация")});
  model.sections[1].items.push_back({Utf8ToCp1251("2.1. Кадры")});
  EXPECT_EQ(FindTargetItem(model, Utf8ToCp1251("2.1. Кадры")), std::make_pair(std::size_t{1}, std::size_t{0}));
  EXPECT_EQ(FindTargetItem(model, "x"), std::nullopt);

  // A file for a person to read on this desktop: UTF-8, LF.
  EXPECT_EQ(checker.ProtocolFileText().substr(0, std::string("2.1. Кадры\n").size()), "2.1. Кадры\n");
  EXPECT_EQ(checker.ProtocolFileText().find('\r'), std::string::npos);
  ASSERT_EQ(checker.WriteProtocolFile(dir / "T.txt"), "");
  EXPECT_EQ(testing::ReadFile(dir / "T.txt"), checker.ProtocolFileText());
}

TEST_F(CheckStatusTest, TableModeHighlightsAndFollowsTheStatus) {
  Set(*kadry, 2, 2, "1");
  checker.UpdateTableStatus(*kadry);
  ASSERT_TRUE(checker.CheckTableAction(*kadry));
  const ProtocolView& view = checker.protocolView();
  EXPECT_EQ(view.mode, ProtocolMode::Table);
  EXPECT_EQ(view.currentTable, kadry.get());
  EXPECT_FALSE(view.modal);
  EXPECT_FALSE(view.tableButtonEnabled);
  // "1. Ячейка (2-1): ..." is selected: cell row 2, column 1.
  EXPECT_EQ(view.highlighted, (std::vector<HighlightAddress>{{2, 1, 0}}));
  EXPECT_TRUE(kadry->data.rows[2]->cells[0]->label.selected);
  EXPECT_TRUE(observer.lastShowing);

  // A table whose status becomes 3 refreshes the window in table mode ...
  Set(*podr, 1, 1, "Отдел");
  checker.UpdateTableStatus(*podr);
  EXPECT_EQ(view.currentTable, podr.get());
  EXPECT_FALSE(kadry->data.rows[2]->cells[0]->label.selected);
  EXPECT_EQ(view.highlighted, (std::vector<HighlightAddress>{{1, 1, 0}, {1, 2, 0}}));
  EXPECT_TRUE(podr->data.rows[1]->cells[1]->label.selected);
  // ... and one that becomes norm or empty closes it.
  Set(*podr, 1, 1, "");
  checker.UpdateTableStatus(*podr);
  EXPECT_FALSE(view.showing);
  EXPECT_FALSE(observer.lastShowing);
  EXPECT_FALSE(podr->data.rows[1]->cells[1]->label.selected);
  EXPECT_FALSE(checker.CheckTableAction(*podr));
  EXPECT_FALSE(view.showing);
}

TEST(HighlightAddressesTest, LinesAndTheirCells) {
  struct Case {
    std::string_view line;
    std::vector<HighlightAddress> cells;
  } cases[] = {
      {"2. Ячейка (3-4): Мало", {{3, 4, 0}}},
      {"1. Ячейка (5): Не указано наименование", {{0, 0, 5}}},
      {"1. Строка 7 имеет заполненные текстовые ячейки, но не содержит данных.",
       {{7, 1, 0}, {7, 2, 0}, {7, 3, 0}}},
      {"1. Ячейка T1(3-4): x", {}},
      {"1. Условие  (3 4) > 1  не выполняется.", {}},
      {"2.1. Кадры", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HighlightAddresses(Utf8ToCp1251(c.line), 3), c.cells) << c.line;
  EXPECT_THROW(HighlightAddresses(Utf8ToCp1251("1. Ячейка (3,4): x"), 3), EConvertError);
  EXPECT_THROW(HighlightAddresses(Utf8ToCp1251("1. Ячейка (3-x): x"), 3), EConvertError);
}

TEST_F(CheckStatusTest, SummaryDialogs) {
  Set(*kadry, 2, 2, "1");
  Set(*podr, 2, 1, "Отдел");
  checker.CheckAllTables();
  EXPECT_EQ(ToUtf8(checker.ErrorsSummaryLines()),
            (std::vector<std::string>{"   ", "Обнаружены некорректные соотношения в следующих таблицах:",
                                      std::string(54, '_'), "   ", "  1. 2.1. Кадры",
                                      "  2. 1.2. Подразделения", "   "}));
  EXPECT_EQ(ToUtf8(checker.ErrorsSummaryLines())[kErrorsSummaryFirstTableLine], "  1. 2.1. Кадры");
  EXPECT_EQ(ToUtf8(checker.EmptySummaryLines()),
            (std::vector<std::string>{"   ", "Следующие таблицы отчета не содержат данных:",
                                      std::string(41, '_'), "   ", "  1. 1.1. Организация", "   "}));
  EXPECT_EQ(Cp1251ToUtf8(texts::kErrorsExplanation),
            "Если замечания в перечисленных ниже таблицах устранить нельзя, то нажмите клавишу "
            "\"Отправить с замечаниями\".\nДля устранения замечаний нажмите клавишу \"Отменить "
            "отправку\".\nКлавиша \"Подробности\" позволит увидеть перечень некорректных "
            "соотношений параметров для каждой таблицы.");
}

TEST_F(CheckStatusTest, EntryPoints) {
  testing::ScriptedInteraction ui;
  EXPECT_TRUE(checker.CheckReport(ui));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].kind, MessageKind::Information);
  EXPECT_EQ(Cp1251ToUtf8(ui.messages[0].text), "Отчет ошибок не содержит.");

  Set(*kadry, 2, 2, "1");
  ui.answers = {kNo, kYes};
  EXPECT_FALSE(checker.CheckReport(ui));
  EXPECT_EQ(ui.messages[1].kind, MessageKind::Confirmation);
  EXPECT_EQ(ui.messages[1].buttons, unsigned(kYes | kNo));
  EXPECT_EQ(Cp1251ToUtf8(ui.messages[1].text),
            "В отчете обнаружены неточности. Показать протокол проверки?");
  EXPECT_FALSE(checker.protocolView().showing);
  checker.CheckReport(ui);
  EXPECT_TRUE(checker.protocolView().showing);
  EXPECT_TRUE(checker.protocolView().modal);
  EXPECT_EQ(checker.protocolView().mode, ProtocolMode::Report);
  checker.CloseProtocol();

  // "Светофоры" does nothing while a sub-report's structure is defined.
  Set(*kadry, 2, 2, "0");
  checker.Svetofors(true);
  EXPECT_EQ(kadry->status, kErrors);
  checker.Svetofors(false);
  EXPECT_EQ(kadry->status, kEmpty);
  // Activating a table refreshes it only when it has rules.
  Set(*kadry, 2, 2, "1");
  Set(*org, 0, 3, "1");
  checker.TableActivated(*org);
  checker.TableActivated(*kadry);
  EXPECT_EQ(org->status, kEmpty);
  EXPECT_EQ(kadry->status, kErrors);
  checker.ReportLoaded();
  EXPECT_EQ(org->status, kNorm);
}

TEST_F(CheckStatusTest, OtherTablesAreFoundInTheOwnersFolderOnly) {
  EXPECT_EQ(checker.FindTable(*kadry, "ORG.INI"), org.get());
  EXPECT_EQ(checker.FindTable(*kadry, "org.ini"), org.get());
  EXPECT_EQ(checker.FindTable(*kadry, "ORG"), nullptr);
  auto elsewhere = testing::MakeNumberGrid(context, "/elsewhere/X.ini", {{"1"}});
  EXPECT_EQ(checker.FindTable(*elsewhere, "ORG.INI"), nullptr);
}

TEST_F(CheckStatusTest, TheEngineForwardsHooksAndLearnsTablesOnAttach) {
  TOpenTables open;
  TMapTables map;
  TCheckingEngine engine(open, map, nullptr);
  engine.OpenCheckRules(dir / "Check.chk");
  engine.OpenCheckRules(dir / "Other.chk");  // kept open from the first load
  EXPECT_EQ(engine.checker().rules().Path(), dir / "Check.chk");
  EXPECT_TRUE(engine.HasRules("KADRY"));
  EXPECT_FALSE(engine.HasRules("Org"));
  ReportEngineView view;
  view.workingFolder = dir.path();
  view.map = &map;
  view.tables = {{kadry.get(), "K"}, {org.get(), "O"}};
  engine.Attach(view);
  EXPECT_EQ(engine.checker().tables().size(), 2u);
  // Org(4) is found through the checker's own table list.
  Set(*kadry, 1, 3, "1");
  engine.RefreshStatuses();
  EXPECT_EQ(kadry->status, kErrors);
  EXPECT_EQ(org->status, kEmpty);
  // An edit goes through the model, which tells the engine what changed.
  TableHooks* before = context.hooks;
  context.hooks = &engine;
  kadry->data.rows[1]->cells[2]->SetValue("0");
  static_cast<TableHooks&>(engine).CheckTable(*kadry);
  EXPECT_EQ(kadry->status, kEmpty);
  context.hooks = before;
  engine.ReleaseCheckRules();
  EXPECT_FALSE(engine.HasRules("Kadry"));
}

}  // namespace
}  // namespace rpt::checks
