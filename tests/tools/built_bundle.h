// Where the run command put the built bundle, for the checks that run only
// when the real catalogues have been built on this machine.
#pragma once

#include <cstdlib>
#include <string>

namespace tessaly::test {

// $TESSALY_BUNDLE, else the release build's bundle folder in the source tree.
inline std::string builtBundlePath() {
  if (const char* bundle = std::getenv("TESSALY_BUNDLE"); bundle && *bundle) return bundle;
  const char* source = std::getenv("TESSALY_SOURCE_DIR");
  return std::string(source ? source : ".") + "/build/release/app";
}

}  // namespace tessaly::test
