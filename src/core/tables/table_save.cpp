// Saving a table into its table file, reloading it from another one, and
// the list links checked on the way.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/interaction.h"
#include "core/foundation/progress.h"
#include "core/foundation/common.h"
#include "core/tables/list_files.h"
#include "core/tables/table.h"
#include "core/tables/table_text.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace tables {

const ListFile* ListFileCache::Get(std::string_view name) {
  if (name.empty()) return nullptr;
  if (const auto it = files_.find(std::string(name)); it != files_.end()) return it->second.get();
  std::unique_ptr<ListFile> file;
  if (const auto path = FindEntryNoCase(folder_, Cp1251ToUtf8(name))) {
    if (auto bytes = ReadWholeFile(*path)) {
      IniSnapshot ini(*bytes);
      const std::int32_t code = ini.Get("Список"_w).ReadInteger("ListCode", -1);
      file.reset(new ListFile{std::move(*bytes), std::move(ini), code});
    }
  }
  const ListFile* result = file.get();
  files_.emplace(std::string(name), std::move(file));
  return result;
}

}  // namespace tables

namespace {

// The file text, written into a buffer sized ahead (a table of 120,000
// cells is some 26 MB written in many small pieces).
class TextBuffer {
 public:
  // Makes room for `n` more bytes; every Put must fit in what was asked.
  void Room(std::size_t n) {
    if (data_.size() - pos_ < n) data_.resize(std::max(data_.size() * 2, pos_ + n));
  }
  void Put(std::string_view s) {
    std::memcpy(data_.data() + pos_, s.data(), s.size());
    pos_ += s.size();
  }
  void Put(char c) { data_[pos_++] = c; }
  void Int(std::int64_t v) {
    const auto r = std::to_chars(data_.data() + pos_, data_.data() + pos_ + 24, v);
    pos_ = static_cast<std::size_t>(r.ptr - data_.data());
  }
  std::string Take() {
    data_.resize(pos_);
    return std::move(data_);
  }

 private:
  std::string data_;
  std::size_t pos_ = 0;
};

// Sections and "key=value" lines with CR LF, into room already made.
class SectionWriter {
 public:
  explicit SectionWriter(TextBuffer& out) : out_(out) {}
  void Header(std::string_view name) {
    out_.Put('[');
    out_.Put(name);
    out_.Put("]\r\n");
  }
  void Header(std::string_view prefix, std::int64_t n) {
    out_.Put('[');
    out_.Put(prefix);
    out_.Int(n);
    out_.Put("]\r\n");
  }
  void End() { out_.Put("\r\n"); }
  void String(std::string_view key, std::string_view value) {
    out_.Put(key);
    out_.Put('=');
    out_.Put(value);
    out_.Put("\r\n");
  }
  void Integer(std::string_view key, std::int64_t value) {
    out_.Put(key);
    out_.Put('=');
    out_.Int(value);
    out_.Put("\r\n");
  }
  void Bool(std::string_view key, bool value) { String(key, value ? "1" : "0"); }
  void Int(std::int64_t v) { out_.Int(v); }
  void Blank() { out_.Put(' '); }
  void Raw(std::string_view s) { out_.Put(s); }

 private:
  TextBuffer& out_;
};

std::string FileNameOf(const std::string& path) {
  return Utf8ToCp1251(fs::path(path).filename().string());
}

// "Таблица "T1.ini" не сохранена: " + reason.
[[noreturn]] void FailSave(const TTable& table, std::string_view reason) {
  std::string message(("Таблица \""_w));
  message += FileNameOf(table.filePath);
  message += "\" не сохранена: "_w;
  message += reason;
  throw EFileError(message);
}

std::string CellAddress(const TTable& table, const TCell& cell, char state, int n) {
  if (table.grid && state == 'D') return std::to_string(cell.Row) + "-" + std::to_string(cell.Col);
  return std::to_string(n);
}

void WriteMultiLine(SectionWriter& w, std::string_view text) {
  if (text.empty()) return;
  if (text[0] != ' ' && text[0] != '$' && text.find_first_of("\r\n") == std::string_view::npos) {
    w.Raw(text);  // the usual case: nothing to encode
    return;
  }
  w.Raw(tables::EncodeMultiLine(text));
}

class Saver {
 public:
  Saver(TTable& table, TFormProgress* progress) : t_(table), progress_(progress) {}

  std::string Run();

 private:
  void WriteCell(TCell& cell, char state, std::int32_t dy, std::int32_t dx);

  TTable& t_;
  TFormProgress* progress_;
  TextBuffer out_;
  std::int64_t n_ = 2;
  std::string title_, number_;
  TFont lastFont_{"", -1};
  std::string lastFontText_;
};

std::string Saver::Run() {
  TTable& t = t_;
  std::size_t cells = 0;
  if (t.grid) {
    cells = t.header.size() + t.top.size() + t.footer.size();
    for (int r = 1; r <= t.RowCount; ++r)
      if (const TRow* row = RowAt(t.data, r)) cells += row->size();
  } else if (const TRow* row = FirstRow(t.data)) {
    cells = row->size();
  }
  const auto count = static_cast<std::int64_t>(cells);
  if (progress_) progress_->Start(static_cast<int>(cells), "Запись таблицы"_w, false);

  out_.Room(1024 + cells * 240);
  // "Name" and "NumTab" close the section "Table": the captions of the
  // last title and number cells among those written.
  auto note = [this](const TCell& c) {
    if (c.type == cell_type::kTitle) title_ = tables::OneLine(c.label.caption);
    if (c.type == cell_type::kTableNumber) number_ = tables::OneLine(c.label.caption);
  };
  if (t.grid) {
    for (auto& c : t.header.cells) note(*c);
    for (auto& c : t.top.cells) note(*c);
    for (int r = 1; r <= t.RowCount; ++r)
      if (TRow* row = RowAt(t.data, r))
        for (auto& c : row->cells) note(*c);
    for (auto& c : t.footer.cells) note(*c);
  } else if (TRow* row = FirstRow(t.data)) {
    for (auto& c : row->cells) note(*c);
  }
  out_.Room(1024 + 2 * (title_.size() + number_.size()));
  SectionWriter w(out_);
  w.Header("Table");
  w.Integer("PageOrient", t.page.orientation);
  w.Integer("PageBottom", t.page.bottom);
  w.Integer("PageLeft", t.page.left);
  w.Integer("PageRight", t.page.right);
  w.Integer("PageTop", t.page.top);
  w.Integer("Count", count);
  w.Integer("BL0", t.BL0);
  w.Integer("BL1", t.BL1);
  w.Integer("BMainNum", t.BMainNum);
  w.Integer("FirstCell", 2);
  w.Integer("LastCell", count + 1);
  w.Bool("Fixed", t.grid);
  w.Integer("MinLeft", t.MinLeft);
  w.Integer("MinTop", t.MinTop);
  w.Integer("MinTopD", t.MinTopD);
  w.Integer("RowCount", t.RowCount);
  w.Integer("ColCount", t.ColCount);
  w.String("Name", title_);
  w.String("NumTab", number_);
  w.End();

  if (t.grid) {
    for (auto& c : t.header.cells) WriteCell(*c, 'H', t.header.topOffset, t.MinLeft);
    for (auto& c : t.top.cells) WriteCell(*c, 'T', t.top.topOffset, t.MinLeft);
    for (int r = 1; r <= t.RowCount; ++r)
      if (TRow* row = RowAt(t.data, r))
        for (auto& c : row->cells) WriteCell(*c, 'D', t.MinTopD, t.MinLeft);
    for (auto& c : t.footer.cells) WriteCell(*c, 'B', t.footer.topOffset, t.MinLeft);
  } else if (TRow* row = FirstRow(t.data)) {
    // Form cells are loaded at their file position unchanged, so they are
    // written back so (with the grid offsets a form file whose "MinTopD" or
    // "MinLeft" is not 0 would move its cells at every save).
    for (auto& c : row->cells) WriteCell(*c, 'D', 0, 0);
  }

  return out_.Take();
}

void Saver::WriteCell(TCell& cell, char state, std::int32_t dy, std::int32_t dx) {
  const std::uint8_t type = cell.type;
  const TFramedLabel& l = cell.label;

  // Values first: a real that is no number fails the save before anything
  // of the cell is written.
  std::string& caption = cell.label.caption;
  if (type == cell_type::kReal && !tables::TrimText(caption).empty()) {
    const auto value = tables::ParseNumber(cell.GetValue());
    if (!value) {
      std::string reason(("значение ячейки "_w));
      reason += CellAddress(t_, cell, state, static_cast<int>(n_));
      reason += " \"";
      reason += caption;
      reason += "\" не является числом."_w;
      FailSave(t_, reason);
    }
    caption = tables::FormatFixed(*value, cell.Dec);
  }
  if (type == cell_type::kReal) tables::DotsToCommas(caption);
  if (type == cell_type::kFormula && state == 'D' && !IsTextCopy(type, cell.Dec)) {
    // Written as the next load will show it (a load rewrites a formula
    // value with a separator, and "0,0" once more when it was unreadable),
    // so that a saved file loads into the model it was saved from.
    std::string v = cell.GetValue();
    tables::NormalizeLoadedNumber(v, cell.Dec);
    tables::NormalizeLoadedNumber(v, cell.Dec);
    caption = std::move(v);
  }
  if (type == cell_type::kListValue) {
    t_.CheckListLink(cell);
    t_.EnsureListCode(cell);
  }
  if (l.font.bold != lastFont_.bold || l.font.italic != lastFont_.italic ||
      l.font.underline != lastFont_.underline || l.font.strikeOut != lastFont_.strikeOut ||
      l.font.color != lastFont_.color || cell.definedFontSize != lastFont_.size ||
      cell.definedFontName != lastFont_.name) {
    lastFont_ = l.font;
    lastFont_.name = cell.definedFontName;
    lastFont_.size = cell.definedFontSize;
    lastFontText_ = FontToString(lastFont_);
  }

  // Fixed keys and numbers take under 400 bytes; a line break in a caption
  // or hint may double in the file.
  out_.Room(400 + cell.List.size() + cell.Form.size() + 2 * caption.size() + 2 * l.hint.size() +
            lastFontText_.size());
  SectionWriter w(out_);
  w.Header("Cell_", n_);
  w.String("State", std::string_view(&state, 1));
  w.Integer("Type", type);
  if (type == cell_type::kText || type == cell_type::kInteger || type == cell_type::kReal)
    w.Integer("Len", cell.Len);
  if (type == cell_type::kInteger) w.Integer("Dec", 0);
  if (type == cell_type::kReal || type == cell_type::kFormula) w.Integer("Dec", cell.Dec);
  if (type == cell_type::kText || type == cell_type::kLongText) {
    w.String("List", cell.List);
    w.Bool("DirectInput", cell.DirectInput);
  }
  if (type == cell_type::kListValue) {
    w.String("List", cell.List);
    w.Integer("ListCode", cell.ListCode);
    w.Bool("DirectInput", cell.DirectInput);
  }
  if (type == cell_type::kFormula) w.String("Form", cell.Form);
  w.Integer("BObj", cell.BObj);
  w.Integer("BVal", cell.BVal);
  w.Integer("BList", cell.BList);
  w.Integer("Col", cell.Col);
  w.Integer("Row", cell.Row);

  w.Raw("Vis=");
  w.Int(static_cast<std::int64_t>(l.top) + dy);
  w.Blank();
  w.Int(static_cast<std::int64_t>(l.left) + dx);
  w.Blank();
  w.Int(l.width);
  w.Blank();
  w.Int(l.height);
  w.Blank();
  w.Int(l.TextAlign());
  w.Blank();
  // The defined colour, not the scheme's: the scheme is a way of showing
  // the report, and mapping an already mapped colour again at the next load
  // would change it once more. Signed 32-bit in the file (system colours
  // are negative).
  w.Int(static_cast<std::int32_t>(cell.definedColor));
  w.Raw("\r\n");
  w.Bool("Frame", l.framed);
  w.Raw("Cap=");
  WriteMultiLine(w, caption);
  w.Raw("\r\n");
  w.String("Font", lastFontText_);
  if (!l.hint.empty()) {
    w.Raw("Hint=");
    WriteMultiLine(w, l.hint);
    w.Raw("\r\n");
  }
  w.End();
  ++n_;
  if (progress_) progress_->Step();
}

// Writes the bytes to `path` with the permissions of `like` (when it
// exists); the system's error text on failure. Table files live in the
// working folder, a scratch copy rebuilt from the report's package at every
// start: durability belongs to the package, which is flushed when packed, so
// the table file itself is not forced to disk (it was 3 ms per table).
std::string WriteTableFile(const std::string& path, std::string_view bytes, const std::string& like) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return std::strerror(errno);
  struct stat st {};
  if (::stat(like.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
  if (const int err = WriteAllTo(fd, bytes)) {
    ::close(fd);
    return std::strerror(err);
  }
  if (::close(fd) != 0) return std::strerror(errno);
  return {};
}

}  // namespace

std::string TTable::SaveText() {
  tables::ListFileCache cache(context_->listFolder);
  listCache_ = &cache;
  try {
    std::string text = Saver(*this, nullptr).Run();
    listCache_ = nullptr;
    return text;
  } catch (...) {
    listCache_ = nullptr;
    throw;
  }
}

void TTable::SaveToFile(const std::string& path, bool showProgress) {
  const std::string temp = WithSeparator(fs::path(path).parent_path().string()) + "Temp.tmp";
  std::error_code ec;
  fs::remove(temp, ec);

  TFormProgress progress(context_->ui);
  tables::ListFileCache cache(context_->listFolder);
  listCache_ = &cache;
  std::string text;
  try {
    text = Saver(*this, showProgress ? &progress : nullptr).Run();
  } catch (...) {
    listCache_ = nullptr;
    throw;  // the progress window closes with `progress`
  }
  listCache_ = nullptr;

  if (std::string err = WriteTableFile(temp, text, path); !err.empty()) {
    fs::remove(temp, ec);
    std::string reason(("ошибка записи файла \""_w));
    reason += Utf8ToCp1251(temp);
    reason += "\": ";
    reason += Utf8ToCp1251(err);
    FailSave(*this, reason);
  }
  // rename() replaces the table file in one step: there is never a moment
  // without it.
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string err = std::strerror(errno);
    fs::remove(temp, ec);
    std::string reason(("не удалось заменить файл \""_w));
    reason += Utf8ToCp1251(path);
    reason += "\": ";
    reason += Utf8ToCp1251(err);
    FailSave(*this, reason);
  }
  SetModified(false);
  progress.Finish();
}

std::int32_t TTable::EnsureListCode(TCell& cell) {
  if (cell.ListCode > 0) return cell.ListCode;
  const std::string name = NthWord(cell.List, 1);
  const tables::ListFile* file = nullptr;
  if (listCache_) {
    file = listCache_->Get(name);
    cell.ListCode = file ? file->listCode : -1;
  } else {
    tables::ListFileCache cache(context_->listFolder);
    file = cache.Get(name);
    cell.ListCode = file ? file->listCode : -1;
  }
  return cell.ListCode;
}

void TTable::CheckListLink(TCell& cell) {
  if (cell.BList <= 0) return;
  tables::ListFileCache local(context_->listFolder);
  tables::ListFileCache& cache = listCache_ ? *listCache_ : local;
  const tables::ListFile* file = cache.Get(NthWord(cell.List, 1));
  if (!file) return;
  const std::string_view text = file->text;
  std::string needle = ".BV=" + std::to_string(cell.BVal) + "\r\n";
  const std::size_t match = text.find(needle);
  if (match == std::string_view::npos) return;
  const std::size_t lf = text.rfind('\n', match);
  const std::size_t keyStart = lf == std::string_view::npos ? 0 : lf + 1;
  const std::string_view key = text.substr(keyStart, match - keyStart);
  const std::size_t open = text.rfind('[', match);
  std::string_view section;
  if (open != std::string_view::npos) {
    const std::size_t close = text.find(']', open);
    if (close != std::string_view::npos) section = text.substr(open + 1, close - open - 1);
  }
  const std::string item = file->ini.Get(section).ReadString(key, "");
  if (!SameText(item, cell.GetValue())) cell.BVal = cell.BList = -1;
}

bool TTable::ReloadFrom(const std::string& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return false;
  TableHooks& h = hooks();
  const bool wasLoading = h.Loading();
  h.SetLoading(true);
  const std::string ownPath = filePath;
  ClearSections();
  try {
    LoadFromFile(path);
  } catch (...) {
    filePath = ownPath;
    tableName = TableNameOf(ownPath);
    h.SetLoading(wasLoading);
    throw;
  }
  filePath = ownPath;
  tableName = TableNameOf(ownPath);
  h.SetLoading(wasLoading);
  h.RecalcTable(*this, /*deep=*/true, /*withCheck=*/false);
  h.CheckTable(*this);
  SetModified(true);
  return true;
}

namespace {

std::string Quoted(std::string_view prefix, std::string_view name) {
  std::string m(prefix);
  m += '"';
  m += name;
  m += "\".";
  return m;
}

}  // namespace

bool TTable::ReloadCleanTable() {
  Interaction* ui = context_->ui;
  if (ui && ui->ShowMessage(MessageKind::Warning,
                            "Будет загружена чистая таблица. Все изменения в таблице будут потеряны. Выполнить?"_w,
                            kYes | kNo) != kYes)
    return false;
  const std::string name = fs::path(filePath).filename().string();
  const std::string blank =
      FindEntryNoCase(context_->templateFolder, name).value_or(WithSeparator(context_->templateFolder) + name);
  if (ReloadFrom(blank)) return true;
  if (ui) ui->ShowMessage(MessageKind::Error, Quoted("Отсутствует эталон таблицы "_w, Utf8ToCp1251(name)), kOk);
  return false;
}

bool TTable::ReloadLastEdition() {
  Interaction* ui = context_->ui;
  if (ui &&
      ui->ShowMessage(MessageKind::Warning,
                      "Будет загружен сохраненный вариант таблицы. Последние изменения в таблице будут потеряны. Выполнить?"_w,
                      kYes | kNo) != kYes)
    return false;
  if (ReloadFrom(filePath)) return true;
  if (ui)
    ui->ShowMessage(MessageKind::Error,
                    Quoted("Отсутствует сохраненный вариант таблицы "_w, Utf8ToCp1251(filePath)), kOk);
  return false;
}

}  // namespace rpt
