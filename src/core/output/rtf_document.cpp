#include "core/output/rtf_document.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "core/foundation/codec.h"
#include "core/output/rtf_token_groups.h"

namespace rpt::output::rtf {

namespace {

bool IsHeaderGroupWord(std::string_view w) {
  return OneOf(w, {"fonttbl", "colortbl", "stylesheet", "info", "filetbl", "revtbl", "listtable", "listoverridetable",
                   "rsidtbl", "generator", "xmlnstbl", "pgdsctbl", "latentstyles", "themedata", "colorschememapping",
                   "datastore", "defchp", "defpap", "mmathPr", "userprops", "wgrffmtfilter", "docvar", "fchars",
                   "lchars", "protusertbl", "listpicture", "pnseclvl"});
}

// Words that belong to the character set and defaults of the whole file.
bool IsCharsetWord(std::string_view w) {
  return OneOf(w, {"rtf", "ansi", "mac", "pc", "pca", "ansicpg", "deff", "adeff", "deflang", "deflangfe", "adeflang",
                   "uc"}) ||
         w.starts_with("stshf");
}

bool IsSectionWord(std::string_view w) {
  return w == "sectd" || w.ends_with("sxn") ||
         OneOf(w, {"titlepg", "sbknone", "sbkcol", "sbkpage", "sbkeven", "sbkodd", "pgnstarts", "pgncont", "pgnrestart",
                   "pgndec", "pgnucrm", "pgnlcrm", "pgnucltr", "pgnlcltr", "pgnx", "pgny", "headery", "footery", "cols",
                   "colsx", "colno", "colsr", "colw", "linebetcol", "vertalt", "vertalb", "vertalc", "vertalj",
                   "endnhere", "ltrsect", "rtlsect", "linemod", "linex", "linestarts", "linerestart", "lineppage",
                   "linecont", "sectunlocked", "sectdefaultcl", "sectexpand", "sectlinegrid", "sectspecifycl",
                   "sectspecifyl", "sectspecifygenN", "stextflow", "ds", "pgbrdropt", "pgbrdrhead", "pgbrdrfoot"}) ||
         w.starts_with("pgbrdr") || w.starts_with("sftn") || w.starts_with("saftn");
}

bool IsHeaderFooter(std::string_view w) { return w.starts_with("header") || w.starts_with("footer"); }

// A copy of tokens with some left out. Leaving out what stood between a
// "{" and a destination word would make the group a destination; an empty
// group keeps the two apart.
class FilteredTokens {
 public:
  void Keep(const Token& t) {
    if (droppedAfterOpen_ && ((t.kind == TokenKind::Word && IsDestination(t.text)) ||
                              (t.kind == TokenKind::Symbol && t.text == "*"))) {
      out_.push_back(OpenToken());
      out_.push_back(CloseToken());
    }
    droppedAfterOpen_ = false;
    out_.push_back(t);
  }
  void Drop() {
    if (!out_.empty() && out_.back().kind == TokenKind::Open) droppedAfterOpen_ = true;
  }
  std::vector<Token>& tokens() { return out_; }

 private:
  std::vector<Token> out_;
  bool droppedAfterOpen_ = false;
};

std::vector<Token> Slice(const std::vector<Token>& t, std::size_t b, std::size_t e) {
  return std::vector<Token>(t.begin() + static_cast<std::ptrdiff_t>(b), t.begin() + static_cast<std::ptrdiff_t>(e));
}

// Braces made to match: closes without their open dropped, opens left
// open closed at the end.
void Balance(std::vector<Token>& t) {
  int depth = 0;
  std::vector<Token> out;
  out.reserve(t.size());
  for (Token& x : t) {
    if (x.kind == TokenKind::Close) {
      if (depth == 0) continue;
      --depth;
    } else if (x.kind == TokenKind::Open) {
      ++depth;
    }
    out.push_back(std::move(x));
  }
  while (depth-- > 0) out.push_back(CloseToken());
  t = std::move(out);
}

// Tokens [b, e) without their characters, paragraph ends and destinations;
// `insertAt` receives where the first character stood in the result.
std::vector<Token> WithoutContent(const std::vector<Token>& t, std::size_t b, std::size_t e, std::size_t& insertAt) {
  FilteredTokens out;
  bool found = false;
  for (std::size_t k = b; k < e; ++k) {
    const Token& x = t[k];
    const bool destination = x.kind == TokenKind::Open && OpensDestination(t, k);
    if (destination || IsCharacterToken(x) || x.Is("par") || x.Is("page") || x.Is("column")) {
      if (!found) {
        insertAt = out.tokens().size();
        found = true;
      }
      if (destination) k = GroupEnd(t, k, e) - 1;
      out.Drop();
      continue;
    }
    out.Keep(x);
  }
  if (!found) insertAt = out.tokens().size();
  return std::move(out.tokens());
}

void SetOrientationWords(std::vector<Token>& props, bool landscape) {
  std::erase_if(props, [](const Token& x) {
    return x.kind == TokenKind::Word && OneOf(x.text, {"lndscpsxn", "pgwsxn", "pghsxn", "marglsxn", "margrsxn",
                                                       "margtsxn", "margbsxn"});
  });
  const PageGeometry& g = landscape ? kLandscape : kPortrait;
  // Header and footer groups stay last.
  auto at = std::find_if(props.begin(), props.end(), [](const Token& x) { return x.kind == TokenKind::Open; });
  std::vector<Token> words;
  if (landscape) words.push_back(WordToken("lndscpsxn"));
  words.push_back(WordToken("pgwsxn", g.width));
  words.push_back(WordToken("pghsxn", g.height));
  words.push_back(WordToken("marglsxn", g.left));
  words.push_back(WordToken("margrsxn", g.right));
  words.push_back(WordToken("margtsxn", g.top));
  words.push_back(WordToken("margbsxn", g.bottom));
  props.insert(at, words.begin(), words.end());
}

}  // namespace

// --- questions about the token stream --------------------------------------------------

// The word that names a group: the first token after "{", past a "\*".
const Token* GroupWord(const std::vector<Token>& t, std::size_t open) {
  std::size_t k = open + 1;
  if (k < t.size() && t[k].kind == TokenKind::Symbol && t[k].text == "*") ++k;
  return k < t.size() && t[k].kind == TokenKind::Word ? &t[k] : nullptr;
}

bool OpensDestination(const std::vector<Token>& t, std::size_t open) {
  if (open + 1 < t.size() && t[open + 1].kind == TokenKind::Symbol && t[open + 1].text == "*") return true;
  const Token* w = GroupWord(t, open);
  return w && IsDestination(w->text);
}

// The index just past the group opened at `open` (or the end).
std::size_t GroupEnd(const std::vector<Token>& t, std::size_t open, std::size_t limit) {
  int depth = 0;
  for (std::size_t k = open; k < limit; ++k) {
    if (t[k].kind == TokenKind::Open) ++depth;
    if (t[k].kind == TokenKind::Close && --depth == 0) return k + 1;
  }
  return limit;
}

// The text of tokens (Windows-1251): \uN to the code page, its fallback
// characters skipped; destinations left out.
std::string TextOf(const std::vector<Token>& t, std::size_t b, std::size_t e, bool paragraphs) {
  std::string out;
  int skip = 0;
  for (std::size_t k = b; k < e; ++k) {
    const Token& x = t[k];
    if (x.kind == TokenKind::Open && OpensDestination(t, k)) {
      k = GroupEnd(t, k, e) - 1;
      continue;
    }
    if (x.kind == TokenKind::Text) {
      for (const char c : x.text) {
        if (skip > 0) {
          --skip;
          continue;
        }
        out += c;
      }
    } else if (x.Is("u")) {
      const int code = UnicodeToCp1251(static_cast<char32_t>(static_cast<std::uint16_t>(x.param)));
      out += code >= 0 ? static_cast<char>(code) : '?';
      skip = 1;
    } else if (x.Is("tab")) {
      out += '\t';
    } else if (x.Is("line") || (paragraphs && x.Is("par"))) {
      out += '\n';
    } else if (x.kind == TokenKind::Symbol && x.text == "~") {
      out += ' ';
    }
  }
  return out;
}

// The index of each \cell of a row's tokens, destinations skipped.
std::vector<std::size_t> CellEnds(const std::vector<Token>& t) {
  std::vector<std::size_t> ends;
  for (std::size_t k = 0; k < t.size(); ++k) {
    if (t[k].kind == TokenKind::Open && OpensDestination(t, k))
      k = GroupEnd(t, k, t.size()) - 1;
    else if (t[k].Is("cell"))
      ends.push_back(k);
  }
  return ends;
}

// --- reading ---------------------------------------------------------------------------

RtfDocument::RtfDocument() {
  prelude_ = {WordToken("rtf", 1),          WordToken("ansi"),          WordToken("ansicpg", 1251),
              WordToken("deff", 0),         WordToken("deflang", 1049), WordToken("paperw", kPortrait.width),
              WordToken("paperh", kPortrait.height), WordToken("margl", kPortrait.left),
              WordToken("margr", kPortrait.right),   WordToken("margt", kPortrait.top),
              WordToken("margb", kPortrait.bottom)};
  Entry f;
  f.number = 0;
  f.name = "Times New Roman";
  f.charset = 204;
  f.tokens = {WordToken("f", 0), WordToken("froman"), WordToken("fcharset", 204), TextToken("Times New Roman;")};
  fonts_.push_back(std::move(f));
  colors_ = {-1};
  Entry normal;
  normal.kind = "s";
  normal.name = "Normal";
  normal.tokens = {WordToken("ql"), WordToken("f", 0), WordToken("fs", 24), TextToken("Normal;")};
  styles_.push_back(std::move(normal));
  Section s;
  s.props = {WordToken("sectd")};
  SetOrientationWords(s.props, false);
  sections_.push_back(std::move(s));
}

RtfDocument RtfDocument::Parse(std::string_view rtf) {
  const std::vector<Token> t = Tokenize(rtf);
  RtfDocument d;
  d.fonts_.clear();
  d.colors_.clear();
  d.styles_.clear();
  d.sections_.clear();
  std::size_t k = 0, end = t.size();
  const bool wrapped = t.size() >= 2 && t[0].kind == TokenKind::Open && t[1].Is("rtf");
  if (wrapped) {
    k = 1;
    end = GroupEnd(t, 0, t.size());
    if (end > 0 && t[end - 1].kind == TokenKind::Close) --end;
    d.prelude_.clear();
  } else {
    d.prelude_.resize(5);  // \rtf1 \ansi \ansicpg1251 \deff0 \deflang1049
  }
  // The header: character set, tables, document formatting.
  while (k < end) {
    const Token& x = t[k];
    if (x.kind == TokenKind::Word && !IsSectionWord(x.text) &&
        !OneOf(x.text, {"pard", "plain", "par", "trowd", "sect", "page", "ltrpar", "rtlpar", "intbl", "bin"}) &&
        !IsCharacterToken(x)) {
      if (x.Is("deff") && x.hasParam) d.defaultFont_ = x.param;
      d.prelude_.push_back(x);
      ++k;
      continue;
    }
    if (x.kind != TokenKind::Open) break;
    const Token* w = GroupWord(t, k);
    if (!w || !IsHeaderGroupWord(w->text)) break;
    const std::size_t ge = GroupEnd(t, k, end);
    const std::size_t inner = static_cast<std::size_t>(w - t.data()) + 1;
    const std::size_t innerEnd = ge > inner && t[ge - 1].kind == TokenKind::Close ? ge - 1 : ge;
    if (w->text == "fonttbl" || w->text == "stylesheet") {
      const bool fonts = w->text == "fonttbl";
      std::vector<Entry>& list = fonts ? d.fonts_ : d.styles_;
      for (std::size_t j = inner; j < innerEnd;) {
        std::size_t b = j, e;
        if (t[j].kind == TokenKind::Open) {
          e = GroupEnd(t, j, innerEnd);
          ++b;
          j = e;
          if (e > b && t[e - 1].kind == TokenKind::Close) --e;
        } else {
          // An entry without braces runs to its ";".
          e = j;
          while (e < innerEnd && !(t[e].kind == TokenKind::Text && t[e].text.find(';') != std::string::npos) &&
                 (e == j || t[e].kind != TokenKind::Open || !fonts))
            ++e;
          e = std::min(e + 1, innerEnd);
          j = e;
        }
        Entry entry;
        entry.kind = "s";
        entry.tokens = Slice(t, b, e);
        int depth = 0;
        bool named = false;
        for (std::size_t q = b; q < e; ++q) {
          const Token& y = t[q];
          if (y.kind == TokenKind::Open) ++depth;
          if (y.kind == TokenKind::Close) --depth;
          if (depth != 0) continue;
          if (y.kind == TokenKind::Word && y.hasParam) {
            if (fonts && y.text == "f" && !named) entry.number = y.param, named = true;
            if (fonts && y.text == "fcharset") entry.charset = y.param;
            if (!fonts && !named && OneOf(y.text, {"s", "cs", "ts", "ds"})) {
              entry.kind = y.text;
              entry.number = y.param;
              named = true;
            }
          }
          if (y.kind == TokenKind::Text) entry.name += y.text;
        }
        if (const auto semi = entry.name.find(';'); semi != std::string::npos) entry.name.resize(semi);
        while (!entry.name.empty() && entry.name.front() == ' ') entry.name.erase(0, 1);
        Balance(entry.tokens);
        if (!entry.tokens.empty()) list.push_back(std::move(entry));
      }
    } else if (w->text == "colortbl") {
      int r = -1, g = -1, b = -1;
      for (std::size_t j = inner; j < innerEnd; ++j) {
        const Token& y = t[j];
        if (y.Is("red")) r = y.param;
        if (y.Is("green")) g = y.param;
        if (y.Is("blue")) b = y.param;
        if (y.kind != TokenKind::Text) continue;
        for (const char c : y.text) {
          if (c != ';') continue;
          d.colors_.push_back(r < 0 && g < 0 && b < 0 ? -1
                                                      : ((std::clamp(r, 0, 255) << 16) | (std::clamp(g, 0, 255) << 8) |
                                                         std::clamp(b, 0, 255)));
          r = g = b = -1;
        }
      }
    } else {
      d.otherHeader_.push_back(Slice(t, k, ge));
      Balance(d.otherHeader_.back());
    }
    k = ge;
  }
  if (!wrapped) {
    d.prelude_[0] = WordToken("rtf", 1);
    d.prelude_[1] = WordToken("ansi");
    d.prelude_[2] = WordToken("ansicpg", 1251);
    d.prelude_[3] = WordToken("deff", 0);
    d.prelude_[4] = WordToken("deflang", 1049);
  }
  d.ParseBody(t, k, end);
  return d;
}

void RtfDocument::ParseBody(const std::vector<Token>& t, std::size_t k, std::size_t end) {
  // A section begins with its formatting: section words and the groups of
  // its headers and footers.
  auto takeProps = [&](Section& s) {
    while (k < end) {
      if (t[k].kind == TokenKind::Word && IsSectionWord(t[k].text)) {
        s.props.push_back(t[k++]);
      } else if (t[k].kind == TokenKind::Open && GroupWord(t, k) && IsHeaderFooter(GroupWord(t, k)->text)) {
        const std::size_t ge = GroupEnd(t, k, end);
        for (; k < ge; ++k) s.props.push_back(t[k]);
      } else {
        break;
      }
    }
    Balance(s.props);
  };
  sections_.emplace_back();
  takeProps(sections_.back());

  std::vector<Token> cur;
  std::vector<std::size_t> cells;
  std::vector<bool> inTable{false};  // \intbl, saved and restored with groups
  int depth = 0;
  std::size_t rowStart = 0;  // where a row would begin: after the last paragraph
  int boundaryDepth = 0, rowDepth = 0;
  bool inRow = false;

  auto flushText = [&](std::size_t upTo) {
    if (upTo == 0) return;
    Block b;
    b.tokens = Slice(cur, 0, upTo);
    sections_.back().blocks.push_back(std::move(b));
  };

  while (k < end) {
    const Token& x = t[k];
    if (x.kind == TokenKind::Open && OpensDestination(t, k)) {
      // A destination the file leaves open is closed where the file ends.
      const std::size_t ge = GroupEnd(t, k, end);
      int open = 0;
      for (; k < ge; ++k) {
        open += t[k].kind == TokenKind::Open ? 1 : t[k].kind == TokenKind::Close ? -1 : 0;
        cur.push_back(t[k]);
      }
      for (; open > 0; --open) cur.push_back(CloseToken());
      continue;
    }
    ++k;
    if (x.kind == TokenKind::Close) {
      if (depth == 0) continue;  // a stray brace would end the document early
      cur.push_back(x);
      --depth;
      inTable.pop_back();
      if (!inRow && depth < boundaryDepth) {
        rowStart = cur.size();
        boundaryDepth = depth;
      }
      continue;
    }
    if (x.kind == TokenKind::Open) {
      cur.push_back(x);
      ++depth;
      inTable.push_back(inTable.back());
      continue;
    }
    if (x.Is("sect") && depth == 0 && !inRow) {
      flushText(cur.size());
      cur.clear();
      rowStart = 0;
      boundaryDepth = 0;
      sections_.emplace_back();
      takeProps(sections_.back());
      continue;
    }
    cur.push_back(x);
    if (x.Is("pard")) inTable.back() = false;
    if (x.Is("intbl")) inTable.back() = true;
    if (x.Is("itap")) inTable.back() = x.param > 0;
    if (x.Is("par") && !inTable.back() && !inRow) {
      rowStart = cur.size();
      boundaryDepth = depth;
    } else if (x.Is("cell")) {
      if (!inRow) {
        inRow = true;
        rowDepth = boundaryDepth;
        cells.clear();
      }
      cells.push_back(cur.size() - 1 - rowStart);
    } else if (x.Is("row") && inRow) {
      while (k < end && t[k].kind == TokenKind::Close && depth > rowDepth) {
        cur.push_back(t[k++]);
        --depth;
        inTable.pop_back();
      }
      flushText(rowStart);
      Block row;
      row.row = true;
      row.tokens = Slice(cur, rowStart, cur.size());
      row.cellEnds = cells;
      sections_.back().blocks.push_back(std::move(row));
      cur.clear();
      rowStart = 0;
      boundaryDepth = depth;
      inRow = false;
    }
  }
  // Groups the file left open close with its body.
  for (; depth > 0; --depth) cur.push_back(CloseToken());
  flushText(cur.size());
  Reindex();
}

void RtfDocument::Reindex() {
  tables_.clear();
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    const auto& blocks = sections_[s].blocks;
    bool open = false;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      if (blocks[b].row) {
        if (!open) tables_.push_back({s, b, 0});
        open = true;
        ++tables_.back().rows;
        continue;
      }
      // Formatting alone between two rows does not end a table.
      const auto& tk = blocks[b].tokens;
      const bool separates = std::any_of(tk.begin(), tk.end(), [](const Token& x) {
        return IsCharacterToken(x) || x.Is("par") || x.Is("page") || x.Is("sect");
      });
      if (separates) open = false;
    }
  }
}

// Rows of a table may have formatting blocks between them; the row's block
// is found by counting rows from the first.
RtfDocument::Block* RtfDocument::RowBlock(int table, int row) {
  return const_cast<Block*>(static_cast<const RtfDocument*>(this)->RowBlock(table, row));
}

const RtfDocument::Block* RtfDocument::RowBlock(int table, int row) const {
  if (table < 1 || table > TableCount()) return nullptr;
  const TableRef& r = tables_[static_cast<std::size_t>(table - 1)];
  if (row < 1 || static_cast<std::size_t>(row) > r.rows) return nullptr;
  const auto& blocks = sections_[r.section].blocks;
  if (r.first + r.rows <= blocks.size() && blocks[r.first + static_cast<std::size_t>(row) - 1].row) {
    // The usual case: the rows stand together.
    bool together = true;
    for (std::size_t b = r.first; b < r.first + r.rows && together; ++b) together = blocks[b].row;
    if (together) return &blocks[r.first + static_cast<std::size_t>(row) - 1];
  }
  int seen = 0;
  for (std::size_t b = r.first; b < blocks.size(); ++b)
    if (blocks[b].row && ++seen == row) return &blocks[b];
  return nullptr;
}

// --- tables ----------------------------------------------------------------------------

int RtfDocument::RowCount(int table) const {
  return table >= 1 && table <= TableCount() ? static_cast<int>(tables_[static_cast<std::size_t>(table - 1)].rows) : 0;
}

int RtfDocument::CellCount(int table, int row) const {
  const Block* b = RowBlock(table, row);
  return b ? static_cast<int>(b->cellEnds.size()) : 0;
}

bool RtfDocument::SetCellText(int table, int row, int column, std::string_view text, int bold) {
  Block* b = RowBlock(table, row);
  if (!b || column < 1 || static_cast<std::size_t>(column) > b->cellEnds.size()) return false;
  const std::size_t c = static_cast<std::size_t>(column - 1);
  const std::size_t start = c == 0 ? 0 : b->cellEnds[c - 1] + 1;
  const std::size_t end = b->cellEnds[c];
  std::size_t insertAt = 0;
  std::vector<Token> middle = WithoutContent(b->tokens, start, end, insertAt);
  std::vector<Token> run{OpenToken(), WordToken("uc", 1)};
  if (bold == 1) run.push_back(WordToken("b"));
  if (bold == 0) run.push_back(WordToken("b", 0));
  AppendText(run, text);
  run.push_back(CloseToken());
  middle.insert(middle.begin() + static_cast<std::ptrdiff_t>(insertAt), run.begin(), run.end());

  std::vector<Token> out = Slice(b->tokens, 0, start);
  out.insert(out.end(), middle.begin(), middle.end());
  out.insert(out.end(), b->tokens.begin() + static_cast<std::ptrdiff_t>(end), b->tokens.end());
  b->tokens = std::move(out);
  b->cellEnds = CellEnds(b->tokens);
  return true;
}

bool RtfDocument::AddRow(int table) {
  Block* last = RowBlock(table, RowCount(table));
  if (!last) return false;
  Block copy;
  copy.row = true;
  // The copy's cells emptied, from the last so that earlier positions hold.
  copy.tokens = last->tokens;
  Balance(copy.tokens);
  std::vector<std::size_t> ends = CellEnds(copy.tokens);
  for (std::size_t c = ends.size(); c-- > 0;) {
    const std::size_t start = c == 0 ? 0 : ends[c - 1] + 1;
    std::size_t insertAt = 0;
    std::vector<Token> middle = WithoutContent(copy.tokens, start, ends[c], insertAt);
    std::vector<Token> out = Slice(copy.tokens, 0, start);
    out.insert(out.end(), middle.begin(), middle.end());
    out.insert(out.end(), copy.tokens.begin() + static_cast<std::ptrdiff_t>(ends[c]), copy.tokens.end());
    copy.tokens = std::move(out);
  }
  copy.cellEnds = CellEnds(copy.tokens);
  if (copy.cellEnds.empty()) return false;
  TableRef& r = tables_[static_cast<std::size_t>(table - 1)];
  auto& blocks = sections_[r.section].blocks;
  const std::size_t at = static_cast<std::size_t>(last - blocks.data()) + 1;
  blocks.insert(blocks.begin() + static_cast<std::ptrdiff_t>(at), std::move(copy));
  ++r.rows;
  for (std::size_t k = static_cast<std::size_t>(table); k < tables_.size(); ++k)
    if (tables_[k].section == r.section && tables_[k].first >= at) ++tables_[k].first;
  return true;
}

bool RtfDocument::RemoveBorders(int table) {
  const int rows = RowCount(table);
  if (rows == 0) return false;
  for (int row = 1; row <= rows; ++row) {
    Block* b = RowBlock(table, row);
    FilteredTokens out;
    for (const Token& x : b->tokens) {
      if (x.kind == TokenKind::Word && (x.text.starts_with("clbrdr") || x.text.starts_with("trbrdr") ||
                                        x.text.starts_with("brdr") || x.text == "brsp")) {
        out.Drop();
        continue;
      }
      if (x.Is("cellx"))
        for (const char* side : {"clbrdrt", "clbrdrl", "clbrdrb", "clbrdrr"}) {
          out.Keep(WordToken(side));
          out.Keep(WordToken("brdrnone"));
        }
      out.Keep(x);
    }
    b->tokens = std::move(out.tokens());
    b->cellEnds = CellEnds(b->tokens);
  }
  return true;
}

std::string RtfDocument::CellText(int table, int row, int column) const {
  const Block* b = RowBlock(table, row);
  if (!b || column < 1 || static_cast<std::size_t>(column) > b->cellEnds.size()) return {};
  const std::size_t c = static_cast<std::size_t>(column - 1);
  return TextOf(b->tokens, c == 0 ? 0 : b->cellEnds[c - 1] + 1, b->cellEnds[c], true);
}

// --- sections, breaks, page numbers --------------------------------------------------------

std::vector<Token>& RtfDocument::Tail() {
  auto& blocks = sections_.back().blocks;
  if (blocks.empty() || blocks.back().row) blocks.emplace_back();
  return blocks.back().tokens;
}

void RtfDocument::InsertBreak(BreakKind kind) {
  // A table ends with a paragraph of its own before any break.
  auto& blocks = sections_.back().blocks;
  if (!blocks.empty() && blocks.back().row)
    for (Token x : {WordToken("pard"), WordToken("plain"), WordToken("par")}) Tail().push_back(std::move(x));
  if (kind == BreakKind::Page) {
    for (Token x : {WordToken("pard"), WordToken("plain"), WordToken("page")}) Tail().push_back(std::move(x));
    return;
  }
  // The new section starts with the page of the one before.
  Section next;
  next.props = sections_.back().props;
  std::erase_if(next.props, [](const Token& x) { return x.Is("titlepg"); });
  sections_.push_back(std::move(next));
}

bool RtfDocument::SectionLandscape(int section) const {
  if (section < 1 || section > SectionCount()) return false;
  bool landscape = false;
  int w = 0, h = 0;
  for (const Token& x : sections_[static_cast<std::size_t>(section - 1)].props) {
    if (x.Is("lndscpsxn")) landscape = true;
    if (x.Is("sectd")) landscape = false, w = h = 0;
    if (x.Is("pgwsxn")) w = x.param;
    if (x.Is("pghsxn")) h = x.param;
  }
  return landscape || (w > 0 && h > 0 && w > h);
}

void RtfDocument::SetLastSectionOrientation(bool landscape) {
  auto& props = sections_.back().props;
  if (props.empty() || !props.front().Is("sectd")) props.insert(props.begin(), WordToken("sectd"));
  SetOrientationWords(props, landscape);
}

void RtfDocument::SetPortraitA4() {
  std::erase_if(prelude_, [](const Token& x) { return x.Is("landscape") || x.Is("paperw") || x.Is("paperh"); });
  prelude_.push_back(WordToken("paperw", kPortrait.width));
  prelude_.push_back(WordToken("paperh", kPortrait.height));
  for (Section& s : sections_) {
    std::erase_if(s.props, [](const Token& x) { return x.Is("lndscpsxn"); });
    for (Token& x : s.props) {
      if (x.Is("pgwsxn")) x.param = kPortrait.width;
      if (x.Is("pghsxn")) x.param = kPortrait.height;
    }
  }
}

void RtfDocument::AddPageNumbers() {
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    auto& props = sections_[s].props;
    // Existing footers give way, except a first page's of a later section.
    std::vector<Token> kept;
    for (std::size_t k = 0; k < props.size(); ++k) {
      if (props[k].kind == TokenKind::Open) {
        const Token* w = GroupWord(props, k);
        const std::size_t ge = GroupEnd(props, k, props.size());
        if (w && w->text.starts_with("footer")) {
          k = ge - 1;
          continue;
        }
      }
      if (props[k].Is("titlepg")) continue;
      kept.push_back(props[k]);
    }
    if (s == 0) {
      kept.push_back(WordToken("titlepg"));
      for (Token x : {OpenToken(), WordToken("footerf"), WordToken("pard"), WordToken("plain"), WordToken("par"),
                      CloseToken()})
        kept.push_back(std::move(x));
    }
    for (Token x : {OpenToken(), WordToken("footer"), WordToken("pard"), WordToken("plain"), WordToken("qc"),
                    OpenToken(), WordToken("field"), OpenToken(), Token{TokenKind::Symbol, false, 0, "*"},
                    WordToken("fldinst"), TextToken(" PAGE "), CloseToken(), OpenToken(), WordToken("fldrslt"),
                    TextToken("1"), CloseToken(), CloseToken(), WordToken("par"), CloseToken()})
      kept.push_back(std::move(x));
    props = std::move(kept);
  }
}

// --- writing ---------------------------------------------------------------------------

std::string RtfDocument::Write() const {
  std::vector<Token> t{OpenToken()};
  for (const Token& x : prelude_)
    if (IsCharsetWord(x.text)) t.push_back(x);
  t.push_back(OpenToken());
  t.push_back(WordToken("fonttbl"));
  for (const Entry& f : fonts_) {
    t.push_back(OpenToken());
    t.insert(t.end(), f.tokens.begin(), f.tokens.end());
    t.push_back(CloseToken());
  }
  t.push_back(CloseToken());
  t.push_back(OpenToken());
  t.push_back(WordToken("colortbl"));
  for (const std::int32_t c : colors_) {
    if (c >= 0) {
      t.push_back(WordToken("red", (c >> 16) & 255));
      t.push_back(WordToken("green", (c >> 8) & 255));
      t.push_back(WordToken("blue", c & 255));
    }
    t.push_back(TextToken(";"));
  }
  t.push_back(CloseToken());
  if (!styles_.empty()) {
    t.push_back(OpenToken());
    t.push_back(WordToken("stylesheet"));
    for (const Entry& s : styles_) {
      t.push_back(OpenToken());
      t.insert(t.end(), s.tokens.begin(), s.tokens.end());
      t.push_back(CloseToken());
    }
    t.push_back(CloseToken());
  }
  for (const auto& g : otherHeader_) t.insert(t.end(), g.begin(), g.end());
  for (const Token& x : prelude_)
    if (!IsCharsetWord(x.text)) t.push_back(x);
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    if (s > 0) t.push_back(WordToken("sect"));
    t.insert(t.end(), sections_[s].props.begin(), sections_[s].props.end());
    for (const Block& b : sections_[s].blocks) t.insert(t.end(), b.tokens.begin(), b.tokens.end());
  }
  t.push_back(CloseToken());
  std::string out;
  AppendRtf(out, t);
  out += "\r\n";
  return out;
}

std::string RtfDocument::PlainText() const {
  std::string out;
  for (const Section& s : sections_)
    for (const Block& b : s.blocks) {
      if (!b.row) {
        out += TextOf(b.tokens, 0, b.tokens.size(), true);
        continue;
      }
      for (std::size_t c = 0; c < b.cellEnds.size(); ++c) {
        if (c > 0) out += '\t';
        out += TextOf(b.tokens, c == 0 ? 0 : b.cellEnds[c - 1] + 1, b.cellEnds[c], true);
      }
      out += '\n';
    }
  return out;
}

}  // namespace rpt::output::rtf
