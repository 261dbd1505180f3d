#include "platform/foundation/bundle.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace ns {
namespace {

namespace fs = std::filesystem;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string ensureFolder(const std::string& path) {
  std::error_code ignored;
  fs::create_directories(path, ignored);
  return path;
}

// $TESSALY_HOME/<inHome>, else $<xdgVariable>/tessaly, else ~/<fallback>/tessaly.
std::string userFolder(const char* inHome, const char* xdgVariable, const char* fallback) {
  std::string home = environment("TESSALY_HOME");
  if (!home.empty()) return ensureFolder(withoutTrailingSlash(home) + "/" + inHome);
  std::string base = environment(xdgVariable);
  // The XDG rules ignore relative paths.
  if (base.empty() || base.front() != '/') base = withoutTrailingSlash(environment("HOME")) + "/" + fallback;
  return ensureFolder(withoutTrailingSlash(base) + "/tessaly");
}

// A folder for this user's scratch files alone: made 0700 when missing,
// taken when it is a real folder (not a link) owned by this user, its
// permissions narrowed to the owner's. False for anything else, which
// another user could have planted.
bool claimPrivateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat status;
  if (::lstat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
      status.st_uid != ::getuid())
    return false;
  if ((status.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return false;
  return true;
}

}  // namespace

const Bundle& Bundle::main() {
  static const Bundle bundle;
  return bundle;
}

std::string Bundle::executablePath() {
  std::error_code error;
  fs::path path = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

std::string Bundle::resourcePath() const {
  std::string configured = environment("TESSALY_BUNDLE");
  if (!configured.empty()) return withoutTrailingSlash(configured);
  std::string executable = executablePath();
  std::size_t slash = executable.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : executable.substr(0, slash);
}

std::string Bundle::pathForResource(std::string_view name, std::string_view type,
                                    std::string_view directory) const {
  std::string path = resourcePath();
  if (!directory.empty()) path += "/" + std::string(directory);
  path += "/" + std::string(name);
  if (!type.empty()) path += "." + std::string(type);
  std::error_code error;
  return fs::is_regular_file(path, error) ? path : std::string();
}

std::string Bundle::infoValue(std::string_view key) const {
  if (key == "CFBundleShortVersionString") return TESSALY_SHORT_VERSION;
  if (key == "CFBundleVersion") return TESSALY_BUILD_VERSION;
  return {};
}

std::string documentsDirectory() { return userFolder("Documents", "XDG_DATA_HOME", ".local/share"); }
std::string cachesDirectory() { return userFolder("Caches", "XDG_CACHE_HOME", ".cache"); }
std::string preferencesDirectory() { return userFolder("Preferences", "XDG_CONFIG_HOME", ".config"); }

std::string temporaryDirectory() {
  std::string home = environment("TESSALY_HOME");
  if (!home.empty()) {
    ensureFolder(withoutTrailingSlash(home));
    const std::string path = withoutTrailingSlash(home) + "/tmp";
    if (claimPrivateFolder(path)) return path;
  } else {
    std::string base = environment("TMPDIR");
    if (base.empty()) base = "/tmp";
    const std::string path = withoutTrailingSlash(base) + "/tessaly-" + std::to_string(::getuid());
    if (claimPrivateFolder(path)) return path;
  }
  // The shared folder's name is taken by someone else (or a link): scratch
  // files go below the user's own caches instead.
  const std::string fallback = cachesDirectory() + "/tmp";
  std::fprintf(stderr, "temporary folder refused (not a private folder of this user); using %s\n",
               fallback.c_str());
  return claimPrivateFolder(fallback) ? fallback : cachesDirectory();
}

}  // namespace ns
