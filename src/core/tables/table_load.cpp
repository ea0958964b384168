// Loading a table from its table file.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/text_case.h"
#include "core/tables/ini_snapshot.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace rpt {

using tables::IniSnapshot;

namespace {

using namespace literals;

constexpr std::string_view kTableSection = "Table";
// Ten times the largest table of the report; more means a damaged file.
constexpr std::int64_t kMaxCells = 2'000'000;

struct VisWords {
  std::int32_t top = 0, left = 0, width = 10, height = 10, align = 5, color = 0;
};

// Positions and sizes in pixels are kept within a million either way: far
// beyond any table, and small enough that the sums of layout (a top and a
// height, an offset and a position) never overflow.
constexpr std::int32_t kMaxPixels = 1'000'000;

std::int32_t Pixels(std::int32_t value) { return std::clamp(value, -kMaxPixels, kMaxPixels); }

VisWords ParseVis(std::string_view vis) {
  VisWords w;
  std::int32_t* fields[] = {&w.top, &w.left, &w.width, &w.height, &w.align, &w.color};
  // The first six blank-separated words (as NthWord splits them).
  std::size_t i = 0;
  for (std::int32_t* field : fields) {
    while (i < vis.size() && vis[i] == ' ') ++i;
    if (i == vis.size()) break;
    const std::size_t start = i;
    while (i < vis.size() && vis[i] != ' ') ++i;
    *field = tables::IniInteger(vis.substr(start, i - start), *field);
  }
  for (std::int32_t* field : {&w.top, &w.left, &w.width, &w.height}) *field = Pixels(*field);
  return w;
}

// The text of a formula after its second blank.
std::string_view AfterSecondBlank(std::string_view form) {
  std::size_t pos = form.find(' ');
  if (pos == std::string_view::npos) return {};
  pos = form.find(' ', pos + 1);
  if (pos == std::string_view::npos) return {};
  return form.substr(pos + 1);
}

// The keys of a cell section, found in one pass over its lines (the first
// of duplicates wins, letter case ignored), instead of one search per key.
enum CellKey { kState, kType, kList, kForm, kLen, kDec, kBObj, kBVal, kBList, kListCode,
               kDirectInput, kCol, kRow, kVis, kFrame, kFont, kCap, kHint, kCellKeyCount };

constexpr std::string_view kCellKeyNames[kCellKeyCount] = {
    "State", "Type", "List", "Form", "Len", "Dec", "BObj", "BVal", "BList", "ListCode",
    "DirectInput", "Col", "Row", "Vis", "Frame", "Font", "Cap", "Hint"};

// The one cell key a name can be, told apart by its length and a letter or
// two (letter case ignored); -1 for a key the loader does not read.
int CandidateKey(std::string_view k) {
  switch (k.size()) {
    case 3:
      switch (FoldCase(k[0])) {
        case 'l': return kLen;
        case 'd': return kDec;
        case 'r': return kRow;
        case 'v': return kVis;
        case 'c': return FoldCase(k[1]) == 'o' ? kCol : kCap;
        default: return -1;
      }
    case 4:
      switch (FoldCase(k[0])) {
        case 't': return kType;
        case 'l': return kList;
        case 'h': return kHint;
        case 'f': return FoldCase(k[2]) == 'r' ? kForm : kFont;
        case 'b': return FoldCase(k[1]) == 'o' ? kBObj : kBVal;
        default: return -1;
      }
    case 5:
      switch (FoldCase(k[0])) {
        case 's': return kState;
        case 'b': return kBList;
        case 'f': return kFrame;
        default: return -1;
      }
    case 8: return FoldCase(k[0]) == 'l' ? kListCode : -1;
    case 11: return FoldCase(k[0]) == 'd' ? kDirectInput : -1;
    default: return -1;
  }
}

// Keys are a few letters: compared with lengths the compiler knows, not by
// a library call.
bool SameBytes(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  switch (a.size()) {
    case 3: return std::memcmp(a.data(), b.data(), 3) == 0;
    case 4: return std::memcmp(a.data(), b.data(), 4) == 0;
    case 5: return std::memcmp(a.data(), b.data(), 5) == 0;
    case 8: return std::memcmp(a.data(), b.data(), 8) == 0;
    default: return a == b;
  }
}

int ClassifyKey(std::string_view k) {
  const int c = CandidateKey(k);
  if (c < 0) return -1;
  // Files written by the program spell keys exactly.
  const std::string_view name = kCellKeyNames[c];
  return SameBytes(k, name) || SameText(k, name) ? c : -1;
}

class CellKeys {
 public:
  std::string_view text[kCellKeyCount];
  std::uint32_t found = 0;  // bit per CellKey
  void Collect(const IniSnapshot::Section& sec) {
    found = 0;
    const auto& keys = sec.keys();
    for (std::size_t j = 0; j < keys.size(); ++j) {
      const std::string_view key = keys[j].first;
      // The program writes every cell's keys in the same order: the key at
      // this place in the cell before is tried first.
      int c = j < kRemembered ? previous_[j] : -1;
      if (c < 0 || !SameBytes(key, kCellKeyNames[c])) c = ClassifyKey(key);
      if (j < kRemembered) previous_[j] = static_cast<std::int8_t>(c);
      if (c >= 0 && !(found >> c & 1)) {
        text[c] = keys[j].second;
        found |= 1u << c;
      }
    }
  }
  std::optional<std::string_view> Get(CellKey k) const {
    return found >> k & 1 ? std::optional<std::string_view>(text[k]) : std::nullopt;
  }
  std::int32_t Int(CellKey k, std::int32_t def) const { return tables::IniInteger(Get(k), def); }
  bool Bool(CellKey k, bool def) const { return tables::IniBool(Get(k), def); }
  // The value; the default when the key is missing or empty.
  std::string_view View(CellKey k, std::string_view def) const {
    return found >> k & 1 && !text[k].empty() ? text[k] : def;
  }

 private:
  // The keys of the cell before, place by place (-1: none the loader reads).
  static constexpr std::size_t kRemembered = 24;
  std::array<std::int8_t, kRemembered> previous_ = MakeUnknown();
  static constexpr std::array<std::int8_t, kRemembered> MakeUnknown() {
    std::array<std::int8_t, kRemembered> a{};
    a.fill(-1);
    return a;
  }
};

class Loader {
 public:
  Loader(TTable& table, const IniSnapshot& ini) : t_(table), ini_(ini) {}

  void Run();

 private:
  void FillCell(char state, const CellKeys& keys, const IniSnapshot::Section& sec);

  TTable& t_;
  const IniSnapshot& ini_;
};

void Loader::Run() {
  TTable& t = t_;
  TableContext& ctx = t.context();
  TableHooks& hooks = t.hooks();

  t.hasRules = hooks.HasRules(t.tableName);
  t.hasFormulas = t.hasNumbers = false;
  t.background = hooks.BackgroundColor();

  const IniSnapshot::Section table = ini_.Get(kTableSection);
  PageSettings read;
  read.orientation = static_cast<std::uint8_t>(table.ReadInteger("PageOrient", 0));
  read.bottom = table.ReadInteger("PageBottom", -1);
  read.left = table.ReadInteger("PageLeft", -1);
  read.right = table.ReadInteger("PageRight", -1);
  read.top = table.ReadInteger("PageTop", -1);
  const bool missingMargin = read.bottom < 0 || read.left < 0 || read.right < 0 || read.top < 0;
  t.page = missingMargin ? ctx.currentPage : read;
  ctx.currentPage = t.page;

  t.BL0 = table.ReadInteger("BL0", -1);
  t.BL1 = table.ReadInteger("BL1", -1);
  t.BMainNum = table.ReadInteger("BMainNum", -1);

  t.grid = table.ReadBool("Fixed", false);
  t.MinLeft = Pixels(table.ReadInteger("MinLeft", 0));
  t.MinTop = Pixels(table.ReadInteger("MinTop", 0));
  t.MinTopD = Pixels(table.ReadInteger("MinTopD", 0));
  t.RowCount = std::max(0, table.ReadInteger("RowCount", 0));
  t.ColCount = std::max(0, table.ReadInteger("ColCount", 0));
  // A form table has no grid: empty cells built for a stray size would be
  // saved as cells of row 0 and come back as more of them at every load.
  if (!t.grid) t.RowCount = t.ColCount = 0;
  const std::int64_t count = table.ReadInteger("Count", 0);
  const auto damaged = [&t](std::string_view why) {
    std::string message(("Таблица \""_w));
    message += Utf8ToCp1251(std::filesystem::path(t.filePath).filename().string());
    message += "\" повреждена: "_w;
    message += why;
    throw EFileError(message);
  };
  // A damaged size would otherwise build rows and cells until memory runs
  // out. Every figure is widened before it is added to or multiplied: a
  // row count of 2147483647 must not wrap round into a small one.
  const std::int64_t rows = static_cast<std::int64_t>(t.RowCount) + 1;
  if (rows > kMaxCells || rows * t.ColCount > kMaxCells || count > kMaxCells)
    damaged("слишком много ячеек."_w);
  // A cell count that is no number would load the table without its cells,
  // as if it were empty, and nobody would learn why.
  if (const auto written = table.Find("Count");
      written && !written->empty() && (!TryStrToInt(*written) || count < 0))
    damaged("неверное число ячеек."_w);
  // Only a grid table can grow; a form table's cells must keep their numbers.
  t.growing = t.grid && t.BL1 > 300000000 && t.BL1 < 400000000;

  t.data.rows.reserve(static_cast<std::size_t>(t.RowCount) + 1);
  for (int r = 0; r <= t.RowCount; ++r) AppendRow(t.data, t.ColCount, &t, !(t.grid && r == 0));

  t.contentWidth = t.contentHeight = 0;

  const std::string fileName = Utf8ToCp1251(std::filesystem::path(t.filePath).filename().string());
  hooks.TableMapAdd(fileName);

  IniSnapshot::Section sec;
  CellKeys keys;
  char name[32] = "Cell_";
  for (std::int64_t n = 2; n <= count + 1; ++n) {
    const auto r = std::to_chars(name + 5, name + sizeof name, n);
    ini_.Select(std::string_view(name, static_cast<std::size_t>(r.ptr - name)), sec);
    keys.Collect(sec);
    const auto state = keys.Get(kState);
    FillCell(state && !state->empty() ? state->front() : 'D', keys, sec);
  }

  if (!t.growing) NumberCells(t);
  if (!t.hasFormulas) hooks.TableMapRemove(fileName);

  t.dataAreaVisible = !(t.grid && t.data.rows.size() <= 1);
  for (TNoDataSect* s : {static_cast<TNoDataSect*>(&t.header), static_cast<TNoDataSect*>(&t.top),
                         static_cast<TNoDataSect*>(&t.footer)}) {
    if (s->cells.empty()) {
      s->panelVisible = false;
    } else {
      s->panelVisible = true;
      LayoutSection(*s, t.MinLeft);
    }
  }

  const std::int32_t sections = t.header.height + t.top.height + t.footer.height;
  if (t.data.rows.size() > 1) {
    const TCell* last = GetCell(t.data, t.ColCount, t.RowCount);
    t.contentHeight = (last ? last->label.top + last->label.height : 0) + sections;
  } else if (t.grid) {
    t.contentHeight = sections;
  }
  t.top.panelHeight = t.MinTopD - t.MinTop;
}

void Loader::FillCell(char s, const CellKeys& k, const IniSnapshot::Section& sec) {
  const std::int32_t col = k.Int(kCol, 0), row = k.Int(kRow, 0);
  TTable& t = t_;
  TableContext& ctx = t.context();
  TCell* cell = nullptr;
  std::int32_t dy = 0, dx = 0;
  switch (s) {
    case 'B': cell = AddSectionCell(t.footer, &t, true); break;
    case 'H': cell = AddSectionCell(t.header, &t, true); break;
    case 'T': cell = AddSectionCell(t.top, &t, true); break;
    case 'D':
      if (t.grid) {
        cell = GetCell(t.data, col, row);
        dy = t.MinTopD;
        dx = t.MinLeft;
      } else if (TRow* first = FirstRow(t.data)) {
        cell = AddCell(*first, &t, true);
      }
      break;
    default: break;
  }
  if (!cell) return;

  cell->type = static_cast<std::uint8_t>(k.Int(kType, 0));
  const std::uint8_t type = cell->type;
  if (type == cell_type::kInteger || type == cell_type::kReal) t.hasNumbers = true;
  cell->List = k.View(kList, "");
  const std::string_view form = k.View(kForm, "");
  cell->Form = form.empty() ? TCell::NoFormula() : SharedText(form);
  if (type == cell_type::kFormula) {
    t.hasFormulas = true;
    if (s == 'D' && NthWord(cell->Form, 1) == "7")
      t.hooks().RegisterTableLinks(t, AfterSecondBlank(cell->Form));
  }
  cell->Len = k.Int(kLen, 0);
  cell->Dec = k.Int(kDec, -1);
  cell->BObj = k.Int(kBObj, -1);
  cell->BVal = k.Int(kBVal, -1);
  cell->BList = k.Int(kBList, -1);
  cell->ListCode = k.Int(kListCode, -1);
  cell->DirectInput = k.Bool(kDirectInput, true);
  cell->Col = col;
  cell->Row = row;

  const auto visText = k.Get(kVis);
  const VisWords vis = ParseVis(visText && !visText->empty() ? *visText : "0 0 0 0 5 255");
  TFramedLabel& label = cell->label;
  label.top = vis.top - dy;
  label.left = vis.left - dx;
  // Directly, not through SetWidth/SetHeight: the load ends unmodified, and
  // marking it on the way would tell the report of a change nobody made.
  label.width = vis.width;
  label.height = vis.height;
  if (!t.grid) t.contentHeight = std::max(t.contentHeight, label.top + label.height);
  label.SetTextAlign(vis.align);

  label.framed = k.Bool(kFrame, true);
  const TColor fileColor = static_cast<TColor>(vis.color);
  cell->definedColor = fileColor;
  if (label.framed || !IsNotEditedType(type)) {
    label.transparent = false;
    label.color = t.hooks().DisplayColor(fileColor);
  } else {
    // Never painted; keeps the file's colour so that a save writes it back.
    label.transparent = true;
    label.color = fileColor;
  }

  sec.ReadFontValue(k.Get(kFont), label.font, TableWindowFont());
  cell->definedFontName = label.font.name;
  cell->definedFontSize = label.font.size;
  if (!ctx.userFontFace.empty()) label.font.name = ctx.userFontFace;
  if (ctx.userFontSize != 0) label.font.size = ctx.userFontSize;

  const std::string_view cap = tables::TrimText(k.Get(kCap).value_or(std::string_view()));
  if (!cap.empty() && cap[0] != '$' && cap.find("||") == std::string_view::npos)
    label.caption.assign(cap);  // the usual case: nothing to decode
  else
    label.caption = tables::DecodeMultiLine(cap);

  if (type == cell_type::kText && cell->Len == 0) cell->Len = 255;
  if (type == cell_type::kLongText) {
    label.showHint = false;
    label.SetTextAlign(1);
  }
  if (type == cell_type::kReal || (type == cell_type::kFormula && s == 'D' && !IsTextCopy(type, cell->Dec))) {
    std::string v = cell->GetValue();
    if (tables::NormalizeLoadedNumber(v, cell->Dec)) label.caption = std::move(v);
    else cell->SetValue(v);
    if (type == cell_type::kReal) label.showHint = false;
  }
  if (type == cell_type::kListValue || type == cell_type::kFormula) {
    label.showHint = true;
    label.hint = tables::DecodeMultiLine(k.View(kHint, ""));
  } else {
    // A grid cell named by an earlier section too must not keep that
    // section's hint: the save would write it and the next load drop it.
    label.hint.clear();
  }
  if (type == cell_type::kTitle) t.title = tables::OneLine(label.caption);
  if (type == cell_type::kTableNumber) t.number = tables::OneLine(label.caption);
  if (s == 'D' && type != cell_type::kCaption && type != cell_type::kColumnNumber &&
      type != cell_type::kRowNumber)
    label.font.color = clBlack;

  if (s == 'D') t.contentWidth = std::max(t.contentWidth, label.left + label.width);
}

}  // namespace

void TTable::LoadFromFile(const std::string& path) {
  ClearSections();
  filePath = path;
  tableName = TableNameOf(path);
  // Cell values set while the table is half built must not recalculate or
  // check it; the report load and the reload set the flag anyway.
  TableHooks& h = hooks();
  const bool wasLoading = h.Loading();
  if (!wasLoading) h.SetLoading(true);
  try {
    const IniSnapshot ini = IniSnapshot::FromFile(path);
    Loader(*this, ini).Run();
  } catch (...) {
    if (!wasLoading) h.SetLoading(false);
    throw;
  }
  if (!wasLoading) h.SetLoading(false);
  SetModified(false);
}

}  // namespace rpt
