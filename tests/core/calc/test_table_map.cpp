#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/text_case.h"
#include "core/calc/table_map.h"

namespace rpt {
namespace {

using namespace literals;
using Strings = std::vector<std::string>;

// Open table windows, looked up the way the frame finds them: by file
// name without regard to letter case.
struct FakeWindow {
  std::string fileName;
};

class Windows {
 public:
  explicit Windows(std::initializer_list<std::string> names) {
    windows_.reserve(names.size());
    for (const auto& n : names) windows_.push_back({n});
  }
  FakeWindow* operator()(const std::string& fileName) {
    for (auto& w : windows_)
      if (SameText(w.fileName, fileName)) return &w;
    return nullptr;
  }

 private:
  std::vector<FakeWindow> windows_;
};

// Builds a map from lines "own name, references...".
TMapTables MakeMap(std::initializer_list<Strings> entries) {
  TMapTables map;
  for (const auto& e : entries) {
    const auto index = map.AddTable(e.front());
    for (std::size_t i = 1; i < e.size(); ++i) map.AddReference(e[i], index);
  }
  return map;
}

std::vector<Strings> Contents(const TMapTables& map) {
  std::vector<Strings> out;
  for (const auto& e : map.Entries()) out.push_back(e.Strings());
  return out;
}

std::vector<std::string> Names(const std::vector<TReadyTable<FakeWindow>>& tables) {
  std::vector<std::string> out;
  for (const auto& t : tables) {
    EXPECT_NE(t.window, nullptr);
    if (t.window) {
      EXPECT_TRUE(SameText(t.window->fileName, t.fileName));
    }
    out.push_back(t.fileName);
  }
  return out;
}

TEST(TableMap, AddTableKeepsOneEntryPerName) {
  TMapTables map;
  EXPECT_EQ(map.AddTable("T1.ini"), 0u);
  EXPECT_EQ(map.AddTable("T2.ini"), 1u);
  EXPECT_EQ(map.AddTable("T1.ini"), 0u);
  EXPECT_EQ(map.AddTable("t1.INI"), 0u);
  EXPECT_EQ(map.AddTable("Таблица.ini"_w), 2u);
  EXPECT_EQ(map.AddTable("ТАБЛИЦА.ini"_w), 2u);
  EXPECT_EQ(Contents(map), (std::vector<Strings>{{"T1.ini"}, {"T2.ini"}, {std::string("Таблица.ini"_w)}}));
}

TEST(TableMap, IndexOfLooksAtOwnNamesOnly) {
  const auto map = MakeMap({{"A.ini", "B.ini"}, {"B.ini"}});
  EXPECT_EQ(map.IndexOf("A.ini"), 0);
  EXPECT_EQ(map.IndexOf("b.ini"), 1);
  EXPECT_EQ(map.IndexOf("C.ini"), -1);
  EXPECT_EQ(MakeMap({{"A.ini", "B.ini"}}).IndexOf("B.ini"), -1);  // listed only as a reference
  EXPECT_EQ(TMapTables().IndexOf(""), -1);
}

TEST(TableMap, AddReferenceListsEachTableOnceAndNeverItself) {
  TMapTables map;
  const auto a = map.AddTable("A.ini");
  EXPECT_TRUE(map.AddReference("B.ini", a));
  EXPECT_TRUE(map.AddReference("C.ini", a));
  EXPECT_FALSE(map.AddReference("B.ini", a));
  EXPECT_FALSE(map.AddReference("b.INI", a));
  EXPECT_FALSE(map.AddReference("a.ini", a));  // the table reading its own cells
  EXPECT_EQ(map[a].Strings(), (Strings{"A.ini", "B.ini", "C.ini"}));

  try {
    map.AddReference("B.ini", 1);
    ADD_FAILURE() << "no error";
  } catch (const EListError& e) {
    EXPECT_EQ(std::string(e.what()), std::string("Индекс списка вне допустимого диапазона (1)"_w));
  }
}

TEST(TableMap, Remove) {
  struct Case {
    const char* what;
    std::initializer_list<Strings> before;
    std::string removed;
    std::vector<Strings> after;
  };
  const Case cases[] = {
      {"a referenced table that refers to nothing goes, and leaves its readers",
       {{"A.ini", "B.ini"}, {"B.ini"}}, "B.ini", {{"A.ini"}}},
      {"a name that is only a reference leaves every entry and deletes none",
       {{"A.ini", "X.ini", "B.ini"}, {"B.ini", "X.ini"}, {"C.ini"}}, "X.ini",
       {{"A.ini", "B.ini"}, {"B.ini"}, {"C.ini"}}},
      {"an entry that still lists references stays",
       {{"A.ini", "B.ini"}, {"B.ini"}}, "A.ini", {{"A.ini", "B.ini"}, {"B.ini"}}},
      {"the entry that moves into a deleted entry's place is examined too",
       {{"X.ini"}, {"B.ini", "X.ini"}}, "X.ini", {{"B.ini"}}},
      {"letter case does not matter",
       {{"A.ini", "b.INI"}, {"B.ini"}}, "B.ini", {{"A.ini"}}},
      {"an unknown name changes nothing",
       {{"A.ini", "B.ini"}}, "Z.ini", {{"A.ini", "B.ini"}}},
  };
  for (const auto& c : cases) {
    auto map = MakeMap(c.before);
    map.Remove(c.removed);
    EXPECT_EQ(Contents(map), c.after) << c.what;
  }
}

TEST(TableMap, NextReadyTakesTheFirstEntryWithoutReferencesAndAnOpenWindow) {
  Windows windows{"a.ini", "B.INI", "C.ini"};
  auto map = MakeMap({{"A.ini", "B.ini"}, {"B.ini"}});
  auto ready = map.NextReady(windows);
  ASSERT_TRUE(ready);
  EXPECT_EQ(ready->fileName, "B.ini");
  EXPECT_EQ(ready->window, windows("B.ini"));

  map.Remove("B.ini");
  EXPECT_EQ(Contents(map), (std::vector<Strings>{{"A.ini"}}));
  ready = map.NextReady(windows);
  ASSERT_TRUE(ready);
  EXPECT_EQ(ready->fileName, "A.ini");
  EXPECT_EQ(ready->window, windows("A.ini"));

  // An entry whose table has no open window is skipped.
  const auto closed = MakeMap({{"Closed.ini"}, {"C.ini"}});
  ready = closed.NextReady(windows);
  ASSERT_TRUE(ready);
  EXPECT_EQ(ready->fileName, "C.ini");

  EXPECT_FALSE(TMapTables().NextReady(windows));
  EXPECT_FALSE(MakeMap({{"A.ini", "B.ini"}, {"B.ini", "A.ini"}}).NextReady(windows));  // a cycle
}

TEST(TableMap, RecalcOrderAlwaysEnds) {
  struct Case {
    const char* what;
    std::initializer_list<Strings> map;
    std::vector<std::string> ordered;
    std::vector<std::string> blocked;
  };
  const Case cases[] = {
      {"a chain, referenced tables first",
       {{"A.ini", "B.ini"}, {"B.ini", "C.ini"}, {"C.ini"}}, {"C.ini", "B.ini", "A.ini"}, {}},
      {"several references",
       {{"A.ini", "B.ini", "C.ini"}, {"B.ini", "C.ini"}, {"C.ini"}, {"D.ini"}},
       {"C.ini", "B.ini", "A.ini", "D.ini"}, {}},
      {"a cycle holds back its members and their readers; the rest goes first",
       {{"R.ini", "A.ini"}, {"A.ini", "B.ini"}, {"B.ini", "A.ini"}, {"C.ini"}},
       {"C.ini"}, {"R.ini", "A.ini", "B.ini"}},
      {"a table that reads a table without a window",
       {{"A.ini", "Closed.ini"}, {"Closed.ini"}, {"C.ini"}}, {"C.ini"}, {"A.ini"}},
      {"a table that reads a table missing from the map",
       {{"A.ini", "Gone.ini"}, {"C.ini", "A.ini"}}, {}, {"A.ini", "C.ini"}},
      {"reading one's own table is no dependency",
       {{"A.ini", "a.ini", "B.ini"}, {"B.ini"}}, {"B.ini", "A.ini"}, {}},
      {"an empty map", {}, {}, {}},
  };
  Windows windows{"A.ini", "B.ini", "C.ini", "D.ini", "R.ini"};
  for (const auto& c : cases) {
    const auto map = MakeMap(c.map);
    const auto before = Contents(map);
    const auto order = map.RecalcOrder(windows);
    EXPECT_EQ(Names(order.ordered), c.ordered) << c.what;
    EXPECT_EQ(Names(order.blocked), c.blocked) << c.what;
    EXPECT_EQ(Contents(map), before) << c.what << ": the map itself is unchanged";
  }
}

TEST(TableMap, CopyIsDeepAndClearEmpties) {
  auto map = MakeMap({{"A.ini", "B.ini"}, {"B.ini"}});
  auto copy = map.Copy();
  EXPECT_EQ(copy, map);
  copy.Remove("B.ini");
  copy.AddReference("C.ini", 0);
  EXPECT_EQ(Contents(map), (std::vector<Strings>{{"A.ini", "B.ini"}, {"B.ini"}}));
  EXPECT_EQ(Contents(copy), (std::vector<Strings>{{"A.ini", "C.ini"}}));
  map.Clear();
  EXPECT_TRUE(map.Empty());
  EXPECT_EQ(map.IndexOf("A.ini"), -1);
  EXPECT_EQ(map.AddTable("A.ini"), 0u);
}

}  // namespace
}  // namespace rpt
