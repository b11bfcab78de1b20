// The real translators' tables and free test ROMs beside the repository.
//
// REQUIRE_REALDATA() at the top of a test: when the folder is missing the test
// says so and skips, or fails when the CI variable is set, so that CI never
// passes without having read the real files.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace textdump::testing {

inline const std::filesystem::path REALDATA = TEXTDUMP_REALDATA;

} // namespace textdump::testing

#define REQUIRE_REALDATA()                                                                         \
  do {                                                                                             \
    if (!std::filesystem::is_directory(::textdump::testing::REALDATA)) {                           \
      if (std::getenv("CI") != nullptr)                                                            \
        FAIL() << "no real data at " << ::textdump::testing::REALDATA << " (CI is set)";           \
      GTEST_SKIP() << "no real data at " << ::textdump::testing::REALDATA;                         \
    }                                                                                              \
  } while (false)
