#include "platform/foundation/bundle.h"

#include <unistd.h>

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
  if (!home.empty()) return ensureFolder(withoutTrailingSlash(home) + "/tmp");
  std::string base = environment("TMPDIR");
  if (base.empty()) base = "/tmp";
  return ensureFolder(withoutTrailingSlash(base) + "/tessaly-" + std::to_string(::getuid()));
}

}  // namespace ns
