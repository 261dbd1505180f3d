// Where the run command put the built bundle, for the checks that run only
// when the real catalogues have been built on this machine.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tessaly::test {

// $TESSALY_BUNDLE when it holds built data, else the release build's
// bundle folder in the source tree. Suites that draw text point
// TESSALY_BUNDLE at the source tree's resources for their fonts; that
// folder has no catalogues and must not hide the built ones.
inline std::string builtBundlePath() {
  if (const char* bundle = std::getenv("TESSALY_BUNDLE");
      bundle && *bundle && std::filesystem::exists(std::string(bundle) + "/SkyData"))
    return bundle;
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  return std::string(source ? source : ".") + "/build/release/app";
}

}  // namespace tessaly::test
