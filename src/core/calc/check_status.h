// Table status, the check protocol and the summaries built on the rules
// engine. `TableChecker` is the report state's checking component: the
// report state opens the rules file through it once, tells it the open
// tables in report loading order, and forwards its table hooks to it:
//
//   void CheckTable(TTable& t) override { checker.CheckTable(t); }
//   bool HasRules(std::string_view name) override { return checker.HasRules(name); }
//
// The windows (tree lights, table icon, the frame's "Проверка" action, the
// protocol window) follow through `CheckObserver`; the protocol window's
// contents are the `ProtocolView` model, which the desktop window renders.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/calc/check_rules.h"
#include "core/calc/rule_memory.h"
#include "core/foundation/codec.h"
#include "core/tables/table_navigation.h"

namespace rpt {

class Interaction;
class TTable;
struct StructureModel;

namespace checks {

// Table status.
enum TableStatus : std::uint8_t { kUndetermined = 0, kNorm = 1, kEmpty = 2, kErrors = 3 };

// An open table and the caption of its item in the structure tree.
struct CheckedTable {
  TTable* table = nullptr;
  std::string caption;  // Windows-1251
};

// True when no data cell holds data (grid: rows 1..RowCount, columns
// 1..ColCount; form: the cells of row 0).
bool IsTableEmpty(const TTable& table);

// --- protocol window model ----------------------------------------------------

// A cell a protocol line names: a grid address (row, col) or a cell number.
struct HighlightAddress {
  int row = 0;
  int col = 0;
  int number = 0;  // > 0: a cell number
  bool operator==(const HighlightAddress&) const = default;
};
// The cells a protocol line names: ". Ячейка (r-c" or ". Ячейка (n", or
// every cell of row r for ". Строка r"; empty for other lines. Raises
// EConvertError when the address or row is not a number.
std::vector<HighlightAddress> HighlightAddresses(std::string_view line, int colCount);

// Report mode: the caption of the table the line at `index` belongs to.
// Going upwards from that line, every line that does not begin with a blank
// is a candidate (one trailing ":" removed) until `isCaption` accepts one;
// a line that is empty after trimming ends the search without a target.
std::optional<std::string> TargetCaption(const std::vector<std::string>& lines, std::size_t index,
                                         const std::function<bool(std::string_view)>& isCaption);
// The structure-tree item (section, item index) with that caption; nothing
// when none has it.
std::optional<std::pair<std::size_t, std::size_t>> FindTargetItem(const StructureModel& model,
                                                                  std::string_view caption);

// The report-mode lines: per table with status 3, in order, a line of two
// blanks (not before the first), the caption, 35 "-", the protocol lines.
inline constexpr std::size_t kProtocolDashes = 35;

enum class ProtocolMode { Table, Report };

// A data cell a protocol message names, in its table.
struct RemarkCell {
  TTable* table = nullptr;
  CellPos pos;
  bool operator==(const RemarkCell&) const = default;
};

// F8 and Shift+F8: the remarked cell after (before) `current` in
// `tables[active]` (cells in reading order: row by row, then by position),
// else the first (last) remarked cell of the next (previous) table that
// has any. `remarked` holds each table's cells in reading order. Nothing
// when the walk has reached the end: it does not wrap.
struct RemarkStop {
  std::size_t table = 0;
  CellPos pos;
  bool operator==(const RemarkStop&) const = default;
};
std::optional<RemarkStop> NextRemark(const std::vector<std::vector<CellPos>>& remarked, std::size_t active,
                                     std::optional<CellPos> current, bool forward);

// The one protocol window's state ("Протокол проверки").
struct ProtocolView {
  bool showing = false;
  bool modal = false;
  ProtocolMode mode = ProtocolMode::Table;
  TTable* currentTable = nullptr;
  std::vector<std::string> lines;
  // Per line: the failed condition with its operands' values, or empty.
  std::vector<std::string> details;
  std::vector<HighlightAddress> highlighted;
  // The cells the selected message names (both modes), first the cell the
  // message is about.
  std::vector<RemarkCell> selectedCells;
  int selected = -1;
  std::optional<std::string> targetCaption;  // report mode
  bool tableButtonEnabled = false;           // "Таблица"
  // The conversion error of selecting the first line when the window was
  // opened or refreshed (Windows-1251); the window shows it in an error box.
  std::string selectionError;
};

// --- observers ------------------------------------------------------------------

class CheckObserver {
 public:
  virtual ~CheckObserver() = default;
  // The status differs from the previous one: tree state image status + 4
  // (structure and document-selection trees), table icon status + 7.
  virtual void TableStatusChanged(TTable& table, std::uint8_t status) {}
  // The frame's "Проверка" action: enabled exactly when the refreshed
  // table's status is 3.
  virtual void CheckActionEnabled(TTable& table, bool enabled) {}
  // The protocol window's model changed (contents, selection, highlight),
  // was opened (`view.showing`, modal or not) or closed.
  virtual void ProtocolChanged(const ProtocolView& view) {}
};

// --- messages and captions (Windows-1251) ---------------------------------------

namespace texts {
using namespace rpt::literals;
inline constexpr std::string_view kNoErrorsInfo = "Отчет ошибок не содержит."_w;
inline constexpr std::string_view kShowProtocolQuestion =
    "В отчете обнаружены неточности. Показать протокол проверки?"_w;
inline constexpr std::string_view kProtocolCaption = "Протокол проверки"_w;
inline constexpr std::string_view kSaveProtocolCaption = "Сохранение протокола"_w;
inline constexpr std::string_view kSaveProtocolFilter =
    "Текстовый файл (*.txt)|*.txt|Все файлы (*.*)|*.*"_w;
inline constexpr std::string_view kProtocolPrintFile = "T.txt"_w;
inline constexpr std::string_view kCheckActionHint =
    "Проверка|Проверка корректности заполнения активного документа"_w;
inline constexpr std::string_view kCheckReportHint =
    "Проверка отчета|Проверка корректности отчета или подотчета"_w;
inline constexpr std::string_view kSvetoforsHint = "Светофоры|Обновить показания светофоров"_w;
inline constexpr std::string_view kTableButtonHint = "Перейти к таблице с замечаниями"_w;
inline constexpr std::string_view kPrintButtonHint = "Распечатать протокол"_w;
inline constexpr std::string_view kFileButtonHint = "Сохранить в файле"_w;
inline constexpr std::string_view kExitButtonHint = "Закрыть протокол"_w;

inline constexpr std::string_view kErrorsCaption = "Таблицы с замечаниями"_w;
inline constexpr std::string_view kErrorsHeading =
    "Обнаружены некорректные соотношения в следующих таблицах:"_w;
inline constexpr std::string_view kErrorsExplanation =
    "Если замечания в перечисленных ниже таблицах устранить нельзя, то нажмите клавишу "
    "\"Отправить с замечаниями\".\n"
    "Для устранения замечаний нажмите клавишу \"Отменить отправку\".\n"
    "Клавиша \"Подробности\" позволит увидеть перечень некорректных соотношений параметров для "
    "каждой таблицы."_w;
inline constexpr std::string_view kSendWithRemarks = "Отправить с замечаниями"_w;
inline constexpr std::string_view kDetails = "Подробности"_w;
inline constexpr std::string_view kCancelSending = "Отменить отправку"_w;

inline constexpr std::string_view kEmptyCaption = "Пустые таблицы"_w;
inline constexpr std::string_view kEmptyHeading = "Следующие таблицы отчета не содержат данных:"_w;
inline constexpr std::string_view kEmptyExplanation =
    "Если перечисленные ниже таблицы должны быть пустыми, то нажмите клавишу \"Отправить "
    "отчет\".\n"
    "В противном случае - клавишу \"Отменить отправку\"."_w;
inline constexpr std::string_view kSendReport = "Отправить отчет"_w;
}  // namespace texts

// The lines of a summary dialog (Windows-1251): three blanks, the heading,
// `ruleLength` "_", three blanks, "  N. caption" per table, three blanks.
std::vector<std::string> SummaryLines(std::string_view headingCp1251, std::size_t ruleLength,
                                      const std::vector<std::string>& captions);
// The summary of the errors dialog lists the first table at this line.
inline constexpr int kErrorsSummaryFirstTableLine = 4;

// The answers of the two sending dialogs.
enum class ErrorsSummaryAnswer { SendAnyway, Details, Cancel };
enum class EmptySummaryAnswer { SendAnyway, Cancel };

// --- the checking component -------------------------------------------------------

class TableChecker : public TableLookup {
 public:
  TableChecker();
  ~TableChecker() override;

  // Opens "Check.chk" (UTF-8 path) at the first report load; later calls
  // keep the file that is open.
  void OpenRules(const std::string& path) {
    rules_.Open(path);
    memory_.Forget();
  }
  CheckRulesFile& rules() { return rules_; }

  // The open tables in report loading order. Protocols of tables that are
  // no longer listed are forgotten.
  void SetTables(std::vector<CheckedTable> tables);
  const std::vector<CheckedTable>& tables() const { return tables_; }

  void AddObserver(CheckObserver* observer);
  void RemoveObserver(CheckObserver* observer);

  // With `on`, a check runs again only the rules that read a cell whose
  // text changed since they last ran (RuleMemory); whoever turns it on
  // reports every changed text through ValueChanged.
  void SetIncremental(bool on) {
    incremental_ = on;
    memory_.Forget();
  }
  void ValueChanged(const TCell& cell) {
    if (incremental_) memory_.ValueChanged(cell);
  }

  // The table hooks.
  // The check after an edit (the table hooks): with the memory of the rules
  // when incremental.
  void CheckTable(TTable& table) { UpdateTableStatus(table, true); }
  bool HasRules(std::string_view tableName) { return rules_.HasRules(tableName); }

  // Rebuilds the table's protocol and stores its status (1, 2 or 3).
  // `remembered`: rules whose cells kept their texts are not run again
  // (when incremental); otherwise every rule runs and the memory learns
  // their outcomes afresh, as the report-wide checks do.
  std::uint8_t UpdateTableStatus(TTable& table, bool remembered = false);
  // UpdateTableStatus for every table; true when none has status 3.
  bool CheckAllTables();
  // The table's protocol of the last refresh.
  const std::vector<std::string>& Protocol(const TTable& table) const;
  // Per protocol message: the failed condition with its values and cells
  // (empty for the row checks and for rules that could not be tested).
  const std::vector<RuleExplanation>& Explanations(const TTable& table) const;
  // The data cells that message `index` of the table's protocol names: the
  // cell of its address (or the cells of its row), then every other cell
  // its rule read, in any table; cells that do not exist are left out.
  std::vector<RemarkCell> MessageCells(TTable& table, std::size_t index) const;
  // The cells of the table itself that its messages name, in reading
  // order, each once. They carry the remark mark (`label.remarked`).
  const std::vector<CellPos>& RemarkedCells(const TTable& table) const;
  // Report mode: the table and message index of a line of the view; no
  // table for captions, dashes and separators.
  std::pair<TTable*, int> LineMessage(int line) const;
  // The rules whose test ended in an error at the last refresh (they count
  // as holding), and whether the check itself failed with an error.
  const std::vector<int>& RuleErrors(const TTable& table) const;
  bool CheckFailed(const TTable& table) const { return checkFailed_.count(&table) > 0; }

  // Report-mode lines from the current statuses and protocols.
  std::vector<std::string> ReportProtocolLines() const;
  // Summary dialog lines for the tables with status 3 / status 2.
  std::vector<std::string> ErrorsSummaryLines() const;
  std::vector<std::string> EmptySummaryLines() const;

  // --- the protocol window ---
  const ProtocolView& protocolView() const { return view_; }
  // Opens or refreshes the window: table mode with a table, report mode
  // without.
  void ShowProtocol(TTable* table, bool modal);
  // Selecting a line: in table mode the named cells are highlighted
  // (EConvertError for an address that is no number; the previous
  // highlight is removed first), in report mode the target is looked up.
  void SelectProtocolLine(int index);
  // "Выход", closing or hiding.
  void CloseProtocol();
  // "Печатать" and "В файл": the lines as a text file for a person to read
  // on this desktop: UTF-8, each line ended by LF.
  std::string ProtocolFileText() const;
  // Writes that text to `path` (UTF-8): "T.txt" of the service folder for
  // "Печатать", the chosen file for "В файл". Empty on success, else the
  // reason.
  [[nodiscard]] std::string WriteProtocolFile(const std::string& path) const;

  // --- entry points ---
  // The frame's "Проверка": true (and the protocol shown, not modal) when
  // the active table's status is 3.
  bool CheckTableAction(TTable& active);
  // The structure window's "Проверка": check all, then the information or
  // the question; Yes shows the report-mode protocol, modal. True when the
  // report has no errors.
  bool CheckReport(Interaction& ui);
  // "Светофоры": CheckAllTables, except while a sub-report's structure is
  // being defined.
  void Svetofors(bool definingSubreport);
  // After a report was loaded and recalculated.
  void ReportLoaded();
  // A table window became active (after its recalculation).
  void TableActivated(TTable& table);

  // TableLookup: same folder as the owner, file name without regard to case.
  TTable* FindTable(const TTable& owner, std::string_view fileName) override;

 private:
  void ClearHighlight();
  void Notify();
  void MarkRemarks(TTable& table);

  CheckRulesFile rules_;
  RuleMemory memory_;
  bool incremental_ = false;
  std::vector<CheckedTable> tables_;
  // folder + "/" + folded Windows-1251 file name -> table
  std::unordered_map<std::string, TTable*> byPath_;
  std::unordered_map<const TTable*, std::vector<std::string>> protocols_;
  std::unordered_map<const TTable*, std::vector<int>> ruleErrors_;
  std::unordered_map<const TTable*, std::vector<RuleExplanation>> explanations_;
  std::unordered_map<const TTable*, std::vector<CellPos>> remarked_;
  // Report mode: per line, the table and message index (-1: no message).
  std::vector<std::pair<TTable*, int>> lineMessages_;
  std::unordered_set<const TTable*> checkFailed_;
  std::vector<CheckObserver*> observers_;
  ProtocolView view_;
};

}  // namespace checks
}  // namespace rpt
