// RPT_CHECK(condition, what): a condition our own code guarantees. When it
// does not hold, a debug build stops at once (abort, with the place and the
// text on stderr) so the bug is found where it happens; a release build
// writes the same line to stderr and goes on, and the caller takes its safe
// path:
//   if (!RPT_CHECK(row < rows.size(), "row out of range")) return;
// Never for conditions of the outside world (files, input): those are
// errors reported to the user.
#pragma once

namespace rpt::detail {

// Reports a failed check; stops the program unless NDEBUG. Returns false.
bool CheckFailed(const char* condition, const char* what, const char* file, int line);

}  // namespace rpt::detail

#define RPT_CHECK(condition, what) \
  (static_cast<bool>(condition) || ::rpt::detail::CheckFailed(#condition, what, __FILE__, __LINE__))
