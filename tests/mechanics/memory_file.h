// A file held in memory (memfd) with a path that fopen accepts, for
// fuzzing readers that open files by name without touching the disk.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <string_view>

namespace memory_file {

class MemoryFile {
 public:
  MemoryFile() : fd_(memfd_create("tessaly-fuzz", 0)) {}
  ~MemoryFile() {
    if (fd_ >= 0) close(fd_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  // Replaces the contents; false when the file could not be written.
  bool write(std::string_view bytes) {
    if (fd_ < 0 || ftruncate(fd_, 0) != 0) return false;
    return pwrite(fd_, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size());
  }
  std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};

}  // namespace memory_file
