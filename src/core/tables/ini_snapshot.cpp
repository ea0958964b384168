#include "core/tables/ini_snapshot.h"

#include <cstring>

#include "core/foundation/errors.h"
#include "core/foundation/file_io.h"
#include "core/foundation/text_case.h"

namespace rpt::tables {

namespace {

// The line starting at `pos`: its text and the offset of the next line.
// Lines end at CR LF, a lone CR or a lone LF.
std::pair<std::string_view, std::size_t> LineAt(std::string_view text, std::size_t pos) {
  const char* begin = text.data() + pos;
  const char* end = text.data() + text.size();
  const char* p = begin;
  while (p < end && *p != '\r' && *p != '\n') ++p;
  std::string_view line(begin, static_cast<std::size_t>(p - begin));
  if (p < end) {
    if (*p == '\r' && p + 1 < end && p[1] == '\n') ++p;
    ++p;
  }
  return {line, static_cast<std::size_t>(p - text.data())};
}

}  // namespace

IniSnapshot::IniSnapshot(std::string text) : text_(std::move(text)) {
  if (const auto nul = text_.find('\0'); nul != std::string::npos) text_.resize(nul);
  const std::string_view all(text_);
  std::string folded;
  for (std::size_t pos = 0; pos < all.size();) {
    const auto [line, next] = LineAt(all, pos);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      folded = FoldCase(line.substr(1, line.size() - 2));
      headers_.try_emplace(folded, next);
    }
    pos = next;
  }
}

IniSnapshot IniSnapshot::FromFile(const std::string& path) {
  auto bytes = ReadWholeFile(path);
  return IniSnapshot(bytes ? std::move(*bytes) : std::string());
}

const IniSnapshot::Section& IniSnapshot::Select(std::string_view name, Section& out) const {
  out.keys_.clear();
  out.exists_ = false;
  const auto it = headers_.find(FoldCase(name));
  if (it == headers_.end()) return out;
  out.exists_ = true;
  const std::string_view all(text_);
  for (std::size_t pos = it->second; pos < all.size();) {
    const auto [line, next] = LineAt(all, pos);
    if (line.empty() || line.front() == '[') break;
    if (const auto eq = line.find('='); eq != std::string_view::npos)
      out.keys_.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    pos = next;
  }
  return out;
}

IniSnapshot::Section IniSnapshot::Get(std::string_view name) const {
  Section s;
  Select(name, s);
  return s;
}

std::optional<std::string_view> IniSnapshot::Section::Find(std::string_view key) const {
  for (const auto& [k, v] : keys_)
    if (k.size() == key.size() && SameText(k, key)) return v;
  return std::nullopt;
}

std::string IniSnapshot::Section::ReadString(std::string_view key, std::string_view def) const {
  const auto v = Find(key);
  return std::string(v && !v->empty() ? *v : def);
}

std::int32_t IniSnapshot::Section::ReadInteger(std::string_view key, std::int32_t def) const {
  const auto v = Find(key);
  if (!v || v->empty()) return def;
  return TryStrToInt(*v).value_or(def);
}

bool IniSnapshot::Section::ReadBool(std::string_view key, bool def) const {
  return (ReadInteger(key, def ? 1 : 0) & 0xFF) != 0;
}

void IniSnapshot::Section::ReadFont(std::string_view key, TFont& font, const TFont& def) const {
  const auto v = Find(key);
  if (!v || v->empty()) {
    font = def;
    return;
  }
  if (lastFont_ && *v == lastFontText_) {
    font = *lastFont_;
    return;
  }
  try {
    font = StringToFont(*v);
  } catch (const ECoreError&) {
    font = def;
    return;
  }
  lastFontText_.assign(*v);
  lastFont_ = font;
}

}  // namespace rpt::tables
