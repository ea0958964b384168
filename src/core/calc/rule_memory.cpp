#include "core/calc/rule_memory.h"

#include <algorithm>

#include "core/calc/dependency_index.h"
#include "core/tables/table.h"

namespace rpt::checks {

void RuleMemory::Forget() {
  tables_.clear();
  readers_.clear();
}

void RuleMemory::SetOpenTables(std::vector<const TTable*> tables) {
  Forget();
  open_ = std::move(tables);
}

void RuleMemory::ValueChanged(const TCell& cell) {
  const auto it = readers_.find(&cell);
  if (it == readers_.end()) return;
  for (const auto& [table, index] : it->second) {
    const auto t = tables_.find(table);
    if (t != tables_.end() && index < t->second.rules.size()) t->second.rules[index].stale = true;
  }
}

bool RuleMemory::StillShaped(const TTable& table, const Table& memo) const {
  if (memo.shapes.empty() || memo.shapes.front().first != &table) return false;
  // Another table is looked at only while it is open (a closed one may be
  // gone); the memory does not outlive it.
  const auto open = [this](const TTable* t) { return std::find(open_.begin(), open_.end(), t) != open_.end(); };
  for (std::size_t i = 0; i < memo.shapes.size(); ++i) {
    const auto& [t, shape] = memo.shapes[i];
    if ((i > 0 && !open(t)) || TableShape(*t) != shape) return false;
  }
  return true;
}

namespace {

// "12. text" -> ". text"
std::string WithoutNumber(const std::string& message, std::size_t number) {
  const std::size_t digits = std::to_string(number).size();
  return message.compare(0, digits, std::to_string(number)) == 0 ? message.substr(digits) : message;
}

}  // namespace

void RuleMemory::Run(TTable& table, std::size_t index, Rule& rule, TableLookup* lookup, std::size_t base,
                     std::vector<std::string>& protocol, std::vector<RuleExplanation>& explanations) {
  std::vector<std::string> messages;
  std::vector<RuleExplanation> explained;
  std::vector<const TCell*> reads;
  bool error = false;
  bool holds = true;
  try {
    RuleReadRecorder recorder(reads);
    holds = CheckRuleLine(table, rule.line, lookup, messages, &error, &explained);
  } catch (...) {
    // What the rule wrote before it broke off stays, as when every rule runs.
    for (std::size_t i = 0; i < messages.size(); ++i)
      protocol.push_back(std::to_string(base + i + 1) + WithoutNumber(messages[i], i + 1));
    explained.resize(messages.size());
    explanations.insert(explanations.end(), explained.begin(), explained.end());
    rule.stale = true;
    throw;
  }
  explained.resize(messages.size());
  rule.holds = holds;
  rule.error = error;
  rule.messages.clear();
  for (std::size_t i = 0; i < messages.size(); ++i) rule.messages.push_back(WithoutNumber(messages[i], i + 1));
  rule.explanations = std::move(explained);
  std::sort(reads.begin(), reads.end());
  reads.erase(std::unique(reads.begin(), reads.end()), reads.end());
  for (const TCell* cell : reads)
    if (!std::binary_search(rule.reads.begin(), rule.reads.end(), cell)) readers_[cell].emplace_back(&table, index);
  rule.reads = std::move(reads);
  rule.stale = false;
}

bool RuleMemory::CheckRules(TTable& table, CheckRulesFile& rules, TableLookup* lookup,
                            std::vector<std::string>& protocol, std::vector<int>& erred,
                            std::vector<RuleExplanation>& explanations, bool remembered) {
  const auto& lines = rules.Rules(table.tableName);
  auto found = tables_.find(&table);
  if (found != tables_.end() && !StillShaped(table, found->second)) {
    Forget();
    found = tables_.end();
  }
  Table& memo = found != tables_.end() ? found->second : tables_[&table];
  if (memo.rules.size() != lines.size()) memo.rules.assign(lines.size(), Rule{});
  bool ok = true;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Rule& rule = memo.rules[i];
    if (rule.k != lines[i].first || rule.line != lines[i].second) {
      rule = Rule{};
      rule.k = lines[i].first;
      rule.line = lines[i].second;
    }
    const std::size_t base = protocol.size();
    if (rule.stale || !remembered) Run(table, i, rule, lookup, base, protocol, explanations);
    for (std::size_t m = 0; m < rule.messages.size(); ++m)
      protocol.push_back(std::to_string(base + m + 1) + rule.messages[m]);
    explanations.insert(explanations.end(), rule.explanations.begin(), rule.explanations.end());
    if (!rule.holds) ok = false;
    if (rule.error) erred.push_back(rule.k);
  }
  // The shapes this memory now relies on: the table's own and those of the
  // tables its rules read.
  memo.shapes.clear();
  memo.shapes.emplace_back(&table, TableShape(table));
  for (const Rule& rule : memo.rules)
    for (const TCell* cell : rule.reads) {
      const TTable* other = cell->table();
      if (!other || std::any_of(memo.shapes.begin(), memo.shapes.end(), [&](const auto& e) { return e.first == other; }))
        continue;
      memo.shapes.emplace_back(other, TableShape(*other));
    }
  return ok;
}

}  // namespace rpt::checks
