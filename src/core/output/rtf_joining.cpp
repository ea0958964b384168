#include "core/output/rtf_document.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "core/foundation/codec.h"
#include "core/output/rtf_token_groups.h"

namespace rpt::output::rtf {

namespace {

bool IsFontWord(std::string_view w) { return w == "f" || w == "af"; }
bool IsColorWord(std::string_view w) {
  return OneOf(w, {"cf", "cb", "chcbpat", "chcfpat", "highlight", "clcbpat", "clcfpat", "clcbpatraw", "clcfpatraw",
                   "cbpat", "cfpat", "brdrcf", "trcbpat", "trcfpat", "ulc", "trcbpatraw"});
}
bool IsStyleWord(std::string_view w) { return OneOf(w, {"s", "cs", "ts", "ds", "sbasedon", "snext", "slink"}); }

}  // namespace

// --- joining documents --------------------------------------------------------------------

void RtfDocument::Append(const RtfDocument& other) {
  std::map<std::int32_t, std::int32_t> fontMap, colorMap, styleMap;
  // New entries take the lowest numbers not in use (a file may use any).
  auto nextFree = [](std::set<std::int32_t>& used) {
    std::int32_t n = 0;
    while (used.count(n)) ++n;
    used.insert(n);
    return n;
  };
  std::set<std::int32_t> fontsUsed;
  for (const Entry& f : fonts_) fontsUsed.insert(f.number);
  for (const Entry& f : other.fonts_) {
    auto same = std::find_if(fonts_.begin(), fonts_.end(),
                             [&](const Entry& g) { return g.name == f.name && g.charset == f.charset; });
    if (same != fonts_.end()) {
      fontMap[f.number] = same->number;
      continue;
    }
    Entry copy = f;
    copy.number = nextFree(fontsUsed);
    fontMap[f.number] = copy.number;
    for (Token& x : copy.tokens)
      if (x.Is("f")) {
        x.param = copy.number;
        break;
      }
    fonts_.push_back(std::move(copy));
  }
  if (colors_.empty()) colors_.push_back(-1);
  for (std::size_t i = 0; i < other.colors_.size(); ++i) {
    const std::int32_t c = other.colors_[i];
    std::int32_t mapped = 0;
    if (c >= 0) {
      auto same = std::find(colors_.begin() + 1, colors_.end(), c);
      if (same == colors_.end()) {
        colors_.push_back(c);
        same = colors_.end() - 1;
      }
      mapped = static_cast<std::int32_t>(same - colors_.begin());
    }
    colorMap[static_cast<std::int32_t>(i)] = mapped;
  }
  std::set<std::int32_t> stylesUsed;
  for (const Entry& s : styles_) stylesUsed.insert(s.number);
  std::vector<Entry> added;
  for (const Entry& s : other.styles_) {
    auto same = std::find_if(styles_.begin(), styles_.end(),
                             [&](const Entry& g) { return g.kind == s.kind && g.name == s.name; });
    if (same != styles_.end()) {
      styleMap[s.number] = same->number;
      continue;
    }
    Entry copy = s;
    copy.number = nextFree(stylesUsed);
    styleMap[s.number] = copy.number;
    added.push_back(std::move(copy));
  }
  const std::int32_t ourDefault = fontMap.count(other.defaultFont_) ? fontMap[other.defaultFont_] : defaultFont_;

  auto remap = [&](std::vector<Token> t) {
    std::vector<Token> out;
    out.reserve(t.size());
    for (Token& x : t) {
      if (x.kind == TokenKind::Word && x.hasParam) {
        const std::map<std::int32_t, std::int32_t>* m = IsFontWord(x.text)    ? &fontMap
                                                        : IsColorWord(x.text) ? &colorMap
                                                        : IsStyleWord(x.text) ? &styleMap
                                                                              : nullptr;
        if (m)
          if (auto it = m->find(x.param); it != m->end()) x.param = it->second;
      }
      const bool plain = x.Is("plain");
      out.push_back(std::move(x));
      // After \plain a run takes the default font, which is another here.
      if (plain && ourDefault != defaultFont_) out.push_back(WordToken("f", ourDefault));
    }
    return out;
  };
  for (Entry& s : added) {
    bool own = true;
    std::vector<Token> tokens = remap(s.tokens);
    // The style's own number was remapped with the others; make sure.
    for (Token& x : tokens)
      if (own && x.kind == TokenKind::Word && x.text == s.kind) {
        x.param = s.number;
        own = false;
      }
    s.tokens = std::move(tokens);
    styles_.push_back(std::move(s));
  }
  // Lists come along when this document has none of its own.
  const bool haveLists = std::any_of(otherHeader_.begin(), otherHeader_.end(), [](const std::vector<Token>& g) {
    const Token* w = GroupWord(g, 0);
    return w && (w->text == "listtable" || w->text == "listoverridetable");
  });
  if (!haveLists)
    for (const auto& g : other.otherHeader_) {
      const Token* w = GroupWord(g, 0);
      if (w && (w->text == "listtable" || w->text == "listoverridetable")) otherHeader_.push_back(remap(g));
    }

  for (std::size_t s = 0; s < other.sections_.size(); ++s) {
    if (s > 0) {
      Section next;
      next.props = remap(other.sections_[s].props);
      sections_.push_back(std::move(next));
    }
    auto& blocks = sections_.back().blocks;
    for (const Block& b : other.sections_[s].blocks) {
      Block copy;
      copy.row = b.row;
      copy.tokens = remap(b.tokens);
      if (copy.row) copy.cellEnds = CellEnds(copy.tokens);
      if (!copy.row && !blocks.empty() && !blocks.back().row)
        blocks.back().tokens.insert(blocks.back().tokens.end(), copy.tokens.begin(), copy.tokens.end());
      else
        blocks.push_back(std::move(copy));
    }
  }
  Reindex();
}

}  // namespace rpt::output::rtf
