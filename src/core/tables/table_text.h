// Text forms used by table files: words of a value, the multi-line codec
// of captions and hints, and numbers with "," as decimal separator.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rpt::tables {

// Removes characters up to and including the blank from both ends.
std::string_view TrimText(std::string_view text);

// Stored form -> caption: a leading blank becomes "$" and a leading "$" a
// blank, then every "||" becomes a line break (CR LF). (ConvertMultiLine.)
std::string DecodeMultiLine(std::string_view stored);

// Caption -> stored form: the leading swap, then every line break becomes
// "||". A lone CR or LF counts as a line break too: written as it is, it
// would split the value across lines of the table file.
std::string EncodeMultiLine(std::string_view caption);

// A caption on one line (titles): the leading swap, then line breaks become
// blanks.
std::string OneLine(std::string_view caption);

// Every number of a table goes through these two, in `long double`: the
// values of real cells as they are loaded, typed, saved and read by
// formulas, and the results of formulas. So 2,675 with two decimals shows
// 2,68 in a real cell as it does in a formula cell beside it.

// Number text with "," as the decimal separator, as the editors and table
// files hold it: blanks around it, an optional sign, digits with at most one
// ",", an optional exponent. Nothing when the text is no such number.
std::optional<long double> ParseNumber(std::string_view text);

// Fixed notation with `decimals` decimals (a negative count counts as 0, at
// most 18) and "," as the decimal separator: the value taken to 18
// significant digits, then rounded at the last decimal, halves away from
// zero; no "-" on a zero.
std::string FormatFixed(long double value, int decimals);

// |value| (finite, not 0) to `sig` significant digits (at most 18) and the
// decimal exponent of the first one, rounded as an exact conversion rounds.
void SignificantDigits(long double value, int sig, std::string& digits, int& exponent);

// The fixed text of a number given by its significant digits (no leading
// zero) and the count of digits before the decimal point: rounded at the
// last of `decimals` decimals, halves away from zero, "," as separator, "-"
// when `negative` and the text is not all zeros.
std::string FixedFromDigits(std::string digits, int intDigits, int decimals, bool negative);

// A number cell's value as loading shows it: "." and "," become ","; a
// text holding a separator is rewritten with `decimals` decimals, or becomes
// "0,0" when it is no number (false then: the value was not readable).
bool NormalizeLoadedNumber(std::string& text, int decimals);

// Every "." of the text becomes ",".
void DotsToCommas(std::string& text);

}  // namespace rpt::tables
