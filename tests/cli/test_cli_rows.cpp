// reportctl rows end to end: chains of row operations on a growing table
// file, saved and loaded again; refusals leave the file as it was.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/tables/table.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using Strings = std::vector<std::string>;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

int Reportctl(const TempFolder& dir, const Strings& args) {
  std::string cmd = Quote(REPORTCTL_PATH);
  for (const auto& a : args) cmd += " " + Quote(a);
  cmd += " >/dev/null 2>" + Quote(dir / "stderr.txt");
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A growing table: row number, text, integer; rows "a".."f" with 1..6
// (the integer of row 4 empty, row 3 without text: an empty row). With a
// footer, it sums the integers (`footer` is its formula and its stored,
// possibly stale, value).
struct Footer {
  std::string form, cap;
};
std::string GrowingFile(bool growing = true, const std::optional<Footer>& footer = std::nullopt) {
  const Strings texts = {"c", "a", "", "f", "b", "e"};
  const Strings numbers = {"1", "2", "3", "", "5", "6"};
  const int rows = static_cast<int>(texts.size());
  std::string s = "[Table]\r\nCount=" + std::to_string(rows * 3 + (footer ? 1 : 0)) + "\r\nBL1=" +
                  (growing ? "300000001" : "-1") + "\r\nFixed=1\r\nRowCount=" + std::to_string(rows) +
                  "\r\nColCount=3\r\n\r\n";
  int n = 2;
  for (int r = 1; r <= rows; ++r) {
    for (int c = 1; c <= 3; ++c) {
      const int type = c == 1 ? 9 : c == 2 ? 1 : 2;
      const std::string cap = c == 1 ? std::to_string(r) : c == 2 ? texts[r - 1] : numbers[r - 1];
      s += "[Cell_" + std::to_string(n++) + "]\r\nState=D\r\nType=" + std::to_string(type) +
           "\r\nCol=" + std::to_string(c) + "\r\nRow=" + std::to_string(r) + "\r\nVis=" +
           std::to_string((r - 1) * 20) + " " + std::to_string((c - 1) * 60) + " 60 20 5 16777215\r\nCap=" +
           (r == 3 && c == 3 ? "0" : cap) + "\r\n\r\n";
    }
  }
  if (footer)
    s += "[Cell_" + std::to_string(n) + "]\r\nState=B\r\nType=7\r\nDec=0\r\nForm=" + footer->form +
         "\r\nCol=3\r\nVis=" + std::to_string(rows * 20 + 10) + " 120 60 20 5 16777215\r\nCap=" + footer->cap +
         "\r\n\r\n";
  return s;
}

struct Loaded {
  TableContext ctx;
  TTable table{ctx};
  explicit Loaded(const std::string& path) { table.LoadFromFile(path); }
  Strings Column(int c) {
    Strings out;
    for (int r = 1; r <= table.RowCount; ++r) out.push_back(GetCell(table.data, c, r)->label.caption);
    return out;
  }
  // Tops stacked from 0 and row numbers in place.
  bool Stacked() {
    int top = 0;
    for (int r = 1; r <= table.RowCount; ++r) {
      const TCell* number = GetCell(table.data, 1, r);
      if (number->label.top != top || number->label.caption != std::to_string(r) || number->Row != r) return false;
      top += number->label.height;
    }
    return true;
  }
};

struct RowsCase {
  const char* name;
  Strings ops;
  Strings texts;    // column 2 after the run
  Strings numbers;  // column 3 after the run
};

class CliRowsTest : public ::testing::TestWithParam<RowsCase> {};

TEST_P(CliRowsTest, RunsTheChainAndSaves) {
  const RowsCase& c = GetParam();
  TempFolder dir;
  const std::string file = dir.Write("T1.ini", GrowingFile());
  Strings args = {"rows", file};
  args.insert(args.end(), c.ops.begin(), c.ops.end());
  ASSERT_EQ(Reportctl(dir, args), 0) << ReadFile(dir / "stderr.txt");
  Loaded t(file);
  EXPECT_EQ(t.Column(2), c.texts);
  EXPECT_EQ(t.Column(3), c.numbers);
  EXPECT_TRUE(t.Stacked());
}

INSTANTIATE_TEST_SUITE_P(
    Ops, CliRowsTest,
    ::testing::Values(
        RowsCase{"copy_2_paste_5", {"copy", "2", "paste", "5"},
                 {"c", "a", "", "f", "b", "a", "e"}, {"1", "2", "0", "", "5", "2", "6"}},
        RowsCase{"cut_5_paste_1", {"cut", "5", "paste", "1"},
                 {"c", "b", "a", "", "f", "e"}, {"1", "5", "2", "0", "", "6"}},
        RowsCase{"insert_empty", {"insert-empty", "6"},
                 {"c", "a", "", "f", "b", "e", ""}, {"1", "2", "0", "", "5", "6", ""}},
        RowsCase{"three_after_row_4", {"insert-empty-n", "4", "3"},
                 {"c", "a", "", "f", "", "", "", "b", "e"}, {"1", "2", "0", "", "", "", "", "5", "6"}},
        RowsCase{"delete_then_delete_empty", {"delete", "1", "delete-empty"},
                 {"a", "f", "b", "e"}, {"2", "", "5", "6"}},
        RowsCase{"sort_by_text", {"sort", "2"},
                 {"", "a", "b", "c", "e", "f"}, {"0", "2", "5", "1", "6", ""}},
        RowsCase{"sort_by_number_then_text", {"sort", "3,2"},
                 {"", "f", "c", "a", "b", "e"}, {"0", "", "1", "2", "5", "6"}},
        RowsCase{"fill_zeros", {"fill-zeros"},
                 {"c", "a", "", "f", "b", "e"}, {"1", "2", "0", "0", "5", "6"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Row operations recalculate the table as the table window does: the
// footer follows the rows, and a formula reading another table beside it
// reads that table instead of counting it as 0.
TEST(CliRowsRecalculates, TheFooterFollowsTheRows) {
  struct Case {
    const char* name;
    Footer footer;
    Strings ops;
    std::string total;
  };
  const std::vector<Case> cases = {
      {"delete_row_1", {"1 0", "17"}, {"delete", "1"}, "13"},
      {"paste_a_copy", {"1 0", "14"}, {"copy", "6", "paste", "6"}, "20"},
      {"other_table_beside_it", {"7 0 Other[(2)]", "0"}, {"insert-empty", "1"}, "40"},
      {"other_table_after_a_paste", {"7 0 Other[(2)]", "0"}, {"copy", "1", "paste", "1"}, "40"},
  };
  for (const Case& c : cases) {
    TempFolder dir;
    dir.Write("Other.ini", "[Table]\r\nCount=1\r\nFixed=0\r\n\r\n[Cell_2]\r\nState=D\r\nType=2\r\nCap=40\r\n\r\n");
    const std::string file = dir.Write("T1.ini", GrowingFile(true, c.footer));
    Strings args = {"rows", file};
    args.insert(args.end(), c.ops.begin(), c.ops.end());
    ASSERT_EQ(Reportctl(dir, args), 0) << c.name << ReadFile(dir / "stderr.txt");
    Loaded t(file);
    ASSERT_EQ(t.table.footer.size(), std::size_t{1}) << c.name;
    EXPECT_EQ(t.table.footer.cells[0]->label.caption, c.total) << c.name;
  }
}

TEST(CliRowsRefusals, LeaveTheFileUnchanged) {
  struct Case {
    const char* name;
    Strings ops;
    int exit;
    bool growing = true;
  };
  const std::vector<Case> cases = {
      {"paste_without_copy", {"paste", "2"}, 1},
      {"row_out_of_range", {"copy", "7"}, 1},
      {"row_zero", {"delete", "0"}, 1},
      {"failure_after_a_change", {"insert-empty", "1", "cut", "99"}, 1},
      {"unknown_operation", {"shuffle"}, 2},
      {"missing_row", {"copy"}, 2},
      {"column_not_offered", {"sort", "1"}, 1},
      {"not_growing", {"insert-empty", "1"}, 1, false},
  };
  for (const Case& c : cases) {
    TempFolder dir;
    const std::string before = GrowingFile(c.growing);
    const std::string file = dir.Write("T1.ini", before);
    Strings args = {"rows", file};
    args.insert(args.end(), c.ops.begin(), c.ops.end());
    EXPECT_EQ(Reportctl(dir, args), c.exit) << c.name;
    EXPECT_EQ(ReadFile(file), before) << c.name;
  }
}

}  // namespace
}  // namespace rpt
