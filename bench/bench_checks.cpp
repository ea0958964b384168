// CheckAllTables on a generated report of 200 tables with 2,000 rules:
// 50 grid tables of 500 rows by 8 columns carry 10 row rules each (a
// quarter of the rules, 250,000 row tests) and are growing tables, so the
// row consistency runs over them too; 150 smaller tables (100 grids of 20
// rows, 50 forms of 40 cells) carry 10 single rules each, a third of them
// reading another table. About one row test in twenty fails, so the
// protocols fill as well. Target: under 200 ms.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/calc/check_status.h"
#include "core/foundation/file_io.h"
#include "core/tables/table.h"
#include "core/tables/table_model.h"
#include "scratch_folder.h"

namespace {

using namespace rpt;

struct Report {
  rpt::bench::ScratchFolder scratch{"bench_checks"};
  const std::string& folder = scratch.path();
  TableContext context;
  std::vector<std::unique_ptr<TTable>> tables;
  checks::TableChecker checker;
  std::size_t rules = 0, rowRules = 0;

  TTable& NewGrid(const std::string& name, int rows, int cols, bool growing, std::mt19937& rng) {
    auto t = std::make_unique<TTable>(context);
    t->filePath = folder + name + ".ini";
    t->tableName = name;
    t->grid = true;
    t->growing = growing;
    t->RowCount = rows;
    t->ColCount = cols;
    for (int r = 0; r <= rows; ++r) AppendRow(t->data, cols, t.get(), true);
    for (int r = 1; r <= rows; ++r)
      for (int c = 1; c <= cols; ++c) {
        TCell& cell = *CellAt(*t->data.rows[static_cast<std::size_t>(r)], c);
        cell.Row = r;
        cell.Col = c;
        if (c == 1) {
          cell.type = cell_type::kText;
          cell.label.caption = "Name " + std::to_string(r);
        } else {
          // Column 2 holds the largest value, so "(* 2) >= (* c)" mostly holds.
          cell.type = c == 3 ? cell_type::kReal : cell_type::kInteger;
          const int v = c == 2 ? 1000 + static_cast<int>(rng() % 100) : static_cast<int>(rng() % 1050);
          cell.label.caption = c == 3 ? std::to_string(v) + ",5" : std::to_string(v);
        }
      }
    if (!growing) NumberCells(*t);
    tables.push_back(std::move(t));
    return *tables.back();
  }

  TTable& NewForm(const std::string& name, int cells, std::mt19937& rng) {
    auto t = std::make_unique<TTable>(context);
    t->filePath = folder + name + ".ini";
    t->tableName = name;
    t->data.rows.push_back(std::make_unique<TRow>());
    for (int i = 0; i < cells; ++i) {
      TCell& cell = *AddCell(*t->data.rows[0], t.get(), true);
      cell.type = i % 4 == 0 ? cell_type::kText : cell_type::kInteger;
      cell.label.caption = i % 4 == 0 ? "text" : std::to_string(rng() % 500);
    }
    NumberCells(*t);
    tables.push_back(std::move(t));
    return *tables.back();
  }

  Report() {
    std::mt19937 rng(20231);
    std::string chk;
    auto section = [&](const std::string& name, const std::vector<std::string>& lines) {
      chk += "[" + name + "]\r\nCount=" + std::to_string(lines.size()) + "\r\n";
      for (std::size_t k = 0; k < lines.size(); ++k) chk += std::to_string(k + 1) + "=" + lines[k] + "\r\n";
      chk += "\r\n";
      rules += lines.size();
    };
    for (int i = 0; i < 200; ++i) {
      std::vector<std::string> lines;
      if (i % 4 == 0) {
        const std::string name = "Big" + std::to_string(i);
        NewGrid(name, 500, 8, true, rng);
        for (int c = 3; c <= 8; ++c)
          lines.push_back("(* 2) >= (* " + std::to_string(c) + ");Column " + std::to_string(c) + " exceeds the total");
        lines.push_back("(* 2) >= (* 4) / 2 + (* 5) / 2");
        lines.push_back("(* 4) | (* 5)");
        lines.push_back("(* 6) < 1000000;Too large");
        lines.push_back("(* 2) <= (* 7) / 3 + (* 8) + 2000 - 1,5");
        rowRules += lines.size();
      } else if (i % 4 == 3) {
        const std::string name = "Form" + std::to_string(i);
        NewForm(name, 40, rng);
        for (int k = 0; k < 10; ++k) {
          const int n = 4 + k * 3;
          if (k == 0) lines.push_back("(2) <> пусто;Name missing");
          else if (k % 3 == 0) lines.push_back("(" + std::to_string(n) + ") <= Small" + std::to_string(i - 1) + "(3 4) + 1000");
          else lines.push_back("(" + std::to_string(n) + ") >= 0;Negative");
        }
      } else {
        const std::string name = "Small" + std::to_string(i);
        NewGrid(name, 20, 6, false, rng);
        for (int k = 0; k < 10; ++k) {
          const std::string r = std::to_string(1 + k * 2);
          if (k % 3 == 0 && i > 4)
            lines.push_back("(" + r + " 2) >= Big" + std::to_string((i / 4) * 4) + ".ini(" + r + " 4) / 2;Cross-table");
          else
            lines.push_back("(" + r + " 2) >= (" + r + " 3) + (" + r + " 4) - (" + r + " 5);Sum of row " + r);
        }
      }
      section(tables.back()->tableName, lines);
    }
    AtomicWriteFile(folder + "Check.chk", chk);
    checker.OpenRules(folder + "Check.chk");
    std::vector<checks::CheckedTable> list;
    for (auto& t : tables) {
      t->hasRules = checker.HasRules(t->tableName);
      list.push_back({t.get(), t->tableName});
    }
    checker.SetTables(std::move(list));
  }
};

void BM_CheckAllTables(benchmark::State& state) {
  static Report report;
  std::size_t messages = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(report.checker.CheckAllTables());
    messages = 0;
    for (const auto& t : report.tables) messages += report.checker.Protocol(*t).size();
  }
  state.counters["tables"] = static_cast<double>(report.tables.size());
  state.counters["rules"] = static_cast<double>(report.rules);
  state.counters["row_rules"] = static_cast<double>(report.rowRules);
  state.counters["messages"] = static_cast<double>(messages);
}
BENCHMARK(BM_CheckAllTables)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
BENCHMARK_MAIN();
