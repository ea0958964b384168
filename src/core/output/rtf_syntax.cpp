#include "core/output/rtf_syntax.h"

#include <algorithm>
#include <array>
#include <limits>

#include "core/foundation/codec.h"

namespace rpt::output::rtf {

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void PushText(std::vector<Token>& out, std::string_view bytes) {
  if (bytes.empty()) return;
  if (!out.empty() && out.back().kind == TokenKind::Text)
    out.back().text.append(bytes);
  else
    out.push_back(TextToken(std::string(bytes)));
}

}  // namespace

Token OpenToken() { return Token{TokenKind::Open, false, 0, {}}; }
Token CloseToken() { return Token{TokenKind::Close, false, 0, {}}; }
Token WordToken(std::string_view name) { return Token{TokenKind::Word, false, 0, std::string(name)}; }
Token WordToken(std::string_view name, std::int32_t param) {
  return Token{TokenKind::Word, true, param, std::string(name)};
}
Token TextToken(std::string text) { return Token{TokenKind::Text, false, 0, std::move(text)}; }

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> out;
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    const char c = s[i];
    if (c == '{') {
      out.push_back(OpenToken());
      ++i;
    } else if (c == '}') {
      out.push_back(CloseToken());
      ++i;
    } else if (c == '\r' || c == '\n') {
      ++i;
    } else if (c != '\\') {
      std::size_t j = i;
      while (j < n && s[j] != '\\' && s[j] != '{' && s[j] != '}' && s[j] != '\r' && s[j] != '\n') ++j;
      PushText(out, s.substr(i, j - i));
      i = j;
    } else if (i + 1 >= n) {
      ++i;  // a lone backslash at the end means nothing
    } else if (IsLetter(s[i + 1])) {
      std::size_t j = i + 1;
      while (j < n && IsLetter(s[j])) ++j;
      Token t = WordToken(s.substr(i + 1, j - i - 1));
      bool negative = false;
      if (j < n && s[j] == '-' && j + 1 < n && IsDigit(s[j + 1])) {
        negative = true;
        ++j;
      }
      if (j < n && IsDigit(s[j])) {
        std::int64_t v = 0;
        while (j < n && IsDigit(s[j])) {
          v = std::min<std::int64_t>(v * 10 + (s[j] - '0'), std::int64_t{1} << 40);
          ++j;
        }
        if (negative) v = -v;
        t.hasParam = true;
        t.param = static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                                     std::numeric_limits<std::int32_t>::max()));
      }
      if (j < n && s[j] == ' ') ++j;  // the delimiter belongs to the word
      const bool binary = t.text == "bin";
      const std::int32_t length = t.param;
      out.push_back(std::move(t));
      i = j;
      if (binary) {
        const std::size_t take = std::min<std::size_t>(length > 0 ? static_cast<std::size_t>(length) : 0, n - i);
        out.push_back(Token{TokenKind::Binary, false, 0, std::string(s.substr(i, take))});
        out[out.size() - 2].param = static_cast<std::int32_t>(take);
        i += take;
      }
    } else if (s[i + 1] == '\'') {
      // \'hh: one byte of the code page; a broken escape is dropped.
      const int hi = i + 2 < n ? HexValue(s[i + 2]) : -1;
      const int lo = i + 3 < n ? HexValue(s[i + 3]) : -1;
      if (hi >= 0 && lo >= 0) {
        const char byte = static_cast<char>(hi * 16 + lo);
        PushText(out, std::string_view(&byte, 1));
        i += 4;
      } else {
        i += hi >= 0 ? 3 : 2;
      }
    } else if (s[i + 1] == '\r' || s[i + 1] == '\n') {
      out.push_back(WordToken("par"));
      i += 2;
    } else if (s[i + 1] == '\\' || s[i + 1] == '{' || s[i + 1] == '}') {
      PushText(out, s.substr(i + 1, 1));
      i += 2;
    } else {
      out.push_back(Token{TokenKind::Symbol, false, 0, std::string(1, s[i + 1])});
      i += 2;
    }
  }
  return out;
}

void AppendRtf(std::string& out, const std::vector<Token>& tokens) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    const Token& t = tokens[k];
    switch (t.kind) {
      case TokenKind::Open: out += '{'; break;
      case TokenKind::Close: out += '}'; break;
      case TokenKind::Symbol:
        out += '\\';
        out += t.text.empty() ? '*' : t.text[0];
        break;
      case TokenKind::Binary: out += t.text; break;
      case TokenKind::Word: {
        out += '\\';
        out += t.text;
        if (t.hasParam) out += std::to_string(t.param);
        const bool textFollows = k + 1 < tokens.size() && tokens[k + 1].kind == TokenKind::Text;
        if (textFollows || t.text == "bin")
          out += ' ';
        else if (t.text == "par" || t.text == "row" || t.text == "sect")
          out += "\r\n";
        break;
      }
      case TokenKind::Text:
        for (const char ch : t.text) {
          const auto u = static_cast<unsigned char>(ch);
          if (ch == '\\' || ch == '{' || ch == '}') {
            out += '\\';
            out += ch;
          } else if (u == '\t') {
            out += "\\tab ";
          } else if (u < 0x20 || u >= 0x7f) {
            out += "\\'";
            out += kHex[u >> 4];
            out += kHex[u & 15];
          } else {
            out += ch;
          }
        }
        break;
    }
  }
}

std::string ToRtf(const std::vector<Token>& tokens) {
  std::string out;
  AppendRtf(out, tokens);
  return out;
}

void AppendText(std::vector<Token>& out, std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto u = static_cast<unsigned char>(s[i]);
    if (u == '\r' || u == '\n') {
      if (u == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      out.push_back(WordToken("line"));
    } else if (u == '\t') {
      out.push_back(WordToken("tab"));
    } else if (u >= 0x80) {
      // RTF's \u takes a signed 16-bit number; the code page's letters all fit.
      out.push_back(WordToken("u", static_cast<std::int16_t>(Cp1251ToUnicode(u))));
      out.push_back(TextToken(std::string(1, static_cast<char>(u))));
    } else {
      PushText(out, s.substr(i, 1));
    }
  }
}

bool IsCharacterToken(const Token& t) {
  if (t.kind == TokenKind::Text) return true;
  if (t.kind == TokenKind::Symbol) return t.text == "~" || t.text == "-" || t.text == "_";
  if (t.kind != TokenKind::Word) return false;
  static constexpr std::array<std::string_view, 20> kCharacters = {
      "u",         "tab",     "line",     "emdash",   "endash",   "bullet",    "lquote",
      "rquote",    "ldblquote", "rdblquote", "emspace", "enspace",  "qmspace",   "zwj",
      "zwnj",      "ltrmark", "rtlmark",  "zwbo",     "zwnbo",    "softline"};
  return std::find(kCharacters.begin(), kCharacters.end(), t.text) != kCharacters.end();
}

bool IsDestination(std::string_view w) {
  static constexpr std::array<std::string_view, 40> kDestinations = {
      "fonttbl",   "colortbl",   "stylesheet", "info",        "filetbl",     "revtbl",   "listtable",
      "listoverridetable", "rsidtbl", "generator", "pict",     "object",      "shp",      "shpinst",
      "shprslt",   "shppict",    "nonshppict", "header",      "headerl",     "headerr",  "headerf",
      "footer",    "footerl",    "footerr",   "footerf",     "footnote",    "annotation", "fldinst",
      "fldrslt",   "field",      "txe",        "xe",          "tc",          "bkmkstart", "bkmkend",
      "pn",        "pntext",     "listtext",   "themedata",   "datastore"};
  return std::find(kDestinations.begin(), kDestinations.end(), w) != kDestinations.end();
}

}  // namespace rpt::output::rtf
