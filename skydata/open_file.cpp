#include "skydata/open_file.h"

#include <sys/types.h>

std::FILE* openFileWithSize(const char* path, const char* mode, std::int64_t* offset,
                            std::int64_t* length) {
  if (offset != nullptr) *offset = 0;
  if (path == nullptr || mode == nullptr) return nullptr;
  std::FILE* file = std::fopen(path, mode);
  if (file == nullptr || length == nullptr) return file;
  // A file that cannot be measured (a pipe, a directory) cannot be read by
  // offset either, so it counts as unopenable.
  const off_t start = ftello(file);
  if (start < 0 || fseeko(file, 0, SEEK_END) != 0) {
    std::fclose(file);
    return nullptr;
  }
  const off_t end = ftello(file);
  if (end < 0 || fseeko(file, start, SEEK_SET) != 0) {
    std::fclose(file);
    return nullptr;
  }
  *length = end;
  return file;
}
