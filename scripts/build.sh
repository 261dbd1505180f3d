#!/usr/bin/env bash
# build.sh <build-dir> [cmake options...] [-- targets...]: configures and
# builds everything, or only the named targets. TESSALY_JOBS limits the
# parallel jobs (default: one per processor).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=$1; shift
options=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
[ "${1:-}" = -- ] && shift
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/tessaly-ccache}
export CCACHE_BASEDIR=$root
export CCACHE_NOHASHDIR=1
cmake -S "$root" -B "$dir" -G Ninja -DTESSALY_WERROR=ON "${options[@]}" >/dev/null
cmake --build "$dir" --parallel "${TESSALY_JOBS:-$(nproc)}" "${targets[@]}"
