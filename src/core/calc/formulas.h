// Cell formulas: the language of a formula cell's "Form" and the
// computation of one cell's text from the cells it reads.
//
// A formula is "code orientation rest": codes 0-6 add up cells of the
// cell's own row or column, code 8 evaluates an expression over cells of
// the same table, code 7 one over cells of other tables (found by name in
// the registry of open tables). With a negative "Dec", codes 7 and 8 copy
// one cell's text instead. References are replaced by value texts and the
// result goes to TRxMathParser.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/calc/rx_math_parser.h"
#include "core/foundation/errors.h"

namespace rpt {

class Interaction;
class TCell;
class TDependencyIndex;
class TOpenTables;
class TTable;

// The words of a formula text.
struct FormulaText {
  int code = 0;          // word 1; a word that is no integer counts as 0
  bool vertical = false;  // word 2 is exactly "0"
  // Codes 7 and 8: everything after the second blank, or the whole text
  // when there is no second blank ("8 5" computes 85).
  std::string_view expression;
};
FormulaText SplitFormula(std::string_view form);

// Fixed notation with `decimals` decimals (negative counts as 0, at most
// 18): the value taken to 18 significant digits, then rounded at the last
// decimal half away from zero; "," as separator, no "-" on a zero. The
// same routine as for real cells (tables::FormatFixed).
std::string FormatFixedValue(long double value, int decimals);
// General notation as a cross-table value is handed to the outer
// expression: up to 15 significant digits, trailing zeros dropped, ","
// as separator; exponent form ("1,5E-7", "1E20") below 0,00001 and from
// 16 integer digits on.
std::string FormatGeneralValue(long double value);
// A number with "," as decimal separator: blanks around it, a sign, digits
// with at most one ",", an exponent. Nothing when the text is no number.
// The same routine as for real cells (tables::ParseNumber).
std::optional<long double> ReadCommaNumber(std::string_view text);

// "3-2" (row-column) for a data cell of a grid table, the cell number for
// any other cell: the address that follows "Ячейка " in messages.
std::string CellAddress(const TTable& table, const TCell& cell);

namespace formulas_detail {

// Cell -> result text, open addressing. Clearing keeps the memory, so an
// operation after the first allocates little.
class ResultCache {
 public:
  const std::string* Find(const TCell* cell) const;
  void Insert(const TCell* cell, const std::string& text);
  void Clear();
  // Room for `count` results without growing on the way.
  void Reserve(std::size_t count);

 private:
  struct Slot {
    const TCell* key = nullptr;
    std::string text;
  };
  std::size_t IndexOf(const TCell* cell) const;
  void Rehash(std::size_t size);
  std::vector<Slot> slots_;
  std::vector<std::size_t> used_;
};

}  // namespace formulas_detail

// Computes formula cells. One object serves the whole report; it keeps no
// state between operations except what Scope holds while one runs.
class TFormulaCalc {
 public:
  // References from one formula cell to formula cells deeper than this are
  // refused with an error instead of exhausting the stack.
  static constexpr int kMaxChain = 1000;
  // Formulas are a line of a few dozen characters; a longer "Form" than
  // this is refused with an error (EConvertError) instead of being worked
  // through, since resolving references costs time with the length.
  static constexpr std::size_t kMaxFormulaLength = 4096;

  TFormulaCalc(const TOpenTables& tables, Interaction* ui) : tables_(&tables), ui_(ui) {}
  TFormulaCalc(const TFormulaCalc&) = delete;
  TFormulaCalc& operator=(const TFormulaCalc&) = delete;

  // The cell's new text (not stored). Deep: formula cells that an
  // expression refers to are computed again first; shallow: their shown
  // text is used. Sums (codes 0-6) always compute the formula cells they
  // add. A formula that reaches itself gives every cell on the cycle the
  // value 0 (stored), with one warning per operation. Raises
  // ERxParserError for an expression the evaluator refuses, EConvertError
  // for a malformed reference, ECoreError for a chain deeper than kMaxChain.
  std::string CalcCell(TTable* table, TCell& cell, bool deep);

  // Tells `index` (null: nobody) which cells each computation reads, and
  // when a cycle or a failure makes its knowledge unsafe.
  void SetDependencyIndex(TDependencyIndex* index) { index_ = index; }

  // Calls of CalcCell inside one Scope form one operation (a table's pass,
  // the report-wide recalculation): a cell whose result depends only on
  // cells that are not formulas, directly or through formula cells, is
  // computed once per operation, and a cycle is reported once. Scopes nest;
  // the outermost one ends the operation.
  class Scope {
   public:
    explicit Scope(TFormulaCalc& calc);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    TFormulaCalc& calc_;
  };

 private:
  friend class TRecalc;
  struct CycleUnwind {
    const TCell* start;
  };

  std::string Compute(TTable* table, TCell& cell, bool deep);
  std::string ComputeUncached(TTable& table, TCell& cell, bool deep);
  long double Sum(TTable& table, TCell& cell, const FormulaText& f, bool deep);
  long double CellValue(TTable& table, TCell* cell, bool deep);
  long double SameTableValue(TTable* table, std::string_view expression, bool deep);
  long double OtherTableValue(std::string_view expression, bool deep);
  void ResolveReferences(std::string& text, TTable* table, bool deep);
  std::string SameTableCopy(TTable& table, std::string_view expression);
  std::string OtherTableCopy(std::string_view expression);
  std::string ShownText(TCell& cell);
  [[noreturn]] void Malformed(std::string_view reference) const;
  void ReportCycle(const TTable& table, const TCell& cell);

  const TOpenTables* tables_;
  Interaction* ui_;
  TDependencyIndex* index_ = nullptr;
  // The formula cell being computed, for the text of a malformed reference.
  const TTable* ownerTable_ = nullptr;
  const TCell* ownerCell_ = nullptr;
  // The innermost formula cell an error left, so that a report of the
  // error names the cell whose formula failed, not the cell that read it.
  const TTable* failedTable_ = nullptr;
  const TCell* failedCell_ = nullptr;

  int scopeDepth_ = 0;
  bool cycleReported_ = false;
  // Set while a computation reads a formula cell's shown text (or meets a
  // cycle): its result may change within the operation, so it is not kept.
  bool impure_ = false;
  // The cells being computed, outermost first.
  std::vector<const TCell*> inProgress_;
  formulas_detail::ResultCache results_[2];  // [deep]
  TRxMathParser parser_;
};

}  // namespace rpt
