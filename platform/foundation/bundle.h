// The application bundle and the user's folders.
//
// The bundle's resources sit in the folder of the executable, found from the
// executable's real path (so a symbolic link or a relative argv[0] does not
// move it), unless TESSALY_BUNDLE names another folder. The user's folders
// follow the XDG base directories; TESSALY_HOME puts all of them under one
// folder (tests, portable installs). Environment variables are read on every
// call, and every folder returned exists (it is created when missing).
#pragma once

#include <string>
#include <string_view>

namespace ns {

class Bundle {
 public:
  static const Bundle& main();

  // Real path of the running executable (/proc/self/exe); empty when the
  // system does not tell.
  static std::string executablePath();
  // Root folder of the resources, without a trailing "/".
  std::string resourcePath() const;
  // resourcePath()/directory/name.type when that file exists, else empty.
  // `type` is the extension; it may be empty when `name` carries one.
  std::string pathForResource(std::string_view name, std::string_view type,
                              std::string_view directory = {}) const;
  // Information values: "CFBundleShortVersionString" (the marketing version)
  // and "CFBundleVersion" (the build number); empty for any other key.
  std::string infoValue(std::string_view key) const;
};

// The user's documents folder: $TESSALY_HOME/Documents, else
// $XDG_DATA_HOME/tessaly (~/.local/share/tessaly).
std::string documentsDirectory();
// Downloads and other files that can be fetched again: $TESSALY_HOME/Caches,
// else $XDG_CACHE_HOME/tessaly (~/.cache/tessaly).
std::string cachesDirectory();
// Settings of the platform layer (user defaults): $TESSALY_HOME/Preferences,
// else $XDG_CONFIG_HOME/tessaly (~/.config/tessaly).
std::string preferencesDirectory();
// Scratch files: $TESSALY_HOME/tmp, else $TMPDIR (or /tmp)/tessaly-<uid>,
// made 0700 and used only while it is a folder (not a link) of this user's
// with no access for others; otherwise a "tmp" folder in the caches.
std::string temporaryDirectory();

}  // namespace ns
