#include "core/calc/check_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/my_ini_file.h"
#include "core/tables/table.h"
#include "core/tables/table_model.h"

namespace rpt::checks {

using namespace rpt::literals;

namespace {

constexpr std::string_view kEmptyWord = "пусто"_w;

bool IsBlankChar(char c) { return static_cast<unsigned char>(c) <= 0x20; }

bool IsComparisonChar(char c) { return c == '<' || c == '=' || c == '>' || c == '|'; }
bool IsArithChar(char c) { return c == '*' || c == '+' || c == '-' || c == '/'; }
bool IsOperatorChar(char c) { return IsComparisonChar(c) || IsArithChar(c); }

bool IsEmptyWord(std::string_view s) { return SameText(s, kEmptyWord); }

bool ContainsEmptyWord(std::string_view s) {
  if (s.size() < kEmptyWord.size()) return false;
  for (std::size_t i = 0; i + kEmptyWord.size() <= s.size(); ++i)
    if (SameText(s.substr(i, kEmptyWord.size()), kEmptyWord)) return true;
  return false;
}

// A positive decimal integer of plain digits (no sign, no blanks).
std::optional<int> PositiveInt(std::string_view s) {
  if (s.empty() || s.front() == '+' || s.front() == '-') return std::nullopt;
  int value = 0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || ptr != s.data() + s.size() || value <= 0) return std::nullopt;
  return value;
}

// An operand as the parser found it.
struct Operand {
  bool address = false;
  std::string_view text;  // a constant or "пусто": the trimmed operand text
  std::string_view name;  // an address's table name ("" for the owning table)
  int r = 0, c = 0;       // r == 0: cell number c
};

// The address between the parentheses: "r c" (blanks and at most one ","
// between two positive integers) or one integer n > 1 (r = 0, c = n).
bool ParseAddress(std::string_view inner, Operand& op) {
  inner = TrimControls(inner);
  std::size_t i = 0;
  while (i < inner.size() && inner[i] >= '0' && inner[i] <= '9') ++i;
  const std::string_view first = inner.substr(0, i);
  if (i == inner.size()) {
    const auto n = PositiveInt(first);
    if (!n || *n < 2) return false;
    op.r = 0;
    op.c = *n;
    return true;
  }
  std::size_t j = i;
  int commas = 0;
  while (j < inner.size() && (IsBlankChar(inner[j]) || inner[j] == ',')) {
    if (inner[j] == ',') ++commas;
    ++j;
  }
  if (j == i || commas > 1) return false;
  const auto r = PositiveInt(first);
  const auto c = PositiveInt(inner.substr(j));
  if (!r || !c) return false;
  op.r = *r;
  op.c = *c;
  return true;
}

// A constant: digits and decimal commas, no sign, no point.
bool LooksLikeNumber(std::string_view s) {
  bool digit = false;
  for (char c : s) {
    if (c >= '0' && c <= '9') digit = true;
    else if (c != ',') return false;
  }
  return digit;
}

std::size_t FindIni(std::string_view s) {
  for (std::size_t i = 0; i + 4 <= s.size(); ++i)
    if (s[i] == '.' && SameText(s.substr(i, 4), ".ini")) return i;
  return std::string_view::npos;
}

// One operand, or false when it does not fit the grammar.
bool ParseOperand(std::string_view text, Operand& op) {
  text = TrimControls(text);
  op = Operand{};
  if (text.empty()) return false;
  if (IsEmptyWord(text) || LooksLikeNumber(text)) {
    op.text = text;
    return true;
  }
  if (text.back() != ')') return false;
  const std::size_t open = text.find('(');
  if (open == std::string_view::npos) return false;
  if (!ParseAddress(text.substr(open + 1, text.size() - open - 2), op)) return false;
  std::string_view name = TrimControls(text.substr(0, open));
  if (!name.empty()) {
    // Everything from ".INI" on is ignored; a name still holding a "." is no name.
    if (const std::size_t ext = FindIni(name); ext != std::string_view::npos)
      name = TrimControls(name.substr(0, ext));
    if (name.empty() || name.find_first_of(".()") != std::string_view::npos) return false;
  }
  op.address = true;
  op.name = name;
  op.text = text;
  return true;
}

int ComparisonCode(std::string_view op, std::string_view rest) {
  if (op == "=") return kEqual;
  if (op == "<>") return ContainsEmptyWord(rest) ? kNotEmpty : kNotEqual;
  if (op == ">") return kGreater;
  if (op == ">=") return kGreaterEqual;
  if (op == "<") return kLess;
  if (op == "<=") return kLessEqual;
  if (op == "|") return kBothOrNone;
  return -1;
}

int ArithmeticCode(std::string_view op) {
  if (op == "+") return kAdd;
  if (op == "-") return kSubtract;
  if (op == "*") return kMultiply;
  if (op == "/") return kDivide;
  return -1;
}

// A condition in parsed form: operands and the code after each (the
// comparison after operand 0, arithmetic codes after the others).
struct Parsed {
  std::vector<Operand> operands;
  std::vector<int> codes;
  bool parsed = true;
};

// Parses from the left and stops at the first operand or operator that does
// not fit; text left after that point makes the condition unparsable, a
// last operand that does not fit is simply missing.
void ParseInto(std::string_view condition, Parsed& out) {
  out.operands.clear();
  out.codes.clear();
  out.parsed = true;
  std::size_t pos = 0;
  for (;;) {
    std::size_t end = pos;
    while (end < condition.size() && !IsOperatorChar(condition[end])) ++end;
    Operand op;
    if (!ParseOperand(condition.substr(pos, end - pos), op)) {
      out.parsed = end == condition.size();
      return;
    }
    out.operands.push_back(op);
    pos = end;
    if (pos == condition.size()) return;
    const bool comparison = out.operands.size() == 1;
    std::size_t opEnd = pos;
    while (opEnd < condition.size() &&
           (comparison ? IsComparisonChar(condition[opEnd]) : IsArithChar(condition[opEnd])))
      ++opEnd;
    const std::string_view text = condition.substr(pos, opEnd - pos);
    const int code = comparison ? ComparisonCode(text, condition.substr(opEnd)) : ArithmeticCode(text);
    if (code < 0) {
      out.parsed = false;
      return;
    }
    out.codes.push_back(code);
    pos = opEnd;
  }
}

// A number text as the rules read it: blanks around it, an optional sign,
// digits with one optional decimal ",", an optional exponent; nothing when
// it is not a number or out of range. (The same reading as NumberOrDefault,
// without building a copy on the heap.)
std::optional<double> ReadNumber(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  std::string_view t = text.substr(b, e - b);
  bool negative = false;
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  if (t.empty() || t.size() > 400) {
    if (t.empty()) return std::nullopt;
    const double v = NumberOrDefault(text, std::numeric_limits<double>::quiet_NaN());
    if (std::isnan(v)) return std::nullopt;
    return v;
  }
  char plain[408];
  std::size_t n = 0, i = 0;
  int mantissa = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') plain[n++] = t[i++], ++mantissa;
  if (i < t.size() && t[i] == ',') {
    plain[n++] = '.';
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') plain[n++] = t[i++], ++mantissa;
  }
  if (mantissa == 0) return std::nullopt;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    plain[n++] = 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) plain[n++] = t[i++];
    int exponent = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') plain[n++] = t[i++], ++exponent;
    if (exponent == 0) return std::nullopt;
  }
  if (i != t.size()) return std::nullopt;
  double value = 0;
  const auto [ptr, ec] = std::from_chars(plain, plain + n, value);
  if (ec != std::errc() || ptr != plain + n) return std::nullopt;
  return negative ? -value : value;
}

// The value a number takes when written in the general format and read
// back: rounded to 15 significant digits.
double Round15(double v) {
  if (v == 0 || !std::isfinite(v)) return 0;
  if (std::fabs(v) < 1e15 && v == std::trunc(v)) return v;
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
  double r = 0;
  std::from_chars(buf, res.ptr, r);
  return r;
}

// Breaks off the test of a rule: it then counts as holding.
struct RuleBroken {};

double ReadNumberOrBreak(std::string_view text) {
  const auto v = ReadNumber(text);
  if (!v) throw RuleBroken{};
  return *v;
}

thread_local std::vector<const TCell*>* t_ruleReads = nullptr;

std::string Numbered(std::size_t number, std::string_view text) {
  std::string s = std::to_string(number);
  s += text;
  return s;
}

// The value of a cell: its displayed text read as a number, 0 when it is
// empty or not a number.
double CellNumber(const TCell& cell) {
  const auto v = ReadNumber(cell.label.caption);
  return v ? *v : 0.0;
}

// The cell an address names in a table: (r c) the grid address, (n) cell
// number n - 2 (the offset the rule files are written for).
const TCell* AddressedCell(const TTable& table, const Operand& op) {
  if (op.r == 0) return CellByNumber(table.data, op.c - 2);
  return GetCell(table.data, op.c, op.r);
}

std::string CellMessage(std::size_t number, std::string_view condition, std::string_view message) {
  const std::size_t close = condition.find(')');
  std::string head(close == std::string_view::npos ? std::string_view{}
                                                   : TrimControls(condition.substr(0, close + 1)));
  for (char& ch : head)
    if (ch == ' ') ch = '-';
  std::string s = Numbered(number, ". Ячейка "_w);
  s += head;
  s += ": ";
  s += message;
  return s;
}

}  // namespace

RuleReadRecorder::RuleReadRecorder(std::vector<const TCell*>& reads) : previous_(t_ruleReads) {
  t_ruleReads = &reads;
}

RuleReadRecorder::~RuleReadRecorder() { t_ruleReads = previous_; }

void RuleReadRecorder::Note(const TCell* cell) {
  if (t_ruleReads) t_ruleReads->push_back(cell);
}

std::string GeneralNumberText(double value) {
  if (value == 0 || !std::isfinite(value)) return "0";
  // 15 significant digits: d.dddddddddddddde±x
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
  bool negative = false;
  if (s.front() == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  const std::size_t e = s.find('e');
  int exponent = 0;
  std::from_chars(s.data() + e + 1 + (s[e + 1] == '+' ? 1 : 0), s.data() + s.size(), exponent);
  std::string digits;
  digits += s[0];
  digits.append(s.substr(2, e - 2));
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  // The decimal point stands after digit (exponent + 1).
  const int pointPos = exponent + 1;
  if (pointPos > 15 || pointPos < -3) {
    out += digits[0];
    if (digits.size() > 1) {
      out += ',';
      out.append(digits, 1);
    }
    out += 'E';
    out += std::to_string(exponent);
  } else if (pointPos <= 0) {
    out += "0,";
    out.append(static_cast<std::size_t>(-pointPos), '0');
    out += digits;
  } else if (static_cast<std::size_t>(pointPos) >= digits.size()) {
    out += digits;
    out.append(static_cast<std::size_t>(pointPos) - digits.size(), '0');
  } else {
    out.append(digits, 0, static_cast<std::size_t>(pointPos));
    out += ',';
    out.append(digits, static_cast<std::size_t>(pointPos));
  }
  return out;
}

ParsedCondition ParseCondition(std::string_view condition) {
  Parsed p;
  ParseInto(condition, p);
  ParsedCondition result;
  result.parsed = p.parsed;
  for (std::size_t i = 0; i < p.operands.size(); ++i) {
    const Operand& op = p.operands[i];
    if (op.address) {
      result.texts.push_back(op.name.empty() ? std::string() : UpperCase(op.name) + ".INI");
      result.texts.push_back(std::to_string(op.r) + ' ' + std::to_string(op.c));
    } else {
      result.texts.emplace_back();
      result.texts.emplace_back(op.text);
    }
    if (i < p.codes.size()) result.texts.push_back(std::to_string(p.codes[i]));
  }
  return result;
}

namespace {

// The text at one operand position: the captured text when there is one,
// else a number in the general format (kept as its value).
struct Slot {
  double number = 0;
  std::string_view text;  // non-empty: the captured text
};

double SlotNumber(const Slot& s) { return s.text.empty() ? s.number : ReadNumberOrBreak(s.text); }

// The operators as the explanation of a failed condition writes them.
std::string_view ComparisonText(int code) {
  switch (code) {
    case kEqual: return "=";
    case kNotEqual: case kNotEmpty: return "<>";
    case kGreater: return ">";
    case kGreaterEqual: return ">=";
    case kLess: return "<";
    case kLessEqual: return "<=";
    default: return "|";
  }
}

std::string_view ArithmeticText(int code) {
  switch (code) {
    case kAdd: return "+";
    case kSubtract: return "-";
    case kMultiply: return "*";
    default: return "/";
  }
}

}  // namespace

TestResult TestCondition(TTable& owner, std::string_view condition,
                         std::optional<std::string_view> message, TableLookup* lookup,
                         std::vector<std::string>& protocol, RuleExplanation* explanation) {
  const auto notTested = [&] {
    std::string s = Numbered(protocol.size() + 1, ". Проверку условия  \""_w);
    s += condition;
    s += "\"  выполнить не удалось."_w;
    protocol.push_back(std::move(s));
    return TestResult::NotTested;
  };
  thread_local Parsed p;
  thread_local std::vector<Slot> slots;
  thread_local std::vector<int> ops;
  ParseInto(condition, p);
  if (!p.parsed) return notTested();
  // An incomplete form (no right side, or an operator without its operand)
  // breaks the rule off.
  const std::size_t operands = p.operands.size();
  if (operands < 2 || p.codes.size() != operands - 1) return TestResult::Error;
  try {
    const bool emptyMode = !p.operands[1].address && IsEmptyWord(p.operands[1].text);
    std::string_view captured;
    slots.clear();
    // What each operand was, for the explanation of a failure.
    thread_local std::vector<std::string> shown;
    thread_local std::vector<RuleCell> read;
    shown.clear();
    read.clear();
    for (const Operand& op : p.operands) {
      double value;
      if (!op.address) {
        const auto v = ReadNumber(op.text);
        value = v ? *v : kNoValue;
      } else if (!op.name.empty()) {
        std::string file = UpperCase(op.name);
        file += ".INI";
        TTable* other = lookup ? lookup->FindTable(owner, file) : nullptr;
        if (!other) {
          value = kNoValue;
        } else {
          const TCell* cell = AddressedCell(*other, op);
          if (!cell) throw RuleBroken{};
          RuleReadRecorder::Note(cell);
          value = CellNumber(*cell);
          read.push_back(op.r == 0 ? RuleCell{other, 0, 0, op.c - 2} : RuleCell{other, op.r, op.c, 0});
        }
      } else if (emptyMode) {
        // The emptiness test reads the cell with the address's last number.
        const TCell* cell = CellByNumber(owner.data, op.c);
        if (!cell) throw RuleBroken{};
        RuleReadRecorder::Note(cell);
        captured = TrimControls(cell->label.caption);
        value = 0;
        read.push_back(RuleCell{nullptr, 0, 0, op.c});
      } else {
        const TCell* cell = AddressedCell(owner, op);
        if (!cell) throw RuleBroken{};
        RuleReadRecorder::Note(cell);
        value = CellNumber(*cell);
        read.push_back(op.r == 0 ? RuleCell{nullptr, 0, 0, op.c - 2} : RuleCell{nullptr, op.r, op.c, 0});
      }
      if (value < -999999999 && !emptyMode) return notTested();
      slots.push_back(captured.empty() ? Slot{Round15(value), {}} : Slot{0, captured});
      if (explanation) {
        if (!op.address) shown.emplace_back(op.text);
        else if (emptyMode && op.name.empty())
          shown.push_back("\"" + std::string(captured) + "\"");
        else shown.push_back(GeneralNumberText(slots.back().text.empty() ? slots.back().number
                                                                         : ReadNumber(slots.back().text).value_or(0)));
      }
    }
    // The right side: "*" and "/" first, then "+" and "-", left to right.
    ops.assign(p.codes.begin() + 1, p.codes.end());
    for (int pass = 0; pass < 2; ++pass) {
      for (std::size_t k = 0; k < ops.size();) {
        const int op = ops[k];
        if (pass == 0 ? (op != kMultiply && op != kDivide) : (op != kAdd && op != kSubtract)) {
          ++k;
          continue;
        }
        const double a = SlotNumber(slots[k + 1]);
        const double b = SlotNumber(slots[k + 2]);
        double r;
        switch (op) {
          case kMultiply: r = a * b; break;
          case kDivide:
            if (b == 0) throw RuleBroken{};
            r = a / b;
            break;
          case kAdd: r = a + b; break;
          default: r = a - b; break;
        }
        if (!std::isfinite(r)) throw RuleBroken{};
        slots[k + 1] = Slot{Round15(r), {}};
        slots.erase(slots.begin() + static_cast<std::ptrdiff_t>(k) + 2);
        ops.erase(ops.begin() + static_cast<std::ptrdiff_t>(k));
      }
    }
    double R = slots[1].number;
    if (!slots[1].text.empty()) {
      const auto rv = ReadNumber(slots[1].text);
      R = rv ? *rv : 0.0;
    }
    const int code = p.codes[0];
    bool holds;
    if (code == kNotEmpty) {
      holds = !captured.empty();
    } else {
      const double L = SlotNumber(slots[0]);
      switch (code) {
        case kEqual: holds = L == R; break;
        case kNotEqual: holds = L != R; break;
        case kGreater: holds = L > R; break;
        case kGreaterEqual: holds = L >= R; break;
        case kLess: holds = L < R; break;
        case kLessEqual: holds = L <= R; break;
        default: holds = (L == 0) == (R == 0); break;
      }
    }
    if (holds) return TestResult::Holds;
    if (explanation) {
      explanation->values.clear();
      for (std::size_t i = 0; i < shown.size(); ++i) {
        if (i > 0) {
          explanation->values += ' ';
          explanation->values += i == 1 ? ComparisonText(p.codes[0]) : ArithmeticText(p.codes[i - 1]);
          explanation->values += ' ';
        }
        explanation->values += shown[i];
      }
      explanation->cells = read;
    }
    if (message) {
      protocol.push_back(CellMessage(protocol.size() + 1, condition, *message));
    } else {
      std::string s = Numbered(protocol.size() + 1, ". Условие  "_w);
      s += condition;
      s += "  не выполняется."_w;
      protocol.push_back(std::move(s));
    }
    return TestResult::Fails;
  } catch (const RuleBroken&) {
    return TestResult::Error;
  }
}

bool CheckRuleLine(TTable& table, std::string_view line, TableLookup* lookup,
                   std::vector<std::string>& protocol, bool* erred,
                   std::vector<RuleExplanation>* explanations) {
  const std::size_t semi = line.find(';');
  const std::string_view condition = line.substr(0, semi);
  std::optional<std::string_view> message;
  if (semi != std::string_view::npos) message = line.substr(semi + 1);
  RuleExplanation explanation;
  const auto test = [&](std::string_view c) {
    const std::size_t before = protocol.size();
    const TestResult r =
        TestCondition(table, c, message, lookup, protocol, explanations ? &explanation : nullptr);
    if (explanations && protocol.size() > before) {
      explanations->resize(before);
      explanations->push_back(r == TestResult::Fails ? std::move(explanation) : RuleExplanation{});
      explanations->resize(protocol.size());
    }
    return r;
  };
  if (condition.find('*') == std::string_view::npos) {
    const TestResult r = test(condition);
    if (erred && r == TestResult::Error) *erred = true;
    return r == TestResult::Holds || r == TestResult::Error;
  }
  bool ok = true;
  std::string rowCondition;
  for (int i = 1; i <= table.RowCount; ++i) {
    const std::string row = std::to_string(i);
    rowCondition.clear();
    for (char c : condition) {
      if (c == '*') rowCondition += row;
      else rowCondition += c;
    }
    const TestResult r = test(rowCondition);
    if (r == TestResult::Error) {
      if (erred) *erred = true;
      break;
    }
    if (r != TestResult::Holds) ok = false;
  }
  return ok;
}

bool CheckRule(TTable& table, int k, CheckRulesFile& rules, TableLookup* lookup,
               std::vector<std::string>& protocol) {
  return CheckRuleLine(table, rules.RuleLine(table.tableName, k), lookup, protocol);
}

bool CheckRules(TTable& table, CheckRulesFile& rules, TableLookup* lookup,
                std::vector<std::string>& protocol, std::vector<int>* erred,
                std::vector<RuleExplanation>* explanations) {
  bool ok = true;
  for (const auto& [k, line] : rules.Rules(table.tableName)) {
    bool error = false;
    if (!CheckRuleLine(table, line, lookup, protocol, &error, explanations)) ok = false;
    if (error && erred) erred->push_back(k);
  }
  return ok;
}

bool CheckRows(TTable& table, std::vector<std::string>& protocol) {
  bool ok = true;
  for (int r = 1; r <= table.RowCount; ++r) {
    const TRow* row = RowAt(table.data, r);
    if (!row) break;
    int T = 0, TE = 0, D = 0, DE = 0;
    for (const auto& cell : row->cells) {
      const std::string& text = cell->label.caption;
      switch (cell->type) {
        case cell_type::kText:
        case cell_type::kListValue:
          ++T;
          if (TrimControls(text).empty()) ++TE;
          break;
        case cell_type::kInteger:
        case cell_type::kReal: {
          ++D;
          if (TrimControls(text).empty()) {
            ++DE;
          } else {
            const auto v = ReadNumber(text);
            if (!v) throw EConvertError("'" + text + "' is not a valid floating point value");
            if (*v == 0) ++DE;
          }
          break;
        }
        case cell_type::kDate:
        case cell_type::kLongText:
        case cell_type::kCountsAsInput:
          ++D;
          if (TrimControls(text).empty()) ++DE;
          break;
        default:
          break;
      }
    }
    if (T == 0) continue;
    if (D > 0 && TE == T && DE == D) continue;
    if (TE == 0 && DE < D) continue;
    if (D == 0 && TE == 0) continue;
    if (D > 0 && DE == D) {
      protocol.push_back(Numbered(protocol.size() + 1, ". Строка "_w) + std::to_string(r) +
                         std::string(" имеет заполненные текстовые ячейки, но не содержит данных."_w));
      ok = false;
    } else if (D > 0) {
      protocol.push_back(Numbered(protocol.size() + 1, ". Строка "_w) + std::to_string(r) +
                         std::string(" содержит данные, а текстовые ячейки не заполнены."_w));
      ok = false;
    }
  }
  return ok;
}

// --- the rules file ---------------------------------------------------------

CheckRulesFile::CheckRulesFile() = default;
CheckRulesFile::~CheckRulesFile() = default;

void CheckRulesFile::Open(const std::string& path) {
  if (ini_) return;
  ini_ = std::make_unique<TMyIniFile>(path);
  // The rules are only read; releasing must leave the file as it is.
  ini_->DiscardChanges();
  path_ = path;
  sections_.clear();
}

void CheckRulesFile::Release() {
  ini_.reset();
  path_.clear();
  sections_.clear();
}

CheckRulesFile::Section& CheckRulesFile::SectionOf(std::string_view tableName) {
  auto it = sections_.find(std::string(tableName));
  if (it != sections_.end()) return it->second;
  Section s;
  if (ini_) {
    s.count = ini_->ReadInteger(tableName, "Count", 0);
    if (s.count > 0) {
      // Only the keys the section holds; a missing key holds silently.
      std::vector<std::string> keys;
      const auto& lines = ini_->Section(tableName);
      for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t eq = lines[i].find('=');
        if (eq == std::string::npos) continue;
        keys.push_back(lines[i].substr(0, eq));
      }
      for (const std::string& key : keys) {
        const auto k = PositiveInt(key);
        if (!k || *k > s.count || std::to_string(*k) != key) continue;
        s.rules.emplace_back(*k, ini_->ReadString(tableName, key, ""));
      }
      std::sort(s.rules.begin(), s.rules.end(),
                [](const auto& a, const auto& b) { return a.first < b.first; });
      // The first line of a key wins, as in reading it.
      s.rules.erase(std::unique(s.rules.begin(), s.rules.end(),
                                [](const auto& a, const auto& b) { return a.first == b.first; }),
                    s.rules.end());
    }
    ini_->DiscardChanges();
  }
  return sections_.emplace(std::string(tableName), std::move(s)).first->second;
}

int CheckRulesFile::Count(std::string_view tableName) { return SectionOf(tableName).count; }

const std::string& CheckRulesFile::RuleLine(std::string_view tableName, int k) {
  static const std::string kNone;
  const Section& s = SectionOf(tableName);
  for (const auto& [key, line] : s.rules)
    if (key == k) return line;
  return kNone;
}

const std::vector<std::pair<int, std::string>>& CheckRulesFile::Rules(std::string_view tableName) {
  return SectionOf(tableName).rules;
}

}  // namespace rpt::checks
