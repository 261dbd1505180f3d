#!/usr/bin/env bash
# frame_ab.sh <old-tree> [benchmark options...]: the frame benchmark of an
# older tree against this one in one process. Builds the frame scenes as a
# module against each tree's libraries (build/frame-module/old and new,
# position independent, RelWithDebInfo) and the driver, then runs
# gles_frame_ab_bench with both loaded; options go to Google Benchmark
# (e.g. --benchmark_filter=sky). TESSALY_JOBS limits the build jobs.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
old=$(cd "$1" && pwd); shift
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/tessaly-ccache}
export CCACHE_NOHASHDIR=1
jobs=${TESSALY_JOBS:-$(nproc)}
module() {
  local tree=$1 dir=$root/build/frame-module/$2
  cmake -S "$root/bench/gles/frame_module" -B "$dir" -G Ninja -DTESSALY_TREE="$tree" >/dev/null
  CCACHE_BASEDIR=$tree cmake --build "$dir" --parallel "$jobs" >&2
}
module "$old" old
module "$root" new
bash "$root/scripts/build.sh" "$root/build/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo -- gles_frame_ab_bench >&2
echo "load before the run: $(uptime)"
TESSALY_FRAME_OLD=$root/build/frame-module/old/libtessaly_frame_module.so \
TESSALY_FRAME_NEW=$root/build/frame-module/new/libtessaly_frame_module.so \
  "$root/build/release/bench/gles/gles_frame_ab_bench" "$@"
echo "load after the run: $(uptime)"
