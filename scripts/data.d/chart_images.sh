#!/usr/bin/env bash
# data.d/chart_images.sh BUILD_DIR
# The chart's pictures, maps and models from public data (stellarium-data,
# xplanet-images; `setup.sh --data` installs them), into the bundle's
# SkyImages folder: the folder of the executable (BUILD_DIR/app) unless
# TESSALY_BUNDLE names another. One section per kind; each builds into a
# scratch folder and replaces its output only when it was built completely.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?usage: chart_images.sh BUILD_DIR}" && pwd)
bundle=${TESSALY_BUNDLE:-$build/app}
images=$bundle/SkyImages
tools=$root/tools/chart
stellarium=/usr/share/stellarium
xplanet=/usr/share/xplanet/images
python=/usr/bin/python3
mkdir -p "$images"

# replace FOLDER COMMAND...: runs COMMAND with a scratch folder as its last
# argument, then puts that folder in the place of FOLDER.
replace() {
  local target=$1; shift
  rm -rf "$target.new" "$target.old"
  mkdir -p "$target.new"
  "$@" "$target.new"
  [ -d "$target" ] && mv "$target" "$target.old"
  mv "$target.new" "$target"
  rm -rf "$target.old"
}

# Solar system: surface maps at every level, the lunar tiles, the ring
# textures of Saturn and Uranus, and their Index.txt.
# The picture sets are independent of each other.
source "$root/scripts/jobs.sh"

later replace "$images/SolarSystem" "$python" "$tools/make_planet_maps.py" \
  "$stellarium/textures" "$xplanet"

# 3-D models of small moons, asteroids and spacecraft.
later replace "$images/Models" "$python" "$tools/make_models.py" "$stellarium/models"

# Deep-sky photographs in six picture sets by scale, with their Index.txt.
later replace "$images/DeepSky" "$python" "$tools/make_deep_sky_images.py" \
  "$stellarium/nebulae/default"

# The Milky Way's pictures: visible light (style 3) reprojected into
# galactic coordinates, and the band filled within the chart's outline
# (style 2). Styles 4 to 12 have no packaged source and are not made.
later replace "$images/MilkyWay" "$python" "$tools/make_milky_way_images.py" \
  "$stellarium/textures/milkyway.png" "$root/chart/milky_way_outline_table.cpp"

# Constellation illustrations and their index; the Bright Star numbers of
# their reference stars come from the star list the catalogue step wrote.
stars_list=$build/catalogue-sources/stars.list
[ -f "$stars_list" ] || { echo "chart_images.sh: run catalogues.sh first ($stars_list)" >&2; exit 1; }
later replace "$images/Constellations" "$python" "$tools/make_constellation_images.py" \
  "$stellarium/skycultures/western" "$stars_list" "$root/skydata/constellation_table.cpp"

# The horizon panorama, under its own name and under the name the sky
# view asks for when the realistic horizon is on (one file, two links).
horizons() {
  "$python" "$tools/make_horizon_panorama.py" "$stellarium/landscapes/grossmugl" Grossmugl "$1"
  ln "$1/Grossmugl.png" "$1/Beaver Lake.png"
}
later replace "$images/Horizons" horizons
wait_for_later
