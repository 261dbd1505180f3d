// A scratch folder for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace tessaly::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Path of `name` inside the folder.
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Whole contents of a file as bytes; empty when it cannot be read.
std::string readFile(const std::string& path);
// Writes bytes to a file, replacing it; false on failure.
bool writeFile(const std::string& path, const std::string& bytes);

}  // namespace tessaly::test
