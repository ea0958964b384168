#include "core/calc/check_status.h"

#include <algorithm>
#include <exception>
#include <functional>

#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/interaction.h"
#include "core/foundation/text_case.h"
#include "core/calc/structure.h"
#include "core/tables/table.h"
#include "core/tables/table_model.h"

namespace rpt::checks {

using namespace rpt::literals;

namespace {

bool IsBlankChar(char c) { return static_cast<unsigned char>(c) <= 0x20; }

bool HoldsData(const TCell& cell) {
  switch (cell.type) {
    case 0: case 8: case 9: case 10: case 11: case 13:
      return false;
    case 1: case 4: case 5: case 6: case 12:
      return !TrimControls(cell.label.caption).empty();
    case 2: case 3: case 7:
      return NumberOrDefault(cell.label.caption, 0) != 0;
    default:
      return true;
  }
}

// Folder part of a UTF-8 path, with its trailing "/".
std::string_view FolderOf(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1);
}

std::string PathKey(std::string_view folder, std::string_view fileNameCp1251) {
  std::string key(folder);
  key += '\0';
  key += FoldCase(fileNameCp1251);
  return key;
}

}  // namespace

bool IsTableEmpty(const TTable& table) {
  if (table.grid) {
    for (int r = 1; r <= table.RowCount; ++r) {
      const TRow* row = RowAt(table.data, r);
      if (!row) break;
      for (int c = 1; c <= table.ColCount; ++c) {
        const TCell* cell = CellAt(*row, c);
        if (cell && HoldsData(*cell)) return false;
      }
    }
    return true;
  }
  if (const TRow* row = FirstRow(table.data))
    for (const auto& cell : row->cells)
      if (HoldsData(*cell)) return false;
  return true;
}

std::vector<HighlightAddress> HighlightAddresses(std::string_view line, int colCount) {
  std::vector<HighlightAddress> out;
  const std::string_view cellMark = ". Ячейка ("_w;
  const std::string_view rowMark = ". Строка "_w;
  if (const std::size_t p = line.find(cellMark); p != std::string_view::npos) {
    const std::size_t open = p + cellMark.size();
    const std::size_t close = line.find(')', open);
    const std::string_view address =
        line.substr(open, close == std::string_view::npos ? std::string_view::npos : close - open);
    if (const std::size_t dash = address.find('-'); dash != std::string_view::npos) {
      HighlightAddress a;
      a.row = StrToInt(address.substr(0, dash));
      a.col = StrToInt(address.substr(dash + 1));
      out.push_back(a);
    } else {
      HighlightAddress a;
      a.number = StrToInt(address);
      out.push_back(a);
    }
  } else if (line.find(rowMark) != std::string_view::npos) {
    const int r = StrToInt(NthWord(line, 3));
    for (int c = 1; c <= colCount; ++c) out.push_back({r, c, 0});
  }
  return out;
}

std::optional<std::string> TargetCaption(const std::vector<std::string>& lines, std::size_t index,
                                         const std::function<bool(std::string_view)>& isCaption) {
  if (index >= lines.size()) return std::nullopt;
  for (std::size_t i = index + 1; i-- > 0;) {
    const std::string& line = lines[i];
    if (TrimControls(line).empty()) return std::nullopt;
    if (IsBlankChar(line.front())) continue;
    std::string_view caption = line;
    if (caption.back() == ':') caption.remove_suffix(1);
    if (isCaption(caption)) return std::string(caption);
  }
  return std::nullopt;
}

std::optional<std::pair<std::size_t, std::size_t>> FindTargetItem(const StructureModel& model,
                                                                  std::string_view caption) {
  for (std::size_t s = 0; s < model.sections.size(); ++s)
    for (std::size_t i = 0; i < model.sections[s].items.size(); ++i)
      if (model.sections[s].items[i].title == caption) return std::make_pair(s, i);
  return std::nullopt;
}

std::optional<RemarkStop> NextRemark(const std::vector<std::vector<CellPos>>& remarked, std::size_t active,
                                     std::optional<CellPos> current, bool forward) {
  const auto before = [](CellPos a, CellPos b) { return a.row != b.row ? a.row < b.row : a.col < b.col; };
  if (active < remarked.size()) {
    const std::vector<CellPos>& cells = remarked[active];
    if (forward) {
      for (const CellPos& p : cells)
        if (!current || before(*current, p)) return RemarkStop{active, p};
    } else {
      for (auto it = cells.rbegin(); it != cells.rend(); ++it)
        if (!current || before(*it, *current)) return RemarkStop{active, *it};
    }
  }
  if (forward) {
    for (std::size_t t = active + 1; t < remarked.size(); ++t)
      if (!remarked[t].empty()) return RemarkStop{t, remarked[t].front()};
  } else {
    for (std::size_t t = std::min(active, remarked.size()); t-- > 0;)
      if (!remarked[t].empty()) return RemarkStop{t, remarked[t].back()};
  }
  return std::nullopt;
}

std::vector<std::string> SummaryLines(std::string_view headingCp1251, std::size_t ruleLength,
                                      const std::vector<std::string>& captions) {
  std::vector<std::string> out;
  out.emplace_back("   ");
  out.emplace_back(headingCp1251);
  out.emplace_back(ruleLength, '_');
  out.emplace_back("   ");
  int n = 0;
  for (const std::string& caption : captions) out.push_back("  " + std::to_string(++n) + ". " + caption);
  out.emplace_back("   ");
  return out;
}

// --- TableChecker -------------------------------------------------------------------

TableChecker::TableChecker() = default;
TableChecker::~TableChecker() = default;

void TableChecker::SetTables(std::vector<CheckedTable> tables) {
  tables_ = std::move(tables);
  std::vector<const TTable*> open;
  for (const CheckedTable& t : tables_) open.push_back(t.table);
  memory_.SetOpenTables(std::move(open));
  byPath_.clear();
  for (const CheckedTable& t : tables_) {
    const std::string_view path = t.table->filePath;
    const std::string_view folder = FolderOf(path);
    byPath_.emplace(PathKey(folder, Utf8ToCp1251(path.substr(folder.size()))), t.table);
  }
  const auto gone = [this](const TTable* table) {
    return std::none_of(tables_.begin(), tables_.end(), [&](const CheckedTable& t) { return t.table == table; });
  };
  std::erase_if(protocols_, [&](const auto& entry) { return gone(entry.first); });
  std::erase_if(ruleErrors_, [&](const auto& entry) { return gone(entry.first); });
  std::erase_if(explanations_, [&](const auto& entry) { return gone(entry.first); });
  std::erase_if(remarked_, [&](const auto& entry) { return gone(entry.first); });
  std::erase_if(checkFailed_, gone);
  if (view_.currentTable &&
      std::none_of(tables_.begin(), tables_.end(),
                   [&](const CheckedTable& t) { return t.table == view_.currentTable; }))
    view_.currentTable = nullptr;
}

TTable* TableChecker::FindTable(const TTable& owner, std::string_view fileName) {
  const auto it = byPath_.find(PathKey(FolderOf(owner.filePath), fileName));
  return it == byPath_.end() ? nullptr : it->second;
}

void TableChecker::AddObserver(CheckObserver* observer) { observers_.push_back(observer); }
void TableChecker::RemoveObserver(CheckObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

const std::vector<std::string>& TableChecker::Protocol(const TTable& table) const {
  static const std::vector<std::string> kNone;
  const auto it = protocols_.find(&table);
  return it == protocols_.end() ? kNone : it->second;
}

const std::vector<int>& TableChecker::RuleErrors(const TTable& table) const {
  static const std::vector<int> kNone;
  const auto it = ruleErrors_.find(&table);
  return it == ruleErrors_.end() ? kNone : it->second;
}

const std::vector<RuleExplanation>& TableChecker::Explanations(const TTable& table) const {
  static const std::vector<RuleExplanation> kNone;
  const auto it = explanations_.find(&table);
  return it == explanations_.end() ? kNone : it->second;
}

const std::vector<CellPos>& TableChecker::RemarkedCells(const TTable& table) const {
  static const std::vector<CellPos> kNone;
  const auto it = remarked_.find(&table);
  return it == remarked_.end() ? kNone : it->second;
}

namespace {

// The data position of the cell an address names, found as GetCell and
// CellByNumber find it; nothing for no cell, or a grid table's hidden
// buffer row.
std::optional<CellPos> AddressPos(const TTable& t, int row, int col, int number) {
  std::optional<CellPos> pos;
  if (number > 0) {
    if (CellByNumber(t.data, number)) pos = CellPos{0, number - 1};
  } else if (const TRow* r = RowAt(t.data, row)) {
    if (CellAt(*r, col)) pos = CellPos{row, col};
  } else if (const TRow* first = FirstRow(t.data)) {
    for (std::size_t i = 0; i < first->cells.size() && !pos; ++i)
      if (first->cells[i]->Col == col && first->cells[i]->Row == row) pos = CellPos{0, static_cast<int>(i) + 1};
  }
  if (pos && t.grid && pos->row == 0) pos.reset();
  return pos;
}

}  // namespace

std::vector<RemarkCell> TableChecker::MessageCells(TTable& table, std::size_t index) const {
  std::vector<RemarkCell> out;
  const auto add = [&](TTable& in, int row, int col, int number) {
    const auto pos = AddressPos(in, row, col, number);
    if (!pos) return;
    const RemarkCell c{&in, *pos};
    if (std::find(out.begin(), out.end(), c) == out.end()) out.push_back(c);
  };
  const auto& protocol = Protocol(table);
  if (index >= protocol.size()) return out;
  // The cell the message is about first, then the others the rule read.
  try {
    for (const HighlightAddress& a : HighlightAddresses(protocol[index], table.ColCount))
      add(table, a.row, a.col, a.number);
  } catch (const std::exception&) {
    // A message whose address is no number names no cell of its own.
  }
  const auto& explanations = Explanations(table);
  if (index < explanations.size())
    for (const RuleCell& rc : explanations[index].cells) add(rc.table ? *rc.table : table, rc.row, rc.col, rc.number);
  return out;
}

void TableChecker::MarkRemarks(TTable& table) {
  for (const auto& row : table.data.rows)
    for (const auto& cell : row->cells) cell->label.remarked = false;
  std::vector<CellPos>& cells = remarked_[&table];
  cells.clear();
  for (std::size_t i = 0; i < Protocol(table).size(); ++i)
    for (const RemarkCell& c : MessageCells(table, i))
      if (c.table == &table) cells.push_back(c.pos);
  std::sort(cells.begin(), cells.end(),
            [](CellPos a, CellPos b) { return a.row != b.row ? a.row < b.row : a.col < b.col; });
  cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
  for (const CellPos& p : cells)
    if (const TRow* row = RowAt(table.data, p.row))
      if (TCell* cell = CellAt(*row, p.col)) cell->label.remarked = true;
}

std::pair<TTable*, int> TableChecker::LineMessage(int line) const {
  if (line < 0 || static_cast<std::size_t>(line) >= lineMessages_.size()) return {nullptr, -1};
  return lineMessages_[static_cast<std::size_t>(line)];
}

std::uint8_t TableChecker::UpdateTableStatus(TTable& table, bool remembered) {
  std::vector<std::string>& protocol = protocols_[&table];
  protocol.clear();
  std::vector<int>& erred = ruleErrors_[&table];
  erred.clear();
  std::vector<RuleExplanation>& explanations = explanations_[&table];
  explanations.clear();
  checkFailed_.erase(&table);
  std::uint8_t status;
  try {
    bool ok = true;
    if (table.hasRules) {
      const bool held = incremental_
                            ? memory_.CheckRules(table, rules_, this, protocol, erred, explanations, remembered)
                            : CheckRules(table, rules_, this, protocol, &erred, &explanations);
      if (!held) ok = false;
    }
    if (table.growing && !CheckRows(table, protocol)) ok = false;
    status = !ok ? kErrors : IsTableEmpty(table) ? kEmpty : kNorm;
  } catch (const std::exception&) {
    status = kErrors;
    checkFailed_.insert(&table);
  }
  explanations.resize(protocol.size());
  MarkRemarks(table);
  const std::uint8_t previous = table.status;
  table.status = status;
  if (status != previous)
    for (CheckObserver* o : observers_) o->TableStatusChanged(table, status);
  for (CheckObserver* o : observers_) o->CheckActionEnabled(table, status == kErrors);
  if (view_.showing) {
    if (status == kErrors) ShowProtocol(&table, false);
    else CloseProtocol();
  }
  return status;
}

bool TableChecker::CheckAllTables() {
  bool ok = true;
  for (const CheckedTable& t : tables_)
    if (UpdateTableStatus(*t.table) == kErrors) ok = false;
  return ok;
}

std::vector<std::string> TableChecker::ReportProtocolLines() const {
  std::vector<std::string> lines;
  bool first = true;
  for (const CheckedTable& t : tables_) {
    if (t.table->status != kErrors) continue;
    if (!first) lines.emplace_back("  ");
    first = false;
    lines.push_back(t.caption);
    lines.emplace_back(kProtocolDashes, '-');
    const auto& protocol = Protocol(*t.table);
    lines.insert(lines.end(), protocol.begin(), protocol.end());
  }
  return lines;
}

namespace {

// The view's line texts with their details and, in report mode, the
// message each line stands for.
void FillDetails(const TableChecker& checker, ProtocolView& view,
                 std::vector<std::pair<TTable*, int>>& lineMessages) {
  view.details.assign(view.lines.size(), std::string());
  lineMessages.assign(view.lines.size(), {nullptr, -1});
  if (view.mode == ProtocolMode::Table) {
    if (!view.currentTable) return;
    const auto& explanations = checker.Explanations(*view.currentTable);
    for (std::size_t i = 0; i < view.lines.size(); ++i) {
      lineMessages[i] = {view.currentTable, static_cast<int>(i)};
      if (i < explanations.size()) view.details[i] = explanations[i].values;
    }
    return;
  }
  std::size_t line = 0;
  bool first = true;
  for (const CheckedTable& t : checker.tables()) {
    if (t.table->status != kErrors) continue;
    line += first ? 2 : 3;
    first = false;
    const auto& explanations = checker.Explanations(*t.table);
    const std::size_t count = checker.Protocol(*t.table).size();
    for (std::size_t i = 0; i < count && line < view.lines.size(); ++i, ++line) {
      lineMessages[line] = {t.table, static_cast<int>(i)};
      if (i < explanations.size()) view.details[line] = explanations[i].values;
    }
  }
}

}  // namespace

std::vector<std::string> TableChecker::ErrorsSummaryLines() const {
  std::vector<std::string> captions;
  for (const CheckedTable& t : tables_)
    if (t.table->status == kErrors) captions.push_back(t.caption);
  return SummaryLines(texts::kErrorsHeading, 54, captions);
}

std::vector<std::string> TableChecker::EmptySummaryLines() const {
  std::vector<std::string> captions;
  for (const CheckedTable& t : tables_)
    if (t.table->status == kEmpty) captions.push_back(t.caption);
  return SummaryLines(texts::kEmptyHeading, 41, captions);
}

void TableChecker::ClearHighlight() {
  if (view_.mode == ProtocolMode::Table && view_.currentTable) {
    TTable& t = *view_.currentTable;
    if (t.grid) {
      for (int r = 1; r <= t.RowCount; ++r)
        if (const TRow* row = RowAt(t.data, r))
          for (const auto& cell : row->cells) cell->label.selected = false;
    } else if (const TRow* row = FirstRow(t.data)) {
      for (const auto& cell : row->cells) cell->label.selected = false;
    }
  }
  view_.highlighted.clear();
}

void TableChecker::Notify() {
  for (CheckObserver* o : observers_) o->ProtocolChanged(view_);
}

void TableChecker::ShowProtocol(TTable* table, bool modal) {
  ClearHighlight();
  view_.lines.clear();
  view_.selectedCells.clear();
  view_.selected = -1;
  view_.targetCaption.reset();
  if (table) {
    view_.mode = ProtocolMode::Table;
    view_.currentTable = table;
    view_.lines = Protocol(*table);
    view_.tableButtonEnabled = false;
  } else {
    view_.mode = ProtocolMode::Report;
    view_.currentTable = nullptr;
    view_.tableButtonEnabled = true;
    view_.lines = ReportProtocolLines();
  }
  FillDetails(*this, view_, lineMessages_);
  if (!view_.showing) view_.modal = modal;
  view_.showing = true;
  if (!view_.lines.empty()) {
    try {
      SelectProtocolLine(0);
      return;
    } catch (const EConvertError& e) {
      // The window shows regardless; the front end reports the error.
      view_.selectionError = e.what();
    }
  }
  Notify();
}

void TableChecker::SelectProtocolLine(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= view_.lines.size()) return;
  view_.selected = index;
  view_.selectionError.clear();
  view_.selectedCells.clear();
  if (const auto [table, message] = LineMessage(index); table && message >= 0)
    view_.selectedCells = MessageCells(*table, static_cast<std::size_t>(message));
  const std::string& line = view_.lines[static_cast<std::size_t>(index)];
  if (view_.mode == ProtocolMode::Table) {
    ClearHighlight();
    if (TTable* t = view_.currentTable) {
      std::vector<HighlightAddress> cells;
      try {
        cells = HighlightAddresses(line, t->ColCount);
      } catch (...) {
        Notify();
        throw;
      }
      for (const HighlightAddress& a : cells) {
        TCell* cell = a.number > 0 ? CellByNumber(t->data, a.number) : GetCell(t->data, a.col, a.row);
        if (cell) cell->label.selected = true;
      }
      // Every other cell of this table the rule read is highlighted too.
      for (const RemarkCell& c : view_.selectedCells)
        if (c.table == t)
          if (const TRow* row = RowAt(t->data, c.pos.row))
            if (TCell* cell = CellAt(*row, c.pos.col)) cell->label.selected = true;
      view_.highlighted = std::move(cells);
    }
  } else {
    view_.targetCaption =
        TargetCaption(view_.lines, static_cast<std::size_t>(index), [this](std::string_view c) {
          return std::any_of(tables_.begin(), tables_.end(),
                             [&](const CheckedTable& t) { return t.caption == c; });
        });
    view_.tableButtonEnabled = view_.targetCaption.has_value();
  }
  Notify();
}

void TableChecker::CloseProtocol() {
  ClearHighlight();
  view_.lines.clear();
  view_.details.clear();
  view_.selectedCells.clear();
  lineMessages_.clear();
  view_.selected = -1;
  view_.targetCaption.reset();
  view_.currentTable = nullptr;
  view_.showing = false;
  view_.modal = false;
  Notify();
}

std::string TableChecker::ProtocolFileText() const {
  std::string text;
  for (const std::string& line : view_.lines) {
    text += Cp1251ToUtf8(line);
    text += '\n';
  }
  return text;
}

std::string TableChecker::WriteProtocolFile(const std::string& path) const {
  return AtomicWriteFile(path, ProtocolFileText());
}

bool TableChecker::CheckTableAction(TTable& active) {
  if (active.status != kErrors) return false;
  ShowProtocol(&active, false);
  return true;
}

bool TableChecker::CheckReport(Interaction& ui) {
  if (CheckAllTables()) {
    ui.ShowMessage(MessageKind::Information, texts::kNoErrorsInfo, kOk, kOk);
    return true;
  }
  if (ui.ShowMessage(MessageKind::Confirmation, texts::kShowProtocolQuestion, kYes | kNo, kYes) ==
      kYes)
    ShowProtocol(nullptr, true);
  return false;
}

void TableChecker::Svetofors(bool definingSubreport) {
  if (!definingSubreport) CheckAllTables();
}

void TableChecker::ReportLoaded() {
  for (const CheckedTable& t : tables_) UpdateTableStatus(*t.table);
}

void TableChecker::TableActivated(TTable& table) {
  if (table.hasRules) UpdateTableStatus(table);
}

}  // namespace rpt::checks
