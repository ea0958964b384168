// The outcome of every check rule of every table, kept between checks: a
// check runs again only the rules that read a cell whose text changed since
// they last ran, and takes the others' messages from memory, numbered
// anew. The protocol, the rules that broke off and the explanations are
// those of running every rule.
//
// A rule's memory holds while the tables it read keep their shape (see
// TableShape) and the rule keeps its text; otherwise the rules of the
// table run again. A change of shape anywhere makes the memory forget
// every table, since the cells remembered may be gone.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/calc/check_rules.h"

namespace rpt {

class TCell;
class TTable;

namespace checks {

class RuleMemory {
 public:
  void Forget();
  // The open tables, whose cells rules may read; forgets everything.
  void SetOpenTables(std::vector<const TTable*> tables);
  // A cell's text changed: the rules that read it run at the next check.
  void ValueChanged(const TCell& cell);

  // CheckRules, with what memory holds when `remembered`; otherwise every
  // rule runs and the memory learns its outcome.
  bool CheckRules(TTable& table, CheckRulesFile& rules, TableLookup* lookup, std::vector<std::string>& protocol,
                  std::vector<int>& erred, std::vector<RuleExplanation>& explanations, bool remembered = true);

 private:
  struct Rule {
    int k = 0;
    std::string line;
    bool stale = true;
    bool holds = true;
    bool error = false;
    std::vector<std::string> messages;  // without their numbers
    std::vector<RuleExplanation> explanations;
    std::vector<const TCell*> reads;  // sorted
  };
  struct Table {
    std::vector<Rule> rules;
    // The shapes of the tables the rules read (the table's own first).
    std::vector<std::pair<const TTable*, std::vector<std::uint64_t>>> shapes;
  };
  bool StillShaped(const TTable& table, const Table& memo) const;
  void Run(TTable& table, std::size_t index, Rule& rule, TableLookup* lookup, std::size_t base,
           std::vector<std::string>& protocol, std::vector<RuleExplanation>& explanations);

  std::vector<const TTable*> open_;
  std::unordered_map<const TTable*, Table> tables_;
  // The rules that read a cell: (table, index of the rule).
  std::unordered_map<const TCell*, std::vector<std::pair<const TTable*, std::size_t>>> readers_;
};

}  // namespace checks
}  // namespace rpt
