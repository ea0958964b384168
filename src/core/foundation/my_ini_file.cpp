#include "core/foundation/my_ini_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <unordered_map>
#include <utility>

#include "core/foundation/codec.h"
#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/text_case.h"

namespace rpt {

using namespace literals;

namespace {

struct NoCaseHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept { return FoldedHash{}(s); }
};
struct NoCaseEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept { return SameText(a, b); }
};

template <class T>
using NoCaseMap = std::unordered_map<std::string, T, NoCaseHash, NoCaseEqual>;

// Calls onLine for every line of the text: lines end at CR LF, a lone CR or
// a lone LF; a NUL byte ends the text; a terminator at the very end does not
// start another (empty) line.
template <class F>
void SplitLines(std::string_view text, F&& onLine) {
  if (const auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  const char* p = text.data();
  const char* const end = p + text.size();
  const char* start = p;
  while (p < end) {
    const char c = *p;
    if (c == '\n' || c == '\r') {
      onLine(std::string_view(start, static_cast<std::size_t>(p - start)));
      ++p;
      if (c == '\r' && p < end && *p == '\n') ++p;
      start = p;
    } else {
      ++p;
    }
  }
  if (start < end) onLine(std::string_view(start, static_cast<std::size_t>(end - start)));
}

std::string JoinLines(std::size_t bytes, auto&& forEachLine) {
  std::string text;
  text.reserve(bytes);
  forEachLine([&](const std::string& line) {
    text += line;
    text += "\r\n";
  });
  return text;
}

// True when the file is there (whatever it is) though it could not be read;
// such a file must not be replaced by what little we hold.
bool ExistsButUnreadable(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 || errno != ENOENT;
}

std::string WriteFailure(const std::string& path, const std::string& reason) {
  std::string message(std::string_view("Не удалось записать файл "_w));
  message += Utf8ToCp1251(path);
  message += ": ";
  message += Utf8ToCp1251(reason);
  return message;
}

std::string ReadFailure(const std::string& path) {
  std::string message(std::string_view("Не удалось прочитать файл "_w));
  message += Utf8ToCp1251(path);
  message += "; он не перезаписывается"_w;
  return message;
}

bool StartsWithBracket(std::string_view line) { return !line.empty() && line.front() == '['; }

// The name of a header line "[name]", or nothing for any other line.
std::optional<std::string_view> HeaderName(std::string_view line) {
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  return line.substr(1, line.size() - 2);
}

}  // namespace

// ---------------------------------------------------------------------------
// TMyIniFile
//
// The file's lines are held as a prefix (lines before the first line that
// begins with "[") and a vector of blocks, each starting at such a line and
// running to the next one. A section's span, as reading and writing back
// see it, is exactly one block, so writing a section back replaces one
// block and appending a section adds one; nothing else moves.
//
// Header index: an open-addressing table keyed by the case-folded hash of
// the header name. Each slot holds the first and the last block carrying
// that name; the blocks in between are chained through Block::nextSame in
// file order, so the first header always wins, and erasing it hands the
// section to the next duplicate. Erased blocks stay as empty tombstones
// until they outnumber the live ones, then the vector is compacted and the
// index rebuilt. The table holds hashes and block numbers only, so a lookup
// touches one slot and the block it names.

struct TMyIniFile::Impl {
  static constexpr std::uint32_t kNone = UINT32_MAX;

  struct Block {
    std::vector<std::string> lines;  // lines[0] begins with "["; empty once erased
    std::uint32_t nextSame = kNone;  // the next block with the same header name
  };
  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t first = kNone;  // kNone: the slot is free
    std::uint32_t last = kNone;
  };

  std::string fileName;
  std::string loadError;
  std::vector<std::string> prefix;
  std::vector<Block> blocks;
  std::size_t deadBlocks = 0;
  std::vector<Slot> slots;  // size is zero or a power of two
  std::size_t usedSlots = 0;
  std::size_t lineCount = 0;
  std::size_t byteCount = 0;  // of the saved text, for reserving it
  bool fileModified = false;

  std::string selected;
  std::vector<std::string> buffer;
  bool bufferHasHeader = false;
  bool sectionModified = false;
  // Folded key -> first buffer line with that key; built on demand for big
  // buffers and kept while lines are only appended or replaced.
  NoCaseMap<std::size_t> keyIndex;
  bool keyIndexValid = false;

  static constexpr std::size_t kKeyIndexThreshold = 32;

  // --- the header index ------------------------------------------------------

  static std::uint64_t HashName(std::string_view name) {
    std::uint64_t h = FoldedHash{}(name);
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    return h;
  }

  std::string_view BlockName(std::uint32_t b) const { return *HeaderName(blocks[b].lines.front()); }

  // The slot holding the name, or the free slot where it would go.
  std::size_t Probe(std::string_view name, std::uint64_t hash) const {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& s = slots[i];
      if (s.first == kNone || (s.hash == hash && SameText(BlockName(s.first), name))) return i;
    }
  }

  void Grow() {
    std::vector<Slot> old(std::max<std::size_t>(64, slots.size() * 2));
    old.swap(slots);
    const std::size_t mask = slots.size() - 1;
    for (const Slot& s : old) {
      if (s.first == kNone) continue;
      std::size_t i = s.hash & mask;
      while (slots[i].first != kNone) i = (i + 1) & mask;
      slots[i] = s;
    }
  }

  // Indexes a block that follows every block already indexed.
  void IndexBlock(std::uint32_t b) {
    const auto name = HeaderName(blocks[b].lines.front());
    if (!name) return;
    if ((usedSlots + 1) * 4 > slots.size() * 3) Grow();
    const std::uint64_t hash = HashName(*name);
    Slot& s = slots[Probe(*name, hash)];
    if (s.first == kNone) {
      s = Slot{hash, b, b};
      ++usedSlots;
    } else {
      blocks[s.last].nextSame = b;
      s.last = b;
    }
  }

  // Empties slot i, moving later slots of its probe run back into the gap.
  void FreeSlot(std::size_t i) {
    const std::size_t mask = slots.size() - 1;
    slots[i] = Slot{};
    for (std::size_t j = (i + 1) & mask; slots[j].first != kNone; j = (j + 1) & mask) {
      const std::size_t home = slots[j].hash & mask;
      const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
      if (stays) continue;
      slots[i] = slots[j];
      slots[j] = Slot{};
      i = j;
    }
    --usedSlots;
  }

  std::uint32_t FindBlock(std::string_view name) const {
    if (slots.empty()) return kNone;
    return slots[Probe(name, HashName(name))].first;
  }

  // Drops tombstones and re-indexes every block.
  void Rebuild() {
    std::erase_if(blocks, [](const Block& b) { return b.lines.empty(); });
    deadBlocks = 0;
    slots.clear();
    usedSlots = 0;
    for (auto& b : blocks) b.nextSame = kNone;
    for (std::uint32_t b = 0; b < blocks.size(); ++b) IndexBlock(b);
  }

  // --- lines -----------------------------------------------------------------

  void Count(const std::vector<std::string>& lines, bool add) {
    std::size_t bytes = 0;
    for (const auto& l : lines) bytes += l.size() + 2;
    if (add) {
      lineCount += lines.size();
      byteCount += bytes;
    } else {
      lineCount -= lines.size();
      byteCount -= bytes;
    }
  }

  // The lines a line without "[" at the end of the file joins.
  std::vector<std::string>& LastLines() {
    while (!blocks.empty() && blocks.back().lines.empty()) {
      blocks.pop_back();
      --deadBlocks;
    }
    return blocks.empty() ? prefix : blocks.back().lines;
  }

  void AppendLine(std::string line) {
    ++lineCount;
    byteCount += line.size() + 2;
    if (StartsWithBracket(line)) {
      blocks.emplace_back();
      blocks.back().lines.push_back(std::move(line));
      IndexBlock(static_cast<std::uint32_t>(blocks.size() - 1));
    } else {
      LastLines().push_back(std::move(line));
    }
  }

  void Load(std::string_view text) {
    SplitLines(text, [&](std::string_view line) { AppendLine(std::string(line)); });
  }

  // Erases the first block carrying the header name; false when there is none.
  bool EraseFirst(std::string_view name) {
    if (slots.empty()) return false;
    const std::size_t i = Probe(name, HashName(name));
    const std::uint32_t b = slots[i].first;
    if (b == kNone) return false;
    slots[i].first = blocks[b].nextSame;
    if (slots[i].first == kNone) FreeSlot(i);
    Count(blocks[b].lines, false);
    std::vector<std::string>().swap(blocks[b].lines);
    blocks[b].nextSame = kNone;
    ++deadBlocks;
    if (deadBlocks > 64 && deadBlocks * 2 > blocks.size()) Rebuild();
    return true;
  }

  // Replaces block b's lines by `lines`, which continue the file at that
  // place (they may begin or split blocks of their own).
  void ReplaceBlock(std::uint32_t b, std::vector<std::string> lines) {
    Count(blocks[b].lines, false);
    Count(lines, true);
    bool simple = !lines.empty() && StartsWithBracket(lines.front());
    for (std::size_t i = 1; simple && i < lines.size(); ++i) simple = !StartsWithBracket(lines[i]);
    if (simple) {
      const auto newName = HeaderName(lines.front());
      simple = newName && SameText(BlockName(b), *newName);
    }
    if (simple) {
      // The same header name at the same place: the index stays right.
      blocks[b].lines = std::move(lines);
      return;
    }
    // Rare shapes (a key line beginning with "["): splice and re-index.
    std::uint32_t prev = b;
    while (prev > 0 && blocks[prev - 1].lines.empty()) --prev;
    std::vector<std::string>& before = prev == 0 ? prefix : blocks[prev - 1].lines;
    std::vector<Block> fresh;
    for (auto& line : lines) {
      if (StartsWithBracket(line)) fresh.emplace_back();
      (fresh.empty() ? before : fresh.back().lines).push_back(std::move(line));
    }
    blocks.erase(blocks.begin() + b);
    blocks.insert(blocks.begin() + b, std::make_move_iterator(fresh.begin()),
                  std::make_move_iterator(fresh.end()));
    Rebuild();
  }

  template <class F>
  void ForEachLine(F&& f) const {
    for (const auto& l : prefix) f(l);
    for (const auto& b : blocks)
      for (const auto& l : b.lines) f(l);
  }

  // --- the section buffer ----------------------------------------------------

  std::size_t ContentStart() const { return bufferHasHeader ? 1 : 0; }

  void ClearBuffer() {
    buffer.clear();
    bufferHasHeader = false;
    keyIndex.clear();
    keyIndexValid = false;
  }

  void WriteBack(bool keepBuffer) {
    if (!sectionModified || buffer.size() < 2) return;
    if (!buffer.back().empty()) buffer.emplace_back();
    std::vector<std::string> lines;
    if (keepBuffer) {
      lines = buffer;
    } else {
      lines = std::move(buffer);
      ClearBuffer();
    }
    if (const auto b = FindBlock(selected); b != kNone) {
      ReplaceBlock(b, std::move(lines));
    } else {
      for (auto& l : lines) AppendLine(std::move(l));
    }
    fileModified = true;
    sectionModified = false;
  }

  void Select(std::string_view name) {
    if (name == selected) return;
    WriteBack(false);
    selected.assign(name);
    ClearBuffer();
    bufferHasHeader = true;
    if (const auto b = FindBlock(name); b != kNone) {
      const auto& lines = blocks[b].lines;
      buffer.push_back(lines.front());
      for (std::size_t i = 1; i < lines.size() && !lines[i].empty(); ++i) buffer.push_back(lines[i]);
    } else {
      std::string header = "[";
      header += name;
      header += ']';
      buffer.push_back(std::move(header));
    }
    sectionModified = false;
  }

  static std::optional<std::string_view> KeyOf(std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return line.substr(0, eq);
  }

  // Index of the first content line holding the key, or npos.
  std::size_t FindKey(std::string_view key) {
    const std::size_t start = ContentStart();
    if (buffer.size() - std::min(buffer.size(), start) > kKeyIndexThreshold) {
      if (!keyIndexValid) {
        keyIndex.clear();
        for (std::size_t i = start; i < buffer.size(); ++i)
          if (const auto k = KeyOf(buffer[i])) keyIndex.try_emplace(std::string(*k), i);
        keyIndexValid = true;
      }
      const auto found = keyIndex.find(key);
      return found == keyIndex.end() ? std::string_view::npos : found->second;
    }
    for (std::size_t i = start; i < buffer.size(); ++i) {
      const auto k = KeyOf(buffer[i]);
      if (k && SameText(*k, key)) return i;
    }
    return std::string_view::npos;
  }

  void AppendToBuffer(std::string line) {
    if (keyIndexValid)
      if (const auto k = KeyOf(line)) keyIndex.try_emplace(std::string(*k), buffer.size());
    buffer.push_back(std::move(line));
    sectionModified = true;
  }
};

TMyIniFile::TMyIniFile(std::string fileName) : impl_(std::make_unique<Impl>()) {
  impl_->fileName = std::move(fileName);
  if (impl_->fileName.empty()) return;
  if (const auto text = ReadWholeFile(impl_->fileName)) {
    impl_->Load(*text);
    impl_->fileModified = true;
  } else if (ExistsButUnreadable(impl_->fileName)) {
    impl_->loadError = ReadFailure(impl_->fileName);
  }
}

TMyIniFile::~TMyIniFile() {
  try {
    (void)Release();
  } catch (...) {
    // Nothing can be reported from here; Release() tells those who ask.
  }
}

std::string TMyIniFile::Release() {
  auto& d = *impl_;
  d.WriteBack(true);
  if (d.fileName.empty() || d.lineCount == 0 || !d.fileModified) return {};
  if (!d.loadError.empty()) return d.loadError;
  const std::string text = JoinLines(d.byteCount, [&](auto&& f) { d.ForEachLine(f); });
  if (auto err = AtomicWriteFile(d.fileName, text); !err.empty()) return WriteFailure(d.fileName, err);
  d.fileModified = false;
  return {};
}

void TMyIniFile::DiscardChanges() {
  impl_->sectionModified = false;
  impl_->fileModified = false;
}

std::string TMyIniFile::ReadString(std::string_view section, std::string_view key,
                                   std::string_view def) {
  auto& d = *impl_;
  d.Select(section);
  const auto i = d.FindKey(key);
  if (i == std::string_view::npos) return std::string(def);
  const auto& line = d.buffer[i];
  const auto eq = line.find('=');
  if (eq + 1 == line.size()) return std::string(def);
  return line.substr(eq + 1);
}

void TMyIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  auto& d = *impl_;
  d.Select(section);
  std::string line(key);
  line += '=';
  line += value;
  const auto i = d.FindKey(key);
  if (i == std::string_view::npos) {
    d.AppendToBuffer(std::move(line));
    return;
  }
  auto& stored = d.buffer[i];
  if (std::string_view(stored).substr(stored.find('=') + 1) == value) return;
  stored = std::move(line);
  d.sectionModified = true;
}

std::int32_t TMyIniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) {
  const std::string text = ReadString(section, key, "");
  if (text.empty()) return def;
  return TryStrToInt(text).value_or(def);
}

void TMyIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

bool TMyIniFile::ReadBool(std::string_view section, std::string_view key, bool def) {
  return (ReadInteger(section, key, def ? 1 : 0) & 0xFF) != 0;
}

void TMyIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

TColor TMyIniFile::ReadColor(std::string_view section, std::string_view key, TColor def) {
  const std::string text = ReadString(section, key, "");
  if (text.empty()) return def;
  return TryStringToColor(text).value_or(def);
}

void TMyIniFile::WriteColor(std::string_view section, std::string_view key, TColor value) {
  WriteString(section, key, ColorToString(value));
}

void TMyIniFile::ReadFont(std::string_view section, std::string_view key, TFont& font, const TFont& def) {
  try {
    const std::string text = ReadString(section, key, "");
    font = text.empty() ? def : StringToFont(text);
  } catch (const ECoreError&) {
    font = def;
  }
}

void TMyIniFile::WriteFont(std::string_view section, std::string_view key, const TFont& font) {
  WriteString(section, key, FontToString(font));
}

void TMyIniFile::DeleteKey(std::string_view section, std::string_view key) {
  auto& d = *impl_;
  d.Select(section);
  const auto i = d.FindKey(key);
  if (i == std::string_view::npos) throw EListError("Индекс списка вне допустимого диапазона (-1)"_w);
  d.buffer.erase(d.buffer.begin() + static_cast<std::ptrdiff_t>(i));
  d.keyIndexValid = false;
  d.keyIndex.clear();
  d.sectionModified = true;
}

void TMyIniFile::EraseSection(std::string_view section) {
  auto& d = *impl_;
  if (!d.EraseFirst(section)) return;
  d.fileModified = true;
  if (section == d.selected) {
    d.ClearBuffer();
    d.selected.clear();
    d.sectionModified = false;
  }
}

const std::vector<std::string>& TMyIniFile::Section(std::string_view section) {
  impl_->Select(section);
  return impl_->buffer;
}

std::size_t TMyIniFile::LineCount() const { return impl_->lineCount; }

std::vector<std::string> TMyIniFile::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(impl_->lineCount);
  impl_->ForEachLine([&](const std::string& l) { lines.push_back(l); });
  return lines;
}

std::vector<std::string> TMyIniFile::SectionNames() const {
  std::vector<std::string> names;
  for (const auto& b : impl_->blocks)
    if (!b.lines.empty())
      if (const auto name = HeaderName(b.lines.front())) names.emplace_back(*name);
  return names;
}

const std::string& TMyIniFile::FileName() const { return impl_->fileName; }

bool TMyIniFile::FileModified() const { return impl_->fileModified; }

// ---------------------------------------------------------------------------
// ProfileFile

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<std::string_view> ProfileHeader(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const auto close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// Decimal or "0x" hexadecimal after optional blanks and sign; text after the
// digits is ignored. Nothing when there are no digits.
std::optional<std::int32_t> ProfileInteger(std::string_view s) {
  s = Trim(s);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  unsigned base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  std::uint32_t v = 0;
  std::size_t digits = 0;
  for (const char c : s) {
    unsigned d;
    if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
    else break;
    v = v * base + d;
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (negative) v = 0u - v;
  return static_cast<std::int32_t>(v);
}

}  // namespace

struct ProfileFile::Impl {
  std::string fileName;
  std::string loadError;
  std::vector<std::string> lines;

  struct Span {
    std::size_t header;
    std::size_t end;  // the next header line or the end
  };

  std::optional<Span> FindSection(std::string_view name, std::size_t from = 0) const {
    for (std::size_t i = from; i < lines.size(); ++i) {
      const auto h = ProfileHeader(lines[i]);
      if (!h || !SameText(*h, name)) continue;
      std::size_t e = i + 1;
      while (e < lines.size() && !ProfileHeader(lines[e])) ++e;
      return Span{i, e};
    }
    return std::nullopt;
  }

  std::optional<std::size_t> FindKey(const Span& s, std::string_view key) const {
    for (std::size_t i = s.header + 1; i < s.end; ++i) {
      const auto eq = lines[i].find('=');
      if (eq != std::string::npos && SameText(Trim(std::string_view(lines[i]).substr(0, eq)), key)) return i;
    }
    return std::nullopt;
  }

  std::optional<std::string> Find(std::string_view section, std::string_view key) const {
    const auto s = FindSection(Trim(section));
    if (!s) return std::nullopt;
    const auto i = FindKey(*s, Trim(key));
    if (!i) return std::nullopt;
    const std::string_view line = lines[*i];
    return std::string(Trim(line.substr(line.find('=') + 1)));
  }

  std::string Save() const {
    if (fileName.empty()) return {};
    if (!loadError.empty()) return loadError;
    std::size_t bytes = 0;
    for (const auto& l : lines) bytes += l.size() + 2;
    const std::string text = JoinLines(bytes, [&](auto&& f) {
      for (const auto& l : lines) f(l);
    });
    if (auto err = AtomicWriteFile(fileName, text); !err.empty()) return WriteFailure(fileName, err);
    return {};
  }
};

ProfileFile::ProfileFile(std::string fileName) : impl_(std::make_unique<Impl>()) {
  impl_->fileName = std::move(fileName);
  if (impl_->fileName.empty()) return;
  if (const auto text = ReadWholeFile(impl_->fileName)) {
    SplitLines(*text, [&](std::string_view line) { impl_->lines.emplace_back(line); });
  } else if (ExistsButUnreadable(impl_->fileName)) {
    impl_->loadError = ReadFailure(impl_->fileName);
  }
}

ProfileFile::~ProfileFile() = default;

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view def) const {
  if (auto v = impl_->Find(section, key)) return std::move(*v);
  return std::string(def);
}

std::int32_t ProfileFile::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t def) const {
  const auto v = impl_->Find(section, key);
  if (!v) return def;
  return ProfileInteger(*v).value_or(def);
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::string ProfileFile::WriteString(std::string_view section, std::string_view key,
                                     std::string_view value) {
  auto& d = *impl_;
  section = Trim(section);
  key = Trim(key);
  value = Trim(value);
  const auto s = d.FindSection(section);
  if (!s) {
    // Laid out as TMyIniFile writes a section, so that both read it back.
    if (!d.lines.empty() && !d.lines.back().empty()) d.lines.emplace_back();
    d.lines.push_back("[" + std::string(section) + "]");
    d.lines.push_back(std::string(key) + "=" + std::string(value));
    d.lines.emplace_back();
    return d.Save();
  }
  if (const auto i = d.FindKey(*s, key)) {
    auto& line = d.lines[*i];
    // The file's spelling of the key stays.
    std::string kept(Trim(std::string_view(line).substr(0, line.find('='))));
    line = kept + "=" + std::string(value);
  } else {
    // After the section's last non-blank line, so that a blank line that
    // closes the section keeps closing it.
    std::size_t at = s->header + 1;
    for (std::size_t i = s->header + 1; i < s->end; ++i)
      if (!Trim(d.lines[i]).empty()) at = i + 1;
    d.lines.insert(d.lines.begin() + static_cast<std::ptrdiff_t>(at),
                   std::string(key) + "=" + std::string(value));
  }
  return d.Save();
}

std::string ProfileFile::EraseSection(std::string_view section) {
  auto& d = *impl_;
  section = Trim(section);
  bool changed = false;
  while (const auto s = d.FindSection(section)) {
    d.lines.erase(d.lines.begin() + static_cast<std::ptrdiff_t>(s->header),
                  d.lines.begin() + static_cast<std::ptrdiff_t>(s->end));
    changed = true;
  }
  return changed ? d.Save() : std::string();
}

}  // namespace rpt
