#!/usr/bin/env bash
# The program's main job: set-up, build, build the data bundle, then start
# Tessaly. Until the application exists it reports what was built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh --data
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The data steps' reports go to a log: a start shows the program's own
# few lines, and a failing step shows the end of its report.
shopt -s nullglob
log=build/release/data-steps.log
: > "$log"
for step in scripts/data.d/*.sh; do
  if ! bash "$step" build/release >> "$log" 2>&1; then
    tail -n 20 "$log" >&2
    echo "$step failed; its whole report is in $log" >&2
    exit 1
  fi
done

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
