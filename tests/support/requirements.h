// What a check needs from outside the repository: an oracle program, a
// system file, the catalogue bundle that the test command builds. Where it
// is missing the check is skipped on a developer's machine, but fails when
// the environment variable CI is set (and not "0" or "false"): a broken
// set-up must never turn a check green.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace tessaly::test {

inline bool runningInCi() {
  const char* ci = std::getenv("CI");
  if (ci == nullptr) return false;
  const std::string_view value(ci);
  return !value.empty() && value != "0" && value != "false";
}

// Whether `program` can be run from the PATH.
inline bool programInstalled(const std::string& program) {
  return std::system(("command -v '" + program + "' >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace tessaly::test

// Ends the current test function: a skip with `message`, or under CI a
// failure. Use where GTEST_SKIP() would stand.
#define TESSALY_SKIP_OR_FAIL(message)                                           \
  do {                                                                           \
    if (::tessaly::test::runningInCi()) {                                        \
      GTEST_FAIL() << message << " (missing under CI, where it is required)";    \
    } else {                                                                     \
      GTEST_SKIP() << message;                                                   \
    }                                                                            \
  } while (false)
