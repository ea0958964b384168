#include "core/output/spreadsheet.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <unordered_set>

#include "core/foundation/codec.h"
#include "core/foundation/text_case.h"

namespace rpt::output {

std::string ColumnName(int col) {
  std::string name;
  for (int n = col + 1; n > 0; n = (n - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
  return name;
}

std::string RangeRef(const SheetRange& r) {
  return ColumnName(r.firstCol) + std::to_string(r.firstRow + 1) + ":" + ColumnName(r.lastCol) +
         std::to_string(r.lastRow + 1);
}

// Everything said about one range; the last call of each kind wins.
struct RangeFormat {
  bool merged = false;
  int frameWeight = 0;  // 0: no frame
  int vertical = 0, horizontal = 0;
  bool wrap = false;
  std::string fontName;  // Windows-1251; empty: the sheet's default face
  int fontSize = 0;      // points; 0: the default size
  bool bold = false, italic = false;
  int underline = 0;
  int decimals = -1;  // for a number: the decimals shown; -1 general
};

struct RangeValue {
  enum class Kind : std::uint8_t { None, Text, Number } kind = Kind::None;
  std::string text;  // Windows-1251
  double number = 0;
};

struct TSpreadsheet::Entry {
  SheetRange range;
  RangeFormat format;
  RangeValue value;
};

struct TSpreadsheet::Sheet {
  std::string name;  // Windows-1251
  std::optional<PageSetup> page;
  std::map<int, double> rowHeights;
  std::map<int, double> columnWidths;
  std::vector<Entry> entries;  // in the order of their first mention
  std::map<SheetRange, std::size_t> index;
};

namespace {

// A sheet name the spreadsheet accepts: none of []:*?/\, no apostrophe at
// either end, at most 31 characters, not empty.
std::string SheetNameFrom(std::string_view wanted) {
  std::string name;
  for (const char c : wanted) {
    if (static_cast<unsigned char>(c) < 0x20) continue;
    name += std::strchr("[]:*?/\\", c) ? '_' : c;
  }
  while (!name.empty() && (name.front() == '\'' || name.front() == ' ')) name.erase(name.begin());
  if (name.size() > 31) name.resize(31);
  while (!name.empty() && (name.back() == '\'' || name.back() == ' ')) name.pop_back();
  return name;
}

void CheckRange(const SheetRange& r) {
  if (r.firstRow < 0 || r.firstCol < 0 || r.lastRow < r.firstRow || r.lastCol < r.firstCol || r.lastRow >= kSheetRows ||
      r.lastCol >= kSheetColumns)
    throw ESpreadsheetError(Utf8ToCp1251("Ячейки " + std::to_string(r.firstRow + 1) + "-" +
                                         std::to_string(r.lastRow + 1) + " строк и " + std::to_string(r.firstCol + 1) +
                                         "-" + std::to_string(r.lastCol + 1) +
                                         " столбцов не помещаются на лист: в листе 1048576 строк и 16384 столбца."));
}

std::string NumberFormat(int decimals) {
  if (decimals < 0) return {};
  return decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(std::min(decimals, 15)), '0');
}

// One libxlsxwriter workbook being written; formats are shared between
// ranges that look alike.
class XlsxWriter {
 public:
  explicit XlsxWriter(const std::string& path) {
    lxw_workbook_options options{};
    book_ = workbook_new_opt(path.c_str(), &options);
    if (!book_) throw ESpreadsheetError("libxlsxwriter: the workbook cannot be made");
  }
  ~XlsxWriter() {
    if (book_) {
      // Nothing may stay half-built: closing writes the file, which the
      // caller then removes.
      workbook_close(book_);
    }
  }

  void SetTitle(const std::string& title) {
    titleUtf8_ = Cp1251ToUtf8(title);
    lxw_doc_properties props{};
    props.title = titleUtf8_.data();
    workbook_set_properties(book_, &props);
  }

  lxw_worksheet* AddSheet(const std::string& name) {
    const std::string utf8 = Cp1251ToUtf8(name);
    lxw_worksheet* ws = workbook_add_worksheet(book_, utf8.c_str());
    if (!ws) throw ESpreadsheetError("libxlsxwriter: the sheet \"" + name + "\" cannot be added");
    return ws;
  }

  lxw_format* FormatFor(const RangeFormat& f, bool number) {
    const std::string key = f.fontName + '\x01' + std::to_string(f.fontSize) + ',' + std::to_string(f.bold) + ',' +
                            std::to_string(f.italic) + ',' + std::to_string(f.underline) + ',' +
                            std::to_string(f.vertical) + ',' + std::to_string(f.horizontal) + ',' +
                            std::to_string(f.wrap) + ',' + std::to_string(f.frameWeight) + ',' +
                            (number ? NumberFormat(f.decimals) : std::string("@"));
    auto [it, fresh] = formats_.try_emplace(key, nullptr);
    if (!fresh) return it->second;
    lxw_format* fmt = workbook_add_format(book_);
    if (!f.fontName.empty()) format_set_font_name(fmt, Cp1251ToUtf8(f.fontName).c_str());
    if (f.fontSize > 0) format_set_font_size(fmt, f.fontSize);
    format_set_font_color(fmt, LXW_COLOR_BLACK);
    if (f.bold) format_set_bold(fmt);
    if (f.italic) format_set_italic(fmt);
    if (f.underline == sheet_code::kUnderlineSingle) format_set_underline(fmt, LXW_UNDERLINE_SINGLE);
    switch (f.vertical) {
      case 1: format_set_align(fmt, LXW_ALIGN_VERTICAL_TOP); break;
      case 2: format_set_align(fmt, LXW_ALIGN_VERTICAL_CENTER); break;
      case 3: format_set_align(fmt, LXW_ALIGN_VERTICAL_BOTTOM); break;
      default: break;
    }
    switch (f.horizontal) {
      case 1: format_set_align(fmt, LXW_ALIGN_RIGHT); break;
      case 2: format_set_align(fmt, LXW_ALIGN_LEFT); break;
      case 3: format_set_align(fmt, LXW_ALIGN_CENTER); break;
      default: break;
    }
    if (f.wrap) format_set_text_wrap(fmt);
    switch (f.frameWeight) {
      case sheet_code::kFrameHairline: format_set_border(fmt, LXW_BORDER_HAIR); break;
      case sheet_code::kFrameThin: format_set_border(fmt, LXW_BORDER_THIN); break;
      case sheet_code::kFrameMedium: format_set_border(fmt, LXW_BORDER_MEDIUM); break;
      case sheet_code::kFrameThick: format_set_border(fmt, LXW_BORDER_THICK); break;
      default: break;
    }
    if (f.frameWeight != 0) format_set_border_color(fmt, LXW_COLOR_BLACK);
    if (number && f.decimals >= 0) format_set_num_format(fmt, NumberFormat(f.decimals).c_str());
    it->second = fmt;
    return fmt;
  }

  // Writes the file; the reason on failure.
  std::string Close() {
    lxw_workbook* b = book_;
    book_ = nullptr;
    errno = 0;
    const lxw_error e = workbook_close(b);
    if (e == LXW_NO_ERROR) return {};
    std::string reason = lxw_strerror(e);
    if (errno != 0) reason += std::string(": ") + std::strerror(errno);
    return reason;
  }

 private:
  lxw_workbook* book_ = nullptr;
  std::string titleUtf8_;
  std::map<std::string, lxw_format*> formats_;
};

void Check(lxw_error e, const char* what) {
  if (e != LXW_NO_ERROR) throw ESpreadsheetError(std::string("libxlsxwriter: ") + what + ": " + lxw_strerror(e));
}

}  // namespace

TSpreadsheet::TSpreadsheet() = default;
TSpreadsheet::~TSpreadsheet() = default;

void TSpreadsheet::Open(std::string_view caption) {
  Quit();
  open_ = true;
  caption_ = std::string(caption);
  AddSheet(caption);
}

void TSpreadsheet::AddSheet(std::string_view wanted) {
  if (!open_) Open({});
  std::string base = SheetNameFrom(wanted);
  if (base.empty()) base = Utf8ToCp1251("Лист") + std::to_string(sheets_.size() + 1);
  std::string name = base;
  auto taken = [this](const std::string& n) {
    return std::any_of(sheets_.begin(), sheets_.end(), [&](const auto& s) { return SameText(s->name, n); });
  };
  for (int k = 2; taken(name); ++k) {
    const std::string suffix = " (" + std::to_string(k) + ")";
    name = base.substr(0, 31 - suffix.size()) + suffix;
  }
  auto sheet = std::make_unique<Sheet>();
  sheet->name = std::move(name);
  sheets_.push_back(std::move(sheet));
  active_ = static_cast<int>(sheets_.size());
}

TSpreadsheet::Sheet* TSpreadsheet::SheetAt(int sheet) {
  if (sheet == 0) sheet = active_;
  if (sheet < 1 || sheet > static_cast<int>(sheets_.size())) return nullptr;
  return sheets_[static_cast<std::size_t>(sheet - 1)].get();
}

TSpreadsheet::Entry* TSpreadsheet::EntryFor(int sheet, const SheetRange& range) {
  Sheet* s = SheetAt(sheet);
  if (!s) return nullptr;
  CheckRange(range);
  auto [it, fresh] = s->index.try_emplace(range, s->entries.size());
  if (fresh) s->entries.push_back({range, {}, {}});
  return &s->entries[it->second];
}

void TSpreadsheet::SetPage(int sheet, const PageSetup& page) {
  if (Sheet* s = SheetAt(sheet)) s->page = page;
}

void TSpreadsheet::SetRowHeight(int sheet, int row, double points) {
  Sheet* s = SheetAt(sheet);
  if (!s) return;
  CheckRange({row, 0, row, 0});
  s->rowHeights[row] = std::clamp(points, 0.0, 409.0);
}

void TSpreadsheet::SetColumnWidth(int sheet, int col, double characters) {
  Sheet* s = SheetAt(sheet);
  if (!s) return;
  CheckRange({0, col, 0, col});
  s->columnWidths[col] = std::clamp(characters, 0.0, 255.0);
}

void TSpreadsheet::Merge(int sheet, const SheetRange& range) {
  if (Entry* e = EntryFor(sheet, range)) e->format.merged = true;
}

void TSpreadsheet::Frame(int sheet, const SheetRange& range, int weight) {
  if (Entry* e = EntryFor(sheet, range)) e->format.frameWeight = weight;
}

void TSpreadsheet::Align(int sheet, const SheetRange& range, int vertical, int horizontal, bool wrap) {
  if (Entry* e = EntryFor(sheet, range)) {
    e->format.vertical = vertical;
    e->format.horizontal = horizontal;
    e->format.wrap = wrap;
  }
}

void TSpreadsheet::Font(int sheet, const SheetRange& range, std::string_view name, int size, bool bold, bool italic,
                        int underline) {
  if (Entry* e = EntryFor(sheet, range)) {
    if (!name.empty()) e->format.fontName = std::string(name);
    if (size != 0) e->format.fontSize = size;
    e->format.bold = bold;
    e->format.italic = italic;
    if (underline != 0) e->format.underline = underline;
  }
}

void TSpreadsheet::SetText(int sheet, const SheetRange& range, std::string_view text) {
  if (Entry* e = EntryFor(sheet, range)) {
    e->value.kind = RangeValue::Kind::Text;
    // A sheet cell holds at most 32,767 characters (one byte each here).
    e->value.text = std::string(text.substr(0, 32767));
  }
}

void TSpreadsheet::SetNumber(int sheet, const SheetRange& range, double value, int decimals) {
  if (Entry* e = EntryFor(sheet, range)) {
    e->value.kind = RangeValue::Kind::Number;
    e->value.number = value;
    e->format.decimals = decimals;
  }
}

void TSpreadsheet::Quit() {
  sheets_.clear();
  caption_.clear();
  active_ = 0;
  open_ = false;
}

void TSpreadsheet::Write(const std::string& path) const {
  const auto slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = folder + "." + base + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) throw ESpreadsheetError(Utf8ToCp1251(path + ": " + std::strerror(errno)));
  ::close(fd);
  std::string error;
  try {
    XlsxWriter out(temp);
    if (!caption_.empty()) out.SetTitle(caption_);
    for (const auto& sheet : sheets_) {
      lxw_worksheet* ws = out.AddSheet(sheet->name);
      if (const auto& p = sheet->page) {
        constexpr double kMmPerInch = 25.4;
        worksheet_set_paper(ws, 9);  // A4
        if (p->landscape) worksheet_set_landscape(ws);
        worksheet_set_margins(ws, p->left / kMmPerInch, p->right / kMmPerInch, p->top / kMmPerInch,
                              p->bottom / kMmPerInch);
        worksheet_fit_to_pages(ws, 1, 0);
      }
      for (const auto& [col, width] : sheet->columnWidths)
        Check(worksheet_set_column(ws, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col), width, nullptr),
              "column width");
      for (const auto& [row, height] : sheet->rowHeights)
        Check(worksheet_set_row(ws, static_cast<lxw_row_t>(row), height, nullptr), "row height");
      // Merged ranges must not overlap, or the spreadsheet refuses the
      // file: a range over cells already merged stays unmerged.
      std::unordered_set<std::uint64_t> merged;
      auto key = [](int r, int c) {
        return static_cast<std::uint64_t>(r) * kSheetColumns + static_cast<std::uint64_t>(c);
      };
      for (const Entry& e : sheet->entries) {
        const SheetRange& r = e.range;
        const bool number = e.value.kind == RangeValue::Kind::Number;
        lxw_format* fmt = out.FormatFor(e.format, number);
        const auto row = static_cast<lxw_row_t>(r.firstRow);
        const auto col = static_cast<lxw_col_t>(r.firstCol);
        bool merge = e.format.merged && (r.lastRow > r.firstRow || r.lastCol > r.firstCol);
        for (int y = r.firstRow; merge && y <= r.lastRow; ++y)
          for (int x = r.firstCol; x <= r.lastCol; ++x)
            if (merged.count(key(y, x))) {
              merge = false;
              break;
            }
        if (merge) {
          for (int y = r.firstRow; y <= r.lastRow; ++y)
            for (int x = r.firstCol; x <= r.lastCol; ++x) merged.insert(key(y, x));
          Check(worksheet_merge_range(ws, row, col, static_cast<lxw_row_t>(r.lastRow),
                                      static_cast<lxw_col_t>(r.lastCol), "", fmt),
                "merge");
        }
        if (number) {
          Check(worksheet_write_number(ws, row, col, e.value.number, fmt), "number");
        } else if (e.value.kind == RangeValue::Kind::Text && !e.value.text.empty()) {
          Check(worksheet_write_string(ws, row, col, Cp1251ToUtf8(e.value.text).c_str(), fmt), "text");
        } else if (!merge) {
          Check(worksheet_write_blank(ws, row, col, fmt), "cell");
        }
      }
    }
    error = out.Close();
  } catch (const ESpreadsheetError& e) {
    error = e.what();
  }
  if (error.empty() && ::rename(temp.c_str(), path.c_str()) != 0) error = std::strerror(errno);
  if (!error.empty()) {
    ::unlink(temp.c_str());
    throw ESpreadsheetError(Utf8ToCp1251(path) + ": " + error);
  }
  // mkstemp made the file readable by its owner only.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(path.c_str(), 0666 & ~mask);
}

}  // namespace rpt::output
