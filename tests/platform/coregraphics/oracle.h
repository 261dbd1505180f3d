// Running the Python oracles of the coregraphics tests. A missing Python,
// PIL or fontTools fails the test that needs it; nothing is skipped.
#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace cgtest {

// The folder of this test's scripts in the source tree.
inline std::string scriptFolder() {
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  return std::string(source ? source : ".") + "/tests/platform/coregraphics";
}

// Runs a command and returns its standard output; `status` gets the exit
// status (-1 when it could not run).
inline std::string run(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) {
    if (status) *status = -1;
    return out;
  }
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  int result = ::pclose(pipe);
  if (status) *status = result;
  return out;
}

// Debian's Python, which has the packaged PIL and fontTools.
constexpr const char* kPython = "/usr/bin/python3";

}  // namespace cgtest
