// The recalculation after an edit computes only the formula cells whose
// inputs changed. Two copies of one report are edited alike, one with the
// dependency index and one computing every formula of the table each time;
// after every step all cell texts, statuses and protocols must agree.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/calc/checking_engine.h"
#include "core/calc/recalc.h"
#include "core/foundation/codec.h"
#include "core/foundation/folders.h"
#include "core/report/report_state.h"
#include "core/tables/row_operations.h"
#include "core/tables/table.h"
#include "support/scripted_interaction.h"
#include "support/temp_folder.h"
#include "support/text.h"

namespace rpt {
namespace {

using namespace literals;
using testing::ScriptedInteraction;
using testing::TempFolder;
using testing::Win;

// A report read in place, as reportctl reads one.
struct Copy {
  ScriptedInteraction ui;
  TCheckingEngine engine{&ui};
  std::unique_ptr<TReportState> state;

  Copy(const std::string& folder, const std::string& rules, bool incremental) {
    FolderSet f = FolderSet::FromProgramFolder(folder);
    f.working = folder;
    f.lists = folder;
    f.templates = rules.empty() ? folder : rules;
    engine.recalc().SetIncremental(incremental);
    engine.checker().SetIncremental(incremental);
    state = std::make_unique<TReportState>(f, ui, &engine);
    state->lockReports = false;
    state->ReadUnpackedReport();
  }
  TTable& Table(std::size_t i) { return *state->tables()[i].table; }
};

std::string Texts(TTable& t) {
  std::string out;
  const auto section = [&out](const std::vector<std::unique_ptr<TCell>>& cells) {
    for (const auto& c : cells) out += c->label.caption + '|';
    out += '\n';
  };
  section(t.header.cells);
  section(t.footer.cells);
  for (const auto& row : t.data.rows) section(row->cells);
  return out;
}

void ExpectSame(Copy& a, Copy& b, const std::string& step) {
  ASSERT_EQ(a.state->tables().size(), b.state->tables().size());
  for (std::size_t i = 0; i < a.state->tables().size(); ++i) {
    TTable& x = a.Table(i);
    TTable& y = b.Table(i);
    ASSERT_EQ(Texts(x), Texts(y)) << step << ": table " << x.tableName;
    ASSERT_EQ(x.status, y.status) << step << ": table " << x.tableName;
    ASSERT_EQ(a.engine.checker().Protocol(x), b.engine.checker().Protocol(y)) << step << ": table " << x.tableName;
  }
  ASSERT_EQ(a.ui.messages.size(), b.ui.messages.size()) << step;
}

// What a user may type into a cell of the type.
std::string RandomValue(std::mt19937& rnd, std::uint8_t type) {
  const int pick = static_cast<int>(rnd() % 10);
  if (pick == 0) return "";
  switch (type) {
    case cell_type::kInteger: return std::to_string(static_cast<int>(rnd() % 200) - 20);
    case cell_type::kReal: return std::to_string(rnd() % 1000) + "," + std::to_string(rnd() % 10);
    case cell_type::kDate: return "0" + std::to_string(1 + rnd() % 9) + ".03.2023";
    default: return pick < 5 ? std::string("текст"_w) : std::to_string(rnd() % 50);
  }
}

bool Editable(const TCell& c) {
  switch (c.type) {
    case cell_type::kText: case cell_type::kInteger: case cell_type::kReal: case cell_type::kDate:
    case cell_type::kListValue: case cell_type::kLongText:
      return true;
    default:
      return false;
  }
}

// The editable cells of a table as (row index, cell index); row index -2
// for the footer.
std::vector<std::pair<int, int>> EditableCells(TTable& t) {
  std::vector<std::pair<int, int>> out;
  for (std::size_t r = 0; r < t.data.rows.size(); ++r)
    for (std::size_t c = 0; c < t.data.rows[r]->cells.size(); ++c)
      if (Editable(*t.data.rows[r]->cells[c]) && (r > 0 || !t.grid)) out.emplace_back(int(r), int(c));
  for (std::size_t c = 0; c < t.footer.cells.size(); ++c)
    if (Editable(*t.footer.cells[c])) out.emplace_back(-2, int(c));
  return out;
}

TCell& CellAt(TTable& t, std::pair<int, int> at) {
  if (at.first == -2) return *t.footer.cells[std::size_t(at.second)];
  return *t.data.rows[std::size_t(at.first)]->cells[std::size_t(at.second)];
}

// Random edits, now and then a report-wide recalculation, a deep pass of
// one table (as when its window becomes active) or a row inserted or
// deleted in a growing table.
void EditAlike(Copy& a, Copy& b, int steps, unsigned seed) {
  std::mt19937 rnd(seed);
  const std::size_t tables = a.state->tables().size();
  ASSERT_GT(tables, 0u);
  ExpectSame(a, b, "after loading");
  for (int step = 0; step < steps; ++step) {
    const std::size_t ti = rnd() % tables;
    TTable& x = a.Table(ti);
    TTable& y = b.Table(ti);
    const int what = static_cast<int>(rnd() % 100);
    std::string label = "step " + std::to_string(step) + " (seed " + std::to_string(seed) + ")";
    if (what < 2) {
      a.engine.RecalcAllTables();
      b.engine.RecalcAllTables();
      label += " whole report";
    } else if (what < 5) {
      x.hooks().RecalcTable(x, true, false);
      y.hooks().RecalcTable(y, true, false);
      label += " deep pass of " + x.tableName;
    } else if (what < 8 && x.growing && x.RowCount > 0) {
      const int r = 1 + static_cast<int>(rnd() % static_cast<unsigned>(x.RowCount));
      const bool insert = x.RowCount < 3 || rnd() % 2 == 0;
      for (TTable* t : {&x, &y}) {
        if (insert) InsertEmptyRow(*t, r);
        else DeleteRow(*t, r, false);
        t->hooks().RecalcTable(*t, false, true);
      }
      label += (insert ? " row inserted in " : " row deleted in ") + x.tableName;
    } else {
      const auto cells = EditableCells(x);
      if (cells.empty()) continue;
      const auto at = cells[rnd() % cells.size()];
      const std::string value = RandomValue(rnd, CellAt(x, at).type);
      CellAt(x, at).SetValue(value);
      CellAt(y, at).SetValue(value);
      label += " edit of " + x.tableName;
    }
    ExpectSame(a, b, label);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// The installation staged in Windows-1251; its TabIni holds the rules.
std::string StageInstallation(const TempFolder& dir) {
  const std::string script = std::string(REPORT_SOURCE_DIR) + "/data/tools/installation/stage.py";
  const std::string cmd = "python3 '" + script + "' '" + (dir / "staging") + "' >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0 ? dir / "staging/TabIni/" : std::string();
}

TEST(IncrementalRecalc, RandomEditsOfTheDemoReportGiveTheResultsOfWholePasses) {
  TempFolder dir;
  const std::string rules = StageInstallation(dir);
  const std::string script = std::string(REPORT_SOURCE_DIR) + "/data/tools/installation/gen_demo.py";
  if (rules.empty() || std::system(("python3 '" + script + "' '" + (dir / "gen") + "' >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << "the demo report could not be generated (python3)";
  const std::string folder = dir / "gen/Demo2022/";
  Copy a(folder, rules, true);
  Copy b(folder, rules, false);
  ASSERT_TRUE(a.state->treeVisible);
  EditAlike(a, b, 1500, 1);
  // The index did its job: an edit left most formulas alone.
  EXPECT_LT(a.engine.recalc().dependencyIndex().StaleCount(), 200u);
}

// Generated reports: grid tables with sums of every code, expressions over
// the same table and other tables, text copies, growing tables; random
// formulas may form cycles or fail, which the index must survive.
std::string GeneratedTable(std::mt19937& rnd, int tables) {
  const int rows = 2 + static_cast<int>(rnd() % 5), cols = 3 + static_cast<int>(rnd() % 4);
  const bool growing = rnd() % 3 == 0;
  std::string cells;
  int n = 2;
  const auto cell = [&](int r, int c, int type, const std::string& form, int dec, const std::string& cap) {
    cells += "[Cell_" + std::to_string(n++) + "]\r\nState=D\r\nType=" + std::to_string(type) + "\r\nCol=" +
             std::to_string(c) + "\r\nRow=" + std::to_string(r) + "\r\n";
    if (!form.empty()) cells += "Form=" + form + "\r\nDec=" + std::to_string(dec) + "\r\n";
    cells += "Vis=0 0 10 10 5 0\r\nCap=" + cap + "\r\n\r\n";
  };
  const auto ref = [&] { return "(" + std::to_string(1 + rnd() % rows) + ":" + std::to_string(1 + rnd() % cols) + ")"; };
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= cols; ++c) {
      const int kind = static_cast<int>(rnd() % 10);
      if (c == 1 && growing) cell(r, c, 1, "", 0, "name");
      else if (kind < 5) cell(r, c, kind < 4 ? 2 : 3, "", 0, std::to_string(rnd() % 20));
      else if (kind == 5) cell(r, c, 7, std::to_string(rnd() % 7) + (rnd() % 2 ? " 0" : " 1") + (rnd() % 2 ? " 1 -2" : ""), 1, "");
      else if (kind == 6) cell(r, c, 7, "8 0 " + ref() + "+" + ref() + "*2", 0, "");
      else if (kind == 7) {
        const std::string other = "G" + std::to_string(rnd() % tables);
        cell(r, c, 7, "7 0 " + other + "[" + ref() + "]+" + other + "[(" + std::to_string(2 + rnd() % 8) + ")]", 2, "");
      } else if (kind == 8) cell(r, c, 7, rnd() % 2 ? "8 0 " + ref() : "7 0 G" + std::to_string(rnd() % tables) + "[" + ref() + "]", -1, "");
      else cell(r, c, 7, "8 0 " + ref() + "/" + ref(), 3, "");  // may divide by zero
    }
  return "[Table]\r\nFixed=1\r\nRowCount=" + std::to_string(rows) + "\r\nColCount=" + std::to_string(cols) +
         "\r\nCount=" + std::to_string(n - 2) + (growing ? "\r\nBL1=310000000" : "") + "\r\n\r\n" + cells;
}

TEST(IncrementalRecalc, RandomEditsOfGeneratedReportsGiveTheResultsOfWholePasses) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    TempFolder dir;
    std::mt19937 rnd(seed);
    const int tables = 2 + static_cast<int>(rnd() % 4);
    std::string items;
    for (int i = 0; i < tables; ++i) {
      items += "[Пункт_1_" + std::to_string(i + 1) + "]\nНазвание=Таблица " + std::to_string(i) +
               "\nТип=0\nФайл=G" + std::to_string(i) + ".ini\n\n";
      dir.Write("rep/G" + std::to_string(i) + ".ini", GeneratedTable(rnd, tables));
    }
    dir.Write("rep/R.str", Win("[Отчет]\nНазвание=Отчет\nКоличество_разделов=1\nВерсия=23_00_22\n\n"
                               "[Раздел_1]\nНазвание=Раздел\nКоличество_пунктов=" + std::to_string(tables) +
                               "\nУдален=0\n\n" + items));
    dir.Write("rep/Check.chk", "[G0]\r\nCount=2\r\n1=(1 2) >= (1 3);Меньше\r\n2=(*,2) | (*,3)\r\n\r\n"_w);
    Copy a(dir / "rep/", "", true);
    Copy b(dir / "rep/", "", false);
    ASSERT_TRUE(a.state->treeVisible) << "seed " << seed;
    EditAlike(a, b, 150, seed);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace rpt
