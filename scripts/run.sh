#!/usr/bin/env bash
# The program's main job: set-up, build, build the data bundle, then start
# Tessaly. Until the application exists it reports what was built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh --data
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The data bundle is rebuilt only when something it is made from changed
# (the data steps, the tools and their sources, the published tables, an
# element file named in TESSALY_ELEMENTS); the steps' report goes to a log
# that is shown only when a step fails, so a start prints little besides the
# program's own lines.
shopt -s nullglob
bundle=${TESSALY_BUNDLE:-build/release/app}
stamp=$bundle/.data-stamp

# The build puts the bundle's own files (links to resources/, the sounds,
# the interface images) into its own bundle only; a bundle elsewhere gets
# those it lacks from there, so that the command a damaged bundle names
# restores its shaders too. Nothing it holds is replaced.
if [ "$(realpath -m "$bundle")" != "$root/build/release/app" ]; then
  mkdir -p "$bundle"
  for entry in build/release/app/*; do
    case ${entry##*/} in CMakeFiles | *.cmake | tessaly | *.so) continue ;; esac
    cp -R -L -n "$entry" "$bundle/"
  done
fi
sum=$( { find scripts/data.d tools data/published -type f -print0 | sort -z | xargs -0 cat
         cat build/release/tools/catalogues/tessaly-catalogues
         echo "${TESSALY_ELEMENTS:-}"; [ -f "${TESSALY_ELEMENTS:-}" ] && cat "$TESSALY_ELEMENTS"
         true; } | sha256sum | cut -d' ' -f1)
if [ "$(cat "$stamp" 2>/dev/null)" != "$sum" ]; then
  echo "Building the data bundle (catalogues, borders, pictures, ephemeris)..."
  log=build/release/data-bundle.log
  : > "$log"
  for step in scripts/data.d/*.sh; do
    if ! bash "$step" build/release >>"$log" 2>&1; then
      tail -n 20 "$log" >&2
      echo "run: the data step $step failed (whole report: $log)" >&2
      exit 1
    fi
  done
  echo "$sum" > "$stamp"
fi

if [ -x build/release/app/tessaly ]; then
  exec build/release/app/tessaly "$@"
fi
# Until the application exists: the interface check program, in a window
# when there is a display, else headless with its own touch script.
check=build/release/platform/host/tessaly-host-check
if [ -x "$check" ]; then
  TESSALY_BUNDLE=${TESSALY_BUNDLE:-$root/resources} exec "$check" "$@"
fi
echo "Built:"
find build/release -maxdepth 3 -type f \( -name '*.a' -o -perm -u+x \) \
  ! -path '*/CMakeFiles/*' | sort | sed 's|^build/release/|  |'
