#include "tools/catalogues/atomic_file.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace catalogues {

namespace fs = std::filesystem;

std::string temporaryPathFor(const std::string& target) {
  fs::path path(target);
  std::error_code ignored;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), ignored);
  fs::path name = ".tmp-" + std::to_string(::getpid()) + "-" + path.filename().string();
  return (path.parent_path() / name).string();
}

bool replaceFile(const std::string& temporary, const std::string& target, std::string& error) {
  std::error_code failure;
  fs::rename(temporary, target, failure);
  if (failure) {
    error = target + ": cannot be replaced: " + failure.message();
    fs::remove(temporary, failure);
    return false;
  }
  return true;
}

bool writeFileAtomically(const std::string& target, std::string_view bytes, std::string& error) {
  std::string temporary = temporaryPathFor(target);
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) {
    error = temporary + ": cannot be created";
    return false;
  }
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  written = (std::fflush(file) == 0) && written;
  written = (std::fclose(file) == 0) && written;
  if (!written) {
    error = temporary + ": write failed";
    std::remove(temporary.c_str());
    return false;
  }
  return replaceFile(temporary, target, error);
}

}  // namespace catalogues
