#!/usr/bin/env bash
# data.d/catalogues.sh BUILD_DIR
# Builds the bundle's catalogues and world borders from the public data that
# `setup.sh --data` installed, into the bundle folder: the folder of the
# executable (BUILD_DIR/app) unless TESSALY_BUNDLE names another. Outputs are
# replaced only when they were built completely.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?usage: catalogues.sh BUILD_DIR}" && pwd)
bundle=${TESSALY_BUNDLE:-$build/app}
tool=$build/tools/catalogues/tessaly-catalogues
scripts=$root/tools/catalogues
deps=$root/.deps/catalogues/node_modules
work=$build/catalogue-sources
mkdir -p "$work" "$bundle/SkyData" "$bundle/WorldBorders"

python3 "$scripts/extract_borders.py" "$deps/world-atlas/countries-50m.json" \
  /usr/share/iso-codes/json/iso_3166-1.json "$work/borders.list"
"$tool" borders "$work/borders.list" "$bundle/WorldBorders/TM_WORLD_BORDERS_SIMPL"

d3=$deps/d3-celestial/data
python3 "$scripts/extract_stars.py" /usr/share/kstars/stars.dat "$d3/stars.14.json" \
  "$d3/starnames.json" /usr/share/stellarium/stars/default "$work/stars.list"
python3 "$scripts/extract_deep_sky.py" /usr/share/kstars/OpenNGC.kscat "$d3/dsos.14.json" \
  /usr/share/stellarium/nebulae/default "$work/deepsky.list"
# TESSALY_ELEMENTS names a two-line element file to use instead of the
# element sets that come with gpredict.
python3 "$scripts/extract_satellites.py" /usr/share/gpredict/data/satdata \
  "$work/satellites.tle" "$work/satellite-groups.list"
"$tool" elements "${TESSALY_ELEMENTS:-$work/satellites.tle}"
