#include "temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tessaly::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool takeEveryKeptAsideName(const std::string& path) {
  for (int n = 0; n < 1000; ++n)
    if (!writeFile(path + ".unreadable" + (n == 0 ? "" : "." + std::to_string(n)), "kept earlier")) return false;
  return true;
}

}  // namespace tessaly::test
