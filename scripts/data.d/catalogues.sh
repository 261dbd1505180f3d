#!/usr/bin/env bash
# data.d/catalogues.sh BUILD_DIR
# Builds the bundle's catalogues and world borders from the public data that
# `setup.sh --data` installed, into the bundle folder: the folder of the
# executable (BUILD_DIR/app) unless TESSALY_BUNDLE names another. Every
# output is replaced only when it was built completely.
#
# TESSALY_ELEMENTS names a two-line element file whose satellites replace
# the element sets that come with gpredict (categories are kept for the
# satellites gpredict's groups know; the others are "User Defined").
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?usage: catalogues.sh BUILD_DIR}" && pwd)
bundle=${TESSALY_BUNDLE:-$build/app}
tool=$build/tools/catalogues/tessaly-catalogues
# A named element file is checked before anything is extracted or built:
# one without sets, or with a damaged set, stops the step with its file and
# line, and every output stays as it was.
if [ -n "${TESSALY_ELEMENTS:-}" ]; then
  "$tool" elements "$TESSALY_ELEMENTS"
fi
scripts=$root/tools/catalogues
published=$root/data/published
deps=$root/.deps/catalogues/node_modules
d3=$deps/d3-celestial/data
stellarium=/usr/share/stellarium
kstars=/usr/share/kstars
work=$build/catalogue-sources
mkdir -p "$work" "$bundle/SkyData" "$bundle/WorldBorders"

# The extractions read separate sources and write separate lists.
source "$root/scripts/jobs.sh"
later python3 "$scripts/extract_borders.py" "$deps/world-atlas/countries-50m.json" \
  /usr/share/iso-codes/json/iso_3166-1.json "$work/borders.list"
later python3 "$scripts/extract_stars.py" "$kstars/stars.dat" "$d3/stars.14.json" \
  "$d3/starnames.json" "$stellarium/stars/default" /usr/share/xplanet/stars/BSC \
  "$work/stars.list"
later python3 "$scripts/extract_deep_sky.py" "$kstars/OpenNGC.kscat" "$d3/dsos.14.json" \
  "$stellarium/nebulae/default" "$work/deepsky.list"
later python3 "$scripts/extract_constellations.py" "$d3/constellations.bounds.json" \
  "$work/boundaries.list"
later python3 "$scripts/extract_solar_system.py" "$kstars/asteroids.dat" "$kstars/cometels.json.gz" \
  "$stellarium/data/nomenclature.dat" "$work/solarsystem.list"
later python3 "$scripts/extract_satellites.py" /usr/share/gpredict/data/satdata \
  "$work/satellites.tle" "$work/satellite-groups.list"

wait_for_later

"$tool" borders "$work/borders.list" "$bundle/WorldBorders/TM_WORLD_BORDERS_SIMPL"
"$tool" stars "$work/stars.list" "$published/stars_tycho.csv.gz" "$bundle/SkyData"
cp "$published/TychoStars-LICENSE.txt" "$bundle/SkyData/TychoStars-LICENSE.txt"
"$tool" deepsky "$work/deepsky.list" "$bundle/SkyData/DeepSky.skydata"
"$tool" constellations "$work/boundaries.list" "$work/stars.list" \
  "$published/meteor_showers.txt" "$bundle/SkyData/Constellations.skydata"
"$tool" solar-system "$work/solarsystem.list" "${TESSALY_ELEMENTS:-$work/satellites.tle}" \
  "$work/satellite-groups.list" "$published/satellite_magnitudes.txt" \
  "$bundle/SkyData/SolarSystem.skydata"
