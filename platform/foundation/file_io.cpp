#include "platform/foundation/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

namespace ns {

std::optional<std::string> readWholeFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return bytes;
}

namespace {

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return true;
}

// The files that could not be read nor moved aside: nothing replaces them
// while the process runs.
class HeldFiles {
 public:
  void hold(const std::string& path) {
    std::lock_guard<std::mutex> guard(mutex_);
    paths_.insert(path);
  }
  bool holds(const std::string& path) const {
    std::lock_guard<std::mutex> guard(mutex_);
    return paths_.count(path) != 0;
  }

 private:
  mutable std::mutex mutex_;
  std::set<std::string, std::less<>> paths_;
};

HeldFiles& heldFiles() {
  static HeldFiles files;
  return files;
}

}  // namespace

bool writeFileAtomically(const std::string& path, std::string_view bytes,
                         const std::function<void()>& beforeRename) {
  return replaceFileIfAccepted(path, bytes, [&](const std::string&) {
    if (beforeRename) beforeRename();
    return true;
  });
}

bool replaceFileIfAccepted(const std::string& path, std::string_view bytes,
                           const std::function<bool(const std::string& temporaryPath)>& accept) {
  if (heldFiles().holds(path)) return false;
  std::string pattern = path + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  std::string temporary(name.data());
  // mkstemp makes the file private to the user; the replacement keeps the
  // mode of the file it replaces, or gets the usual one.
  struct stat old;
  ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok && accept) ok = accept(temporary);
  if (ok) ok = std::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

std::optional<std::string> keepFileAside(const std::string& path, std::string* error) {
  constexpr int kMostKept = 1000;
  for (int n = 0; n < kMostKept; ++n) {
    const std::string kept = path + ".unreadable" + (n == 0 ? "" : "." + std::to_string(n));
    if (::access(kept.c_str(), F_OK) == 0) continue;
    if (std::rename(path.c_str(), kept.c_str()) == 0) return kept;
    if (error) *error = std::strerror(errno);
    return std::nullopt;
  }
  if (error) *error = std::to_string(kMostKept) + " unreadable copies are kept already";
  return std::nullopt;
}

std::string keepUnreadableFileAside(const std::string& path, std::string_view kind, std::string_view problem,
                                    std::string_view inUse) {
  std::string error;
  const std::optional<std::string> kept = keepFileAside(path, &error);
  std::string line = std::string(kind) + " " + path + " " + std::string(problem);
  if (kept) {
    line += "; kept as " + *kept + ", " + std::string(inUse);
  } else {
    heldFiles().hold(path);
    line += " and cannot be kept aside (" + error + "); " + std::string(inUse) +
            ", and nothing is saved over it in this run";
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  return line;
}

void noteFileWritten(const std::string& path, std::string_view kind, bool written) {
  // Stores save at every change: the user hears of a folder that cannot
  // be written once, not at every change.
  static std::mutex mutex;
  static std::set<std::string, std::less<>> failing;
  std::lock_guard<std::mutex> guard(mutex);
  if (written) {
    failing.erase(path);
    return;
  }
  if (heldFiles().holds(path)) return;
  if (!failing.insert(path).second) return;
  const bool old = ::access(path.c_str(), F_OK) == 0;
  std::fprintf(stderr, "%.*s %s could not be written; %s\n", int(kind.size()), kind.data(), path.c_str(),
               old ? "the old one is kept" : "nothing is saved");
}

}  // namespace ns
