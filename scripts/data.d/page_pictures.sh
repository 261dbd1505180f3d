#!/usr/bin/env bash
# data.d/page_pictures.sh BUILD_DIR
# The pictures that the description and help pages link, as JPEG files in
# the bundle's SkyInfo/images: the folder of the executable (BUILD_DIR/app)
# unless TESSALY_BUNDLE names another. The program makes them from the
# bundle the steps before built (so this step comes after them):
# - each help topic's view as the headless program shows it, playing
#   tools/page_pictures/help_views.txt in a fresh home whose settings pin
#   the moment and the place: 2018 Jan 24 02:34:47 UTC over Los Angeles,
#   as the ISS crosses the evening sky in sunlight, days after the epoch
#   of the bundled elements (gpredict's, January 2018);
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
images=$bundle/SkyInfo/images
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/help-home/Documents" "$work/model-home" "$work/images"

cat > "$work/help-home/Documents/CurrentSettings" <<'SETTINGS'
PellorinSettingsVersion=1.0
JulianDate=2458142.6075
RealTime=0
SETTINGS
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER TESSALY_BUNDLE="$bundle" \
  TESSALY_HOME="$work/help-home" TESSALY_LOCATION=34.05,-118.24,90 TZ=America/Los_Angeles \
  TESSALY_TOUCH_SCRIPT="$root/tools/page_pictures/help_views.txt" TESSALY_SNAPSHOTS="$work/snapshots" \
  "$program" > /dev/null
for snapshot in "$work/snapshots"/*.png; do
  "$tool" jpeg "$snapshot" "$work/images/$(basename "$snapshot" .png).jpg"
done

TESSALY_BUNDLE="$bundle" TESSALY_HOME="$work/model-home" \
  "$tool" close-up 25544 109 1516482360 "$work/images/ISS.jpg" > /dev/null

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
