#include "core/output/rtf_document.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "core/foundation/codec.h"
#include "core/output/rtf_token_groups.h"

namespace rpt::output::rtf {

// --- the table of contents -------------------------------------------------------------

int RtfDocument::UpdateTablesOfContents() {
  // Outline levels of the paragraph styles.
  std::map<std::int32_t, int> styleLevel;
  for (const Entry& e : styles_)
    if (e.kind == "s")
      for (const Token& x : e.tokens)
        if (x.Is("outlinelevel") && x.param >= 0 && x.param <= 9) styleLevel[e.number] = x.param;

  struct Heading {
    std::size_t section, block, first, par;
    int level;
    std::string text;
    std::string mark;
  };
  std::vector<Heading> headings;
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    const auto& blocks = sections_[s].blocks;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      if (blocks[b].row) continue;
      const auto& t = blocks[b].tokens;
      int outline = -1, style = 0;
      std::size_t paraStart = 0;
      for (std::size_t k = 0; k < t.size(); ++k) {
        if (t[k].kind == TokenKind::Open && OpensDestination(t, k)) {
          k = GroupEnd(t, k, t.size()) - 1;
          continue;
        }
        if (t[k].Is("pard")) outline = -1, style = 0;
        // Levels run 0 to 9; anything else is body text.
        if (t[k].Is("outlinelevel")) outline = t[k].param >= 0 && t[k].param <= 9 ? t[k].param : -1;
        if (t[k].Is("s")) style = t[k].param;
        if (!t[k].Is("par")) continue;
        int level = outline;
        if (level < 0)
          if (auto it = styleLevel.find(style); it != styleLevel.end()) level = it->second;
        // The first character of the paragraph's own text, not of a field or
        // another destination in it.
        std::size_t first = paraStart;
        while (first < k && !IsCharacterToken(t[first])) {
          if (t[first].kind == TokenKind::Open && OpensDestination(t, first))
            first = GroupEnd(t, first, k);
          else
            ++first;
        }
        std::string text = TextOf(t, paraStart, k, false);
        if (level >= 0 && first < k && text.find_first_not_of(" \t") != std::string::npos)
          headings.push_back({s, b, first, k, level, std::move(text), {}});
        paraStart = k + 1;
      }
    }
  }

  int updated = 0;
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    for (std::size_t b = 0; b < sections_[s].blocks.size(); ++b) {
      auto& t = sections_[s].blocks[b].tokens;
      if (sections_[s].blocks[b].row) continue;
      for (std::size_t k = 0; k < t.size(); ++k) {
        if (t[k].kind != TokenKind::Open || !GroupWord(t, k) || GroupWord(t, k)->text != "field") continue;
        const std::size_t ge = GroupEnd(t, k, t.size());
        std::size_t instruction = k + 1;
        while (instruction < ge && !(t[instruction].kind == TokenKind::Open && GroupWord(t, instruction) &&
                                     GroupWord(t, instruction)->text == "fldinst"))
          ++instruction;
        if (instruction >= ge) continue;
        std::string inst;
        for (std::size_t q = instruction; q < GroupEnd(t, instruction, ge); ++q)
          if (t[q].kind == TokenKind::Text) inst += t[q].text;
        const auto p = inst.find_first_not_of(' ');
        if (p == std::string::npos || inst.compare(p, 4, "TOC ") != 0) continue;
        // The levels of \o "a-b"; 1-3 by default.
        int low = 1, high = 3;
        if (const auto o = inst.find("\\o"); o != std::string::npos) {
          const auto q = inst.find('"', o);
          if (q != std::string::npos && q + 3 < inst.size() && inst[q + 2] == '-') {
            low = inst[q + 1] - '0';
            high = inst[q + 3] - '0';
          }
        }
        std::vector<Token> entries{OpenToken()};
        for (Heading& h : headings) {
          if (h.level + 1 < low || h.level + 1 > high) continue;
          if (h.mark.empty()) h.mark = "_RptToc" + std::to_string(++bookmarks_);
          const int width = kPortrait.width - kPortrait.left - kPortrait.right;
          for (Token x : {WordToken("pard"), WordToken("plain"), WordToken("ql"), WordToken("li", 283 * (h.level + 1 - low)),
                          WordToken("tqr"), WordToken("tldot"), WordToken("tx", width), WordToken("f", defaultFont_),
                          WordToken("fs", 24), OpenToken(), WordToken("uc", 1)})
            entries.push_back(std::move(x));
          AppendText(entries, h.text);
          for (Token x : {CloseToken(), WordToken("tab"), OpenToken(), WordToken("field"), OpenToken(),
                          Token{TokenKind::Symbol, false, 0, "*"}, WordToken("fldinst"),
                          TextToken(" PAGEREF " + h.mark + " \\h "), CloseToken(), OpenToken(), WordToken("fldrslt"),
                          TextToken("1"), CloseToken(), CloseToken(), WordToken("par")})
            entries.push_back(std::move(x));
        }
        entries.push_back(CloseToken());
        const std::size_t fieldStart = k;
        const std::ptrdiff_t delta = static_cast<std::ptrdiff_t>(entries.size()) - static_cast<std::ptrdiff_t>(ge - k);
        t.erase(t.begin() + static_cast<std::ptrdiff_t>(k), t.begin() + static_cast<std::ptrdiff_t>(ge));
        t.insert(t.begin() + static_cast<std::ptrdiff_t>(k), entries.begin(), entries.end());
        k += entries.size() - 1;
        ++updated;
        // Headings later in this block moved with the entries.
        for (Heading& h : headings)
          if (h.section == s && h.block == b) {
            // A heading whose paragraph holds the field ends further on.
            auto moved = [&](std::size_t at) {
              if (at >= ge) return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(at) + delta);
              return std::min(at, fieldStart);
            };
            h.first = moved(h.first);
            h.par = moved(h.par);
          }
      }
    }
  }
  // The bookmarks the entries refer to, from the last so positions hold.
  for (auto it = headings.rbegin(); it != headings.rend(); ++it) {
    if (it->mark.empty()) continue;
    auto& t = sections_[it->section].blocks[it->block].tokens;
    const Token star{TokenKind::Symbol, false, 0, "*"};
    std::vector<Token> endMark{OpenToken(), star, WordToken("bkmkend"), TextToken(it->mark), CloseToken()};
    std::vector<Token> startMark{OpenToken(), star, WordToken("bkmkstart"), TextToken(it->mark), CloseToken()};
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(it->par), endMark.begin(), endMark.end());
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(it->first), startMark.begin(), startMark.end());
  }
  return updated;
}

}  // namespace rpt::output::rtf
