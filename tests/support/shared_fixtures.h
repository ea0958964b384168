// Fixtures shared by every checkout live beside it, in ../shared/fixtures.
// A clone without them still runs the rest of the suite: tests that need them
// skip and say why. CI always has them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#define SKIP_WITHOUT_SHARED_FIXTURES()                                                    \
  do {                                                                                    \
    if (!std::filesystem::is_directory(REPORT_SHARED_FIXTURES))                           \
      GTEST_SKIP() << "needs the shared fixtures in " << REPORT_SHARED_FIXTURES           \
                   << " (the folder 'shared' beside the checkout), which is absent";      \
  } while (false)
