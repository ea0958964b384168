// The syntax of RTF: the stream of groups, control words, control symbols,
// text and binary data that every RTF file is, read without interpreting
// it and written back so that a reader sees the same stream. The document
// model (rtf_document.h) is built on it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rpt::output::rtf {

enum class TokenKind : std::uint8_t {
  Open,    // {
  Close,   // }
  Word,    // \name or \nameN; `text` is the name
  Symbol,  // \x for a non-letter x other than ' (\* \~ \- \_ \: \|); `text` is x
  Text,    // characters, raw bytes; \'hh escapes are stored as their byte
  Binary,  // the data of \binN, which follows its \bin word
};

struct Token {
  TokenKind kind = TokenKind::Text;
  bool hasParam = false;
  std::int32_t param = 0;
  std::string text;

  bool Is(std::string_view word) const { return kind == TokenKind::Word && text == word; }
};

Token OpenToken();
Token CloseToken();
Token WordToken(std::string_view name);
Token WordToken(std::string_view name, std::int32_t param);
Token TextToken(std::string text);

// Reads any bytes; never fails. Line ends outside binary data are dropped
// (RTF ignores them), "\" followed by a line end is \par, parameters are
// clamped to 32 bits, and a \bin takes at most the bytes that are there.
std::vector<Token> Tokenize(std::string_view rtf);

// Writes tokens as RTF text: 7-bit only, bytes above 0x7f and control
// characters as \'hh, a blank after a control word only where text follows.
void AppendRtf(std::string& out, const std::vector<Token>& tokens);
std::string ToRtf(const std::vector<Token>& tokens);

// Windows-1251 text as tokens that mean the same whatever the font's
// character set: each letter above 0x7f as \uN with its code-page byte as
// the fallback; line breaks as \line, tabs as \tab. Callers put an \uc1 in
// scope first.
void AppendText(std::vector<Token>& out, std::string_view cp1251);

// Tokens that stand for characters in running text (for reading a text
// back and for clearing one): text, \uN, \tab, \line, \~ and their kin.
bool IsCharacterToken(const Token& t);

// Destination words: groups that begin with one of them (or with \*)
// hold something other than the running text.
bool IsDestination(std::string_view word);

}  // namespace rpt::output::rtf
