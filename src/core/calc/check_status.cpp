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

std::uint8_t TableChecker::UpdateTableStatus(TTable& table) {
  std::vector<std::string>& protocol = protocols_[&table];
  protocol.clear();
  std::vector<int>& erred = ruleErrors_[&table];
  erred.clear();
  checkFailed_.erase(&table);
  std::uint8_t status;
  try {
    bool ok = true;
    if (table.hasRules && !CheckRules(table, rules_, this, protocol, &erred)) ok = false;
    if (table.growing && !CheckRows(table, protocol)) ok = false;
    status = !ok ? kErrors : IsTableEmpty(table) ? kEmpty : kNorm;
  } catch (const std::exception&) {
    status = kErrors;
    checkFailed_.insert(&table);
  }
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
