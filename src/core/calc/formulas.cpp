#include "core/calc/formulas.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "core/calc/dependency_index.h"
#include "core/calc/rx_math_parser.h"
#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/foundation/common.h"
#include "core/foundation/interaction.h"
#include "core/tables/table_text.h"
#include "core/calc/open_tables.h"
#include "core/tables/table.h"

namespace rpt {

using namespace literals;

namespace {

// Substituted values are rescanned for references, so a cell whose text
// names itself would make the text grow or repeat for ever; far beyond any
// real formula, resolving stops with an error.
constexpr int kMaxReferenceRounds = 10000;
constexpr std::size_t kMaxResolvedLength = 1 << 20;

std::string WithoutBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text)
    if (c != ' ') out += c;
  return out;
}

// Every occurrence, left to right, without rescanning replacements.
void ReplaceAll(std::string& text, std::string_view pattern, std::string_view value) {
  std::size_t pos = text.find(pattern);
  if (pos == std::string::npos) return;
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  while (pos != std::string::npos) {
    out.append(text, from, pos - from);
    out += value;
    from = pos + pattern.size();
    pos = text.find(pattern, from);
  }
  out.append(text, from, std::string::npos);
  text = std::move(out);
}

// The table name in front of the "[" at `bracket`: back to the nearest
// operator "*", "+", "-", "/" or the start of the text.
std::size_t NameStart(std::string_view text, std::size_t bracket) {
  std::size_t start = bracket;
  while (start > 0 && std::strchr("*+-/", text[start - 1]) == nullptr) --start;
  return start;
}

// What lies between the first "(" and the first ")" of the text; nothing
// when there is no such pair.
std::optional<std::string_view> FirstParenContent(std::string_view text) {
  const std::size_t open = text.find('(');
  const std::size_t close = text.find(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
  return text.substr(open + 1, close - open - 1);
}

// A reference's content: "r:c" (exactly one ":") or a cell number "n".
struct Reference {
  bool twoNumbers = false;
  std::int32_t row = 0, col = 0;  // twoNumbers
  std::int32_t number = 0;        // otherwise
};

std::optional<Reference> ParseReference(std::string_view content) {
  Reference ref;
  const std::size_t colon = content.find(':');
  if (colon != std::string_view::npos && content.find(':', colon + 1) == std::string_view::npos) {
    const auto r = TryStrToInt(content.substr(0, colon));
    const auto c = TryStrToInt(content.substr(colon + 1));
    if (!r || !c) return std::nullopt;
    ref.twoNumbers = true;
    ref.row = *r;
    ref.col = *c;
    return ref;
  }
  const auto n = TryStrToInt(content);
  if (!n) return std::nullopt;
  ref.number = *n;
  return ref;
}

// A form table's cell by its "Col" and "Row" keys.
TCell* FormCellByKeys(const TTable& table, std::int32_t col, std::int32_t row) {
  if (const TRow* first = FirstRow(table.data))
    for (const auto& cell : first->cells)
      if (cell->Col == col && cell->Row == row) return cell.get();
  return nullptr;
}

bool IsNumberType(const TCell* cell) {
  return cell && (cell->type == cell_type::kInteger || cell->type == cell_type::kReal);
}

}  // namespace

FormulaText SplitFormula(std::string_view form) {
  FormulaText f;
  f.code = TryStrToInt(NthWord(form, 1)).value_or(0);
  f.vertical = NthWord(form, 2) == "0";
  const std::size_t first = form.find(' ');
  const std::size_t second = first == std::string_view::npos ? first : form.find(' ', first + 1);
  f.expression = second == std::string_view::npos ? form : form.substr(second + 1);
  return f;
}

std::string FormatFixedValue(long double value, int decimals) { return tables::FormatFixed(value, decimals); }

std::string FormatGeneralValue(long double value) {
  if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  std::string digits;
  int exponent = 0;
  tables::SignificantDigits(value, 15, digits, exponent);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = value < 0 ? "-" : "";
  const int count = static_cast<int>(digits.size());
  if (exponent >= 15 || exponent < -5) {
    out += digits[0];
    if (count > 1) {
      out += ',';
      out.append(digits, 1, std::string::npos);
    }
    out += 'E';
    out += std::to_string(exponent);
  } else if (exponent < 0) {
    out += "0,";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
  } else {
    const int intDigits = exponent + 1;
    for (int i = 0; i < intDigits; ++i) out += i < count ? digits[static_cast<std::size_t>(i)] : '0';
    if (count > intDigits) {
      out += ',';
      out.append(digits, static_cast<std::size_t>(intDigits), std::string::npos);
    }
  }
  return out;
}

std::optional<long double> ReadCommaNumber(std::string_view text) { return tables::ParseNumber(text); }

std::string CellAddress(const TTable& table, const TCell& cell) {
  if (table.grid && GetCell(table.data, cell.Col, cell.Row) == &cell && cell.Row >= 1)
    return std::to_string(cell.Row) + "-" + std::to_string(cell.Col);
  if (cell.number > 0) return std::to_string(cell.number);
  return std::to_string(cell.Row) + "-" + std::to_string(cell.Col);
}

// --- ResultCache -----------------------------------------------------------------

namespace formulas_detail {

std::size_t ResultCache::IndexOf(const TCell* cell) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = (reinterpret_cast<std::uintptr_t>(cell) >> 4) * 0x9E3779B97F4A7C15ull >> 20 & mask;
  while (slots_[i].key && slots_[i].key != cell) i = (i + 1) & mask;
  return i;
}

const std::string* ResultCache::Find(const TCell* cell) const {
  if (used_.empty()) return nullptr;
  const Slot& slot = slots_[IndexOf(cell)];
  return slot.key ? &slot.text : nullptr;
}

void ResultCache::Insert(const TCell* cell, const std::string& text) {
  if ((used_.size() + 1) * 4 > slots_.size() * 3) Rehash(slots_.empty() ? 256 : slots_.size() * 2);
  const std::size_t i = IndexOf(cell);
  if (!slots_[i].key) used_.push_back(i);
  slots_[i].key = cell;
  slots_[i].text = text;
}

void ResultCache::Reserve(std::size_t count) {
  std::size_t size = slots_.empty() ? 256 : slots_.size();
  while (count * 4 > size * 3) size *= 2;
  if (size > slots_.size()) Rehash(size);
}

void ResultCache::Rehash(std::size_t size) {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(size, Slot{});
  used_.clear();
  for (Slot& slot : old) {
    if (!slot.key) continue;
    const std::size_t i = IndexOf(slot.key);
    slots_[i] = std::move(slot);
    used_.push_back(i);
  }
}

void ResultCache::Clear() {
  for (const std::size_t i : used_) slots_[i].key = nullptr;
  used_.clear();
}

}  // namespace formulas_detail

// --- TFormulaCalc -------------------------------------------------------------

TFormulaCalc::Scope::Scope(TFormulaCalc& calc) : calc_(calc) {
  if (calc_.scopeDepth_++ == 0) {
    calc_.cycleReported_ = false;
    calc_.results_[0].Clear();
    calc_.results_[1].Clear();
  }
}

TFormulaCalc::Scope::~Scope() {
  if (--calc_.scopeDepth_ == 0) {
    calc_.results_[0].Clear();
    calc_.results_[1].Clear();
    calc_.inProgress_.clear();
    calc_.impure_ = false;
    calc_.failedTable_ = nullptr;
    calc_.failedCell_ = nullptr;
  }
}

std::string TFormulaCalc::CalcCell(TTable* table, TCell& cell, bool deep) {
  Scope scope(*this);
  return Compute(table, cell, deep);
}

std::string TFormulaCalc::Compute(TTable* table, TCell& cell, bool deep) {
  if (!table) return "0";
  if (index_) index_->Read(cell);
  auto& results = results_[deep ? 1 : 0];
  if (const std::string* known = results.Find(&cell)) return *known;

  for (const TCell* c : inProgress_)
    if (c == &cell) throw CycleUnwind{&cell};
  inProgress_.push_back(&cell);
  struct Frame {
    TFormulaCalc& c;
    const TTable* ownerTable;
    const TCell* ownerCell;
    bool outerImpure;
    ~Frame() {
      if (c.index_) c.index_->End();
      c.inProgress_.pop_back();
      c.ownerTable_ = ownerTable;
      c.ownerCell_ = ownerCell;
    }
  } frame{*this, ownerTable_, ownerCell_, impure_};
  ownerTable_ = table;
  ownerCell_ = &cell;
  impure_ = false;
  if (index_) index_->Begin(cell);

  if (static_cast<int>(inProgress_.size()) > kMaxChain) {
    throw ECoreError(std::string("Слишком длинная цепочка формул: таблица \""_w) + table->tableName + "\", " +
                     std::string("Ячейка "_w) + CellAddress(*table, cell) + ".");
  }

  std::string text;
  try {
    text = ComputeUncached(*table, cell, deep);
  } catch (const ECoreError&) {
    if (index_) index_->Poison();
    if (!failedCell_) {
      failedTable_ = table;
      failedCell_ = &cell;
    }
    throw;
  } catch (const CycleUnwind& cycle) {
    if (index_) index_->Poison();
    // Every cell on the cycle shows 0; the cell the cycle started from
    // gives 0 to whatever asked for it, and the computation goes on.
    text = FormatFixedValue(0, cell.Dec);
    cell.SetValue(text);
    if (cycle.start != &cell) throw;
    ReportCycle(*table, cell);
    impure_ = true;
    return text;
  }
  const bool mine = impure_;
  impure_ = frame.outerImpure || mine;
  if (!mine) results.Insert(&cell, text);
  return text;
}

std::string TFormulaCalc::ComputeUncached(TTable& table, TCell& cell, bool deep) {
  if (cell.Form.size() > kMaxFormulaLength)
    throw EConvertError(std::string("Формула длиннее "_w) + std::to_string(kMaxFormulaLength) +
                        std::string(" символов: таблица \""_w) + table.tableName + "\", " +
                        std::string("Ячейка "_w) + CellAddress(table, cell) + ".");
  const FormulaText f = SplitFormula(cell.Form);
  long double value = 0;
  switch (f.code) {
    case 0: case 1: case 2: case 3: case 4: case 5: case 6:
      value = Sum(table, cell, f, deep);
      break;
    case 7:
      if (cell.Dec < 0) return OtherTableCopy(f.expression);
      value = OtherTableValue(f.expression, deep);
      break;
    case 8:
      if (cell.Dec < 0) return SameTableCopy(table, f.expression);
      value = SameTableValue(&table, f.expression, deep);
      break;
    default:
      break;
  }
  return FormatFixedValue(value, cell.Dec);
}

long double TFormulaCalc::CellValue(TTable& table, TCell* cell, bool deep) {
  if (!cell) return 0;
  switch (cell->type) {
    case cell_type::kInteger:
      if (index_) index_->Read(*cell);
      return TryStrToInt(cell->GetValue()).value_or(0);
    case cell_type::kReal:
      if (index_) index_->Read(*cell);
      return ReadCommaNumber(cell->GetValue()).value_or(0);
    case cell_type::kFormula:
      return ReadCommaNumber(Compute(&table, *cell, deep)).value_or(0);
    default:
      return 0;
  }
}

long double TFormulaCalc::Sum(TTable& table, TCell& cell, const FormulaText& f, bool deep) {
  const TDataSect& data = table.data;
  const std::int32_t row = cell.Row, col = cell.Col;
  // The cell at position i along the formula's line.
  const auto at = [&](std::int32_t i) { return f.vertical ? GetCell(data, col, i) : GetCell(data, i, row); };
  const std::int32_t own = f.vertical ? row : col;
  const std::int32_t last = f.vertical ? table.RowCount : table.ColCount;
  long double sum = 0;
  switch (f.code) {
    case 0:
    case 1:
      for (std::int32_t i = 1; i <= last; ++i) {
        if (i == own) continue;
        TCell* c = at(i);
        if (f.code == 0 || IsNumberType(c)) sum += CellValue(table, c, deep);
      }
      break;
    case 2:
    case 4:
      for (std::int32_t i = own - 1; i >= 1; --i) {
        TCell* c = at(i);
        if (IsNumberType(c)) sum += CellValue(table, c, deep);
        else if (f.code == 4) break;
      }
      break;
    case 3:
    case 5:
      for (std::int32_t i = own + 1; i <= last; ++i) {
        TCell* c = at(i);
        if (IsNumberType(c)) sum += CellValue(table, c, deep);
        else if (f.code == 5) break;
      }
      break;
    case 6:
      for (int w = 3;; ++w) {
        const std::string word = NthWord(cell.Form, w);
        if (word.empty()) break;
        const std::int32_t k = TryStrToInt(word).value_or(0);
        const std::int32_t index = k < 0 ? (k == INT32_MIN ? INT32_MAX : -k) : k;
        const long double v = CellValue(table, at(index), deep);
        if (k > 0) sum += v;
        else sum -= v;
      }
      break;
    default:
      break;
  }
  return sum;
}

std::string TFormulaCalc::ShownText(TCell& cell) {
  // A formula cell's shown text changes as the operation stores results.
  if (cell.type == cell_type::kFormula) impure_ = true;
  if (index_) index_->Read(cell);
  return cell.GetValue();
}

void TFormulaCalc::ResolveReferences(std::string& text, TTable* table, bool deep) {
  for (int round = 0;; ++round) {
    const std::size_t open = text.find('(');
    if (open == std::string::npos) return;
    const std::size_t close = text.find(')');
    const std::string_view rest = std::string_view(text).substr(open);
    if (close == std::string::npos || close < open) Malformed(rest.substr(0, std::min<std::size_t>(rest.size(), 40)));
    if (round >= kMaxReferenceRounds || text.size() > kMaxResolvedLength)
      Malformed(std::string_view(text).substr(open, close - open + 1));
    const std::string pattern = text.substr(open, close - open + 1);
    const std::string_view content = std::string_view(pattern).substr(1, pattern.size() - 2);

    std::string value;
    if (table) {
      const auto ref = ParseReference(content);
      if (!ref) Malformed(pattern);
      TCell* cell = nullptr;
      if (ref->twoNumbers) {
        cell = table->grid ? GetCell(table->data, ref->col, ref->row) : FormCellByKeys(*table, ref->col, ref->row);
        if (!cell) {
          text.assign(1, '0');
          return;
        }
        value = cell->type == cell_type::kFormula && deep ? Compute(table, *cell, deep) : ShownText(*cell);
      } else {
        cell = CellByNumber(table->data, ref->number);
        if (!cell) {
          text.assign(1, '0');
          return;
        }
        value = ShownText(*cell);
      }
      if (value.empty() && cell->Dec >= 0) value.assign(1, '0');
    } else {
      value.assign(1, '0');
    }
    ReplaceAll(text, pattern, value);
  }
}

long double TFormulaCalc::SameTableValue(TTable* table, std::string_view expression, bool deep) {
  std::string text = WithoutBlanks(expression);
  ResolveReferences(text, table, deep);
  return parser_.Evaluate(text);
}

long double TFormulaCalc::OtherTableValue(std::string_view expression, bool deep) {
  std::string text = WithoutBlanks(expression);
  for (std::size_t bracket; (bracket = text.find('[')) != std::string::npos;) {
    const std::size_t start = NameStart(text, bracket);
    const std::size_t close = text.find(']');
    const std::string name = text.substr(start, bracket - start);
    // Without a "]" after the "[" the inner part is empty, which the
    // evaluator refuses.
    const std::string inner = close != std::string::npos && close > bracket ? text.substr(bracket + 1, close - bracket - 1) : "";
    TTable* other = tables_->FindByName(name);
    std::string resolved = inner;
    ResolveReferences(resolved, other, deep);
    const std::string number = FormatGeneralValue(parser_.Evaluate(resolved));
    ReplaceAll(text, name + "[" + inner + "]", number);
  }
  return parser_.Evaluate(text);
}

std::string TFormulaCalc::SameTableCopy(TTable& table, std::string_view expression) {
  const std::string text = WithoutBlanks(expression);
  const auto content = FirstParenContent(text);
  const auto ref = content ? ParseReference(*content) : std::nullopt;
  if (!ref) Malformed(text);
  TCell* cell = ref->twoNumbers ? GetCell(table.data, ref->col, ref->row) : CellByNumber(table.data, ref->number);
  return cell ? ShownText(*cell) : std::string();
}

std::string TFormulaCalc::OtherTableCopy(std::string_view expression) {
  const std::string text = WithoutBlanks(expression);
  const std::size_t bracket = text.find('[');
  const std::size_t close = text.find(']');
  const std::string name = bracket == std::string::npos ? text : text.substr(NameStart(text, bracket), bracket - NameStart(text, bracket));
  TTable* other = tables_->FindByName(name);
  if (!other) return {};
  const std::string_view inner = bracket != std::string::npos && close != std::string::npos && close > bracket
                                     ? std::string_view(text).substr(bracket + 1, close - bracket - 1)
                                     : std::string_view();
  const auto content = FirstParenContent(inner);
  const auto ref = content ? ParseReference(*content) : std::nullopt;
  if (!ref) Malformed(text);
  TCell* cell = ref->twoNumbers ? GetCell(other->data, ref->col, ref->row) : CellByNumber(other->data, ref->number);
  return cell ? ShownText(*cell) : std::string();
}

void TFormulaCalc::Malformed(std::string_view reference) const {
  std::string message = std::string("Неверная ссылка \""_w) + std::string(reference) + std::string("\" в формуле"_w);
  if (ownerTable_ && ownerCell_)
    message += std::string(": таблица \""_w) + ownerTable_->tableName + "\", " + std::string("Ячейка "_w) +
               CellAddress(*ownerTable_, *ownerCell_);
  throw EConvertError(message + ".");
}

void TFormulaCalc::ReportCycle(const TTable& table, const TCell& cell) {
  if (cycleReported_) return;
  cycleReported_ = true;
  if (!ui_) return;
  const std::string text = std::string("Формула ссылается сама на себя: таблица \""_w) + table.tableName + "\", " +
                           std::string("Ячейка "_w) + CellAddress(table, cell) + ".\r\n" +
                           std::string("Ячейкам этого цикла дано значение 0."_w);
  ui_->ShowMessage(MessageKind::Warning, text, kOk, kOk);
}

}  // namespace rpt
