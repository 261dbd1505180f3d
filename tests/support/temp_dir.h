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

// Takes every name under which a store's unreadable file at `path` could
// be kept aside (`path`.unreadable, then .unreadable.1 to .unreadable.999),
// so that the file can no longer be moved; false on failure.
bool takeEveryKeptAsideName(const std::string& path);

}  // namespace tessaly::test
