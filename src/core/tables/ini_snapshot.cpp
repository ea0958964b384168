#include "core/tables/ini_snapshot.h"

#include <cstring>

#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/text_case.h"

namespace rpt::tables {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && (a == b || SameText(a, b));
}

// The line starting at `pos`: its text and the offset of the next line.
// Lines end at CR LF, a lone CR or a lone LF.
std::pair<std::string_view, std::size_t> LineAt(std::string_view text, std::size_t pos) {
  const char* begin = text.data() + pos;
  const char* end = text.data() + text.size();
  const char* lf = static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(end - begin)));
  if (!lf) lf = end;
  // A lone CR ends a line too; it can only lie before the next LF.
  const char* cr = static_cast<const char*>(std::memchr(begin, '\r', static_cast<std::size_t>(lf - begin)));
  const char* stop = cr ? cr : lf;
  std::string_view line(begin, static_cast<std::size_t>(stop - begin));
  const char* next = stop;
  if (next < end) next += (*next == '\r' && next + 1 < end && next[1] == '\n') ? 2 : 1;
  return {line, static_cast<std::size_t>(next - text.data())};
}

}  // namespace

IniSnapshot::IniSnapshot(std::string text) : text_(std::move(text)) {
  if (const auto nul = text_.find('\0'); nul != std::string::npos) text_.resize(nul);
  const std::string_view all(text_);
  // A header is a whole line "[name]"; '[' is rare elsewhere, so the text
  // is searched for it rather than split into lines.
  const char* const base = all.data();
  const char* const end = base + all.size();
  for (const char* p = base; p < end;) {
    const char* open = static_cast<const char*>(std::memchr(p, '[', static_cast<std::size_t>(end - p)));
    if (!open) break;
    p = open + 1;
    if (open != base && open[-1] != '\n' && open[-1] != '\r') continue;
    const auto [line, next] = LineAt(all, static_cast<std::size_t>(open - base));
    if (line.size() >= 2 && line.back() == ']')
      headers_.push_back({static_cast<std::size_t>(open - base) + 1, line.size() - 2, next, false});
    p = base + next;
  }
  std::size_t size = 16;
  while (size < headers_.size() * 2) size *= 2;
  slots_.assign(size, 0);
  const FoldedHash hash;
  for (std::size_t i = 0; i < headers_.size(); ++i) {
    const std::string_view name = all.substr(headers_[i].name, headers_[i].length);
    for (std::size_t slot = hash(name) & (size - 1);; slot = (slot + 1) & (size - 1)) {
      if (slots_[slot] == 0) {
        slots_[slot] = static_cast<std::uint32_t>(i + 1);
        headers_[i].first = true;
        break;
      }
      const Header& other = headers_[slots_[slot] - 1];
      if (SameName(all.substr(other.name, other.length), name)) break;  // a later duplicate
    }
  }
}

std::size_t IniSnapshot::Find(std::string_view name) const {
  const std::string_view all(text_);
  if (cursor_ < headers_.size()) {
    const Header& h = headers_[cursor_];
    if (h.first && SameName(all.substr(h.name, h.length), name)) return cursor_++;
  }
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = FoldedHash()(name) & mask;; slot = (slot + 1) & mask) {
    if (slots_[slot] == 0) return std::string_view::npos;
    const std::size_t i = slots_[slot] - 1;
    const Header& h = headers_[i];
    if (SameName(all.substr(h.name, h.length), name)) {
      cursor_ = i + 1;
      return i;
    }
  }
}

IniSnapshot IniSnapshot::FromFile(const std::string& path) {
  auto bytes = ReadExistingFile(path);
  return IniSnapshot(bytes ? std::move(*bytes) : std::string());
}

const IniSnapshot::Section& IniSnapshot::Select(std::string_view name, Section& out) const {
  out.keys_.clear();
  out.exists_ = false;
  const std::size_t index = Find(name);
  if (index == std::string_view::npos) return out;
  out.exists_ = true;
  const std::string_view all(text_);
  // One pass per line: its end (CR LF, lone CR, lone LF) and its first "=".
  const char* p = all.data() + headers_[index].content;
  const char* end = all.data() + all.size();
  while (p < end) {
    const char* begin = p;
    const char* eq = nullptr;
    while (p < end && *p != '\r' && *p != '\n') {
      if (*p == '=' && !eq) eq = p;
      ++p;
    }
    if (p == begin || *begin == '[') break;
    if (eq)
      out.keys_.emplace_back(std::string_view(begin, static_cast<std::size_t>(eq - begin)),
                             std::string_view(eq + 1, static_cast<std::size_t>(p - eq - 1)));
    if (p < end) p += (*p == '\r' && p + 1 < end && p[1] == '\n') ? 2 : 1;
  }
  return out;
}

IniSnapshot::Section IniSnapshot::Get(std::string_view name) const {
  Section s;
  Select(name, s);
  return s;
}

std::optional<std::string_view> IniSnapshot::Section::Find(std::string_view key) const {
  if (key.empty()) {
    for (const auto& [k, v] : keys_)
      if (k.empty()) return v;
    return std::nullopt;
  }
  const char first = FoldCase(key[0]);
  for (const auto& [k, v] : keys_) {
    // Cheap rejections first; files written by the program spell keys exactly.
    if (k.size() != key.size() || FoldCase(k[0]) != first) continue;
    if (std::memcmp(k.data(), key.data(), k.size()) == 0 || SameText(k, key)) return v;
  }
  return std::nullopt;
}

namespace ini_detail {

std::int32_t OtherInteger(std::string_view text, std::int32_t def) { return TryStrToInt(text).value_or(def); }

}  // namespace ini_detail

std::string IniString(std::optional<std::string_view> v, std::string_view def) {
  return std::string(v && !v->empty() ? *v : def);
}

std::string IniSnapshot::Section::ReadString(std::string_view key, std::string_view def) const {
  return IniString(Find(key), def);
}

std::int32_t IniSnapshot::Section::ReadInteger(std::string_view key, std::int32_t def) const {
  return IniInteger(Find(key), def);
}

bool IniSnapshot::Section::ReadBool(std::string_view key, bool def) const {
  return IniBool(Find(key), def);
}

void IniSnapshot::Section::ReadFont(std::string_view key, TFont& font, const TFont& def) const {
  ReadFontValue(Find(key), font, def);
}

void IniSnapshot::Section::ReadFontValue(std::optional<std::string_view> v, TFont& font,
                                         const TFont& def) const {
  if (!v || v->empty()) {
    font = def;
    return;
  }
  for (const CachedFont& c : fonts_) {
    if (c.text == *v) {
      font = c.font;
      return;
    }
  }
  try {
    font = StringToFont(*v);
  } catch (const ECoreError&) {
    font = def;
    return;
  }
  if (fonts_.size() < 4) fonts_.push_back({std::string(*v), font});
}

}  // namespace rpt::tables
