#!/usr/bin/env bash
# data.d/page_pictures.sh BUILD_DIR
# The pictures that the description and help pages link, as JPEG files in
# the bundle's SkyInfo/images: the folder of the executable (BUILD_DIR/app)
# unless TESSALY_BUNDLE names another. The program makes them from the
# bundle the steps before built (so this step comes after them), at a
# moment and place pinned in a fresh home's settings: 2018 Jan 24 02:34:47
# UTC over Los Angeles, as the ISS crosses the evening sky in sunlight,
# days after the epoch of the bundled elements (gpredict's, January 2018):
# - each help topic's view as the headless program shows it, playing
#   tools/page_pictures/help_views.txt;
# - a batch of Starlink satellites shortly after launch in the sky view,
#   from made-up elements (tools/page_pictures/make_batch_elements.py; no
#   packaged set holds one), playing tools/page_pictures/batch_view.txt on
#   a copy of the bundle whose satellites are the batch;
# - the ISS from its 3-D model in the satellite view, in sunlight over
#   South America (2018 Jan 20 21:06 UTC), as the published 109 m across.
# Every picture a page links must have been made; otherwise the step fails
# and the old pictures stay.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?usage: page_pictures.sh BUILD_DIR}" && pwd)
bundle=${TESSALY_BUNDLE:-$build/app}
program=$build/app/tessaly
tool=$build/tools/page_pictures/tessaly-page-pictures
scripts=$root/tools/page_pictures
gpredict_elements=$build/catalogue-sources/satellites.tle
images=$bundle/SkyInfo/images
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/images"
[ -f "$gpredict_elements" ] || { echo "page_pictures.sh: run catalogues.sh first ($gpredict_elements)" >&2; exit 1; }

# headless BUNDLE SCRIPT [SETTING...]: the program without a display in a
# fresh home, at the pinned moment and place with the settings given
# (KEY=VALUE lines of its settings file); its snapshots become pictures.
headless() {
  local run_bundle=$1 script=$2 home
  shift 2
  home=$(mktemp -d -p "$work")
  mkdir -p "$home/Documents"
  printf '%s\n' PellorinSettingsVersion=1.0 JulianDate=2458142.6075 RealTime=0 "$@" \
    > "$home/Documents/CurrentSettings"
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER TESSALY_BUNDLE="$run_bundle" TESSALY_HOME="$home" \
    TESSALY_LOCATION=34.05,-118.24,90 TZ=America/Los_Angeles TESSALY_TOUCH_SCRIPT="$script" \
    TESSALY_SNAPSHOTS="$home/snapshots" "$program" > /dev/null
  local snapshot
  for snapshot in "$home/snapshots"/*.png; do
    "$tool" jpeg "$snapshot" "$work/images/$(basename "$snapshot" .png).jpg"
  done
}

headless "$bundle" "$scripts/help_views.txt"

# The bundle with the batch as its only satellites: everything else linked.
batch=$work/batch-bundle
mkdir -p "$batch/SkyData"
for entry in "$bundle"/*; do
  [ "$(basename "$entry")" = SkyData ] || ln -s "$entry" "$batch/"
done
for entry in "$bundle"/SkyData/*; do
  [ "$(basename "$entry")" = SolarSystem.skydata ] || ln -s "$entry" "$batch/SkyData/"
done
/usr/bin/python3 "$scripts/make_batch_elements.py" "$gpredict_elements" "$work/batch.tle"
"$build/tools/catalogues/tessaly-catalogues" solar-system "$build/catalogue-sources/solarsystem.list" \
  "$work/batch.tle" - - "$batch/SkyData/SolarSystem.skydata" > /dev/null
headless "$batch" "$scripts/batch_view.txt" DisplayFOVSky=70

TESSALY_BUNDLE="$bundle" "$tool" close-up 25544 109 1516482360 "$work/images/ISS.jpg" > /dev/null

missing=0
for picture in $(grep -rhoE '(href|src)="[^"]*images/[^"]+\.jpg"' "$root/resources/SkyInfo" "$root/resources/Help" |
                 sed -E 's|.*images/([^"]+)"|\1|' | sort -u); do
  if [ ! -s "$work/images/$picture" ]; then
    echo "page_pictures.sh: a page links images/$picture, which was not made" >&2
    missing=1
  fi
done
[ "$missing" = 0 ]
rm -rf "$images.old"
[ -d "$images" ] && mv "$images" "$images.old"
mv "$work/images" "$images"
rm -rf "$images.old"
echo "$(ls "$images" | wc -l) page pictures in $images"
