// Running the Python oracles of the information tests (PyEphem scripts in
// this folder) on Debian's interpreter, which sees the python3-ephem
// package.
#pragma once

#include <string>
#include <vector>

namespace info_test {

// A path under the source tree ($TESSALY_SOURCE_DIR, else ".").
std::string sourcePath(const std::string& relative);

// Runs `script` (relative to the source tree) with `arguments`, `input` on
// its standard input, and returns its output lines (standard error
// included, so a failure shows in the test's message).
std::vector<std::string> runOracle(const std::string& script, const std::string& arguments,
                                   const std::string& input = "");

}  // namespace info_test
