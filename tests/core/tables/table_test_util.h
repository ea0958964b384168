// Shared pieces of the table tests: table files written in Windows-1251
// with CR LF from readable UTF-8 sources, and hooks that record calls.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/codec.h"
#include "core/tables/table.h"
#include "support/text.h"

namespace rpt::testing {


// Records every hook call as a short text.
class RecordingHooks : public TableHooks {
 public:
  std::vector<std::string> calls;

  void ModifiedChanged(TTable&, bool modified) override {
    calls.push_back(modified ? "modified" : "unmodified");
  }
  void ReportChanged() override { calls.push_back("report changed"); }
  void RecalcTable(TTable&, bool deep, bool withCheck) override {
    calls.push_back(std::string("recalc ") + (deep ? "deep" : "shallow") + (withCheck ? " check" : ""));
  }
  void CheckTable(TTable&) override { calls.push_back("check"); }
  void TableMapAdd(std::string_view name) override { calls.push_back("map add " + std::string(name)); }
  void TableMapRemove(std::string_view name) override {
    calls.push_back("map remove " + std::string(name));
  }
  void RegisterTableLinks(TTable&, std::string_view refs) override {
    calls.push_back("links " + std::string(refs));
  }
  bool HasRules(std::string_view name) override { return name == rulesFor; }
  std::string rulesFor;
};

// A [Table] section and cell sections in file order, for small fixtures.
inline std::string GridHeader(int rows, int cols, int count, std::string_view extra = {}) {
  std::string s = "[Table]\nCount=" + std::to_string(count) + "\nFixed=1\nRowCount=" +
                  std::to_string(rows) + "\nColCount=" + std::to_string(cols) + "\n";
  s += extra;
  return s + "\n";
}

}  // namespace rpt::testing
