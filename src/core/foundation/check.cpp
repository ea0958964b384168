#include "core/foundation/check.h"

#include <cstdio>
#include <cstdlib>

namespace rpt::detail {

bool CheckFailed(const char* condition, const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: internal check failed: %s (%s)\n", file, line, what, condition);
#ifndef NDEBUG
  std::abort();
#else
  return false;
#endif
}

}  // namespace rpt::detail
