#include "tests/ui/info/python_oracle.h"

#include <cstdio>
#include <cstdlib>

#include "tests/support/temp_dir.h"

namespace info_test {

std::string sourcePath(const std::string& relative) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  return std::string(root != nullptr ? root : ".") + "/" + relative;
}

// The oracle's output lines; `input` goes to its standard input.
std::vector<std::string> runOracle(const std::string& script, const std::string& arguments,
                                   const std::string& input) {
  tessaly::test::TempDir dir;
  const std::string inputPath = dir.file("input.txt");
  tessaly::test::writeFile(inputPath, input);
  const std::string command =
      "/usr/bin/python3 " + sourcePath(script) + " " + arguments + " < " + inputPath + " 2>&1";
  std::vector<std::string> lines;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return lines;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    lines.push_back(text);
  }
  pclose(pipe);
  return lines;
}

}  // namespace info_test
