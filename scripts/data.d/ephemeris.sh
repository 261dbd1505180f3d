#!/usr/bin/env bash
# data.d/ephemeris.sh BUILD_DIR
# Writes JPL's DE405 (Debian casacore-data-jpl-de405: 1960-2060) in JPL's
# binary ephemeris layout as the bundle's SkyData/JPL/DE438.eph, the one
# ephemeris name the engine opens; the file's header says DE 405. The
# bundle folder is BUILD_DIR/app unless TESSALY_BUNDLE names another. The
# converter writes a temporary file and renames it when complete.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?usage: ephemeris.sh BUILD_DIR}" && pwd)
bundle=${TESSALY_BUNDLE:-$build/app}
mkdir -p "$bundle/SkyData/JPL"
/usr/bin/python3 "$root/tools/ephemeris/make_jpl_ephemeris.py" "$bundle/SkyData/JPL/DE438.eph"
