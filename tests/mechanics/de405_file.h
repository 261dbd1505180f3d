// JPL's DE405 converted once per test program by the project's converter
// (tools/ephemeris/make_jpl_ephemeris.py) from Debian's casacore copy, in
// the machine's byte order ("DE438.eph", the name the chart opens) and in
// the other ("swapped.eph"), in a scratch folder.
#pragma once

#include <cstdlib>
#include <string>

#include "tests/support/temp_dir.h"

namespace de405 {

inline std::string sourcePath(const std::string& name) {
  const char* root = std::getenv("TESSALY_SOURCE_DIR");
  return std::string(root ? root : ".") + "/" + name;
}

struct Files {
  Files() {
    const std::string tool =
        "/usr/bin/python3 " + sourcePath("tools/ephemeris/make_jpl_ephemeris.py");
    native = dir.file("DE438.eph");
    swapped = dir.file("swapped.eph");
    const char* other = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? "big" : "little";
    ok = std::system((tool + " " + native).c_str()) == 0 &&
         std::system((tool + " " + swapped + " --byte-order " + other).c_str()) == 0;
  }
  // The folder with a final "/", as the chart's ephemeris directory.
  std::string directory() const { return dir.path().string() + "/"; }
  tessaly::test::TempDir dir;
  std::string native, swapped;
  bool ok = false;
};

inline const Files& files() {
  static Files f;
  return f;
}

}  // namespace de405
