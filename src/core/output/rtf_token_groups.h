#pragma once

// Questions about an RTF token stream that the parts of the document model
// (reading, contents, joining) share.

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/output/rtf_syntax.h"

namespace rpt::output::rtf {

// The page of a section: A4 with the margins of the installation's print
// templates, portrait or landscape.
struct PageGeometry {
  int width, height, left, right, top, bottom;
};
inline constexpr PageGeometry kPortrait{11906, 16838, 1701, 567, 1134, 1134};
inline constexpr PageGeometry kLandscape{16838, 11906, 1134, 851, 1701, 850};

inline bool OneOf(std::string_view w, std::initializer_list<std::string_view> set) {
  return std::find(set.begin(), set.end(), w) != set.end();
}

// The word that names a group: the first token after "{", past a "\*".
const Token* GroupWord(const std::vector<Token>& t, std::size_t open);
bool OpensDestination(const std::vector<Token>& t, std::size_t open);
// The index just past the group opened at `open` (or the end).
std::size_t GroupEnd(const std::vector<Token>& t, std::size_t open, std::size_t limit);
// The text of tokens (Windows-1251): \uN to the code page, its fallback
// characters skipped; destinations left out.
std::string TextOf(const std::vector<Token>& t, std::size_t b, std::size_t e, bool paragraphs);
// The index of each \cell of a row's tokens, destinations skipped.
std::vector<std::size_t> CellEnds(const std::vector<Token>& t);

}  // namespace rpt::output::rtf
