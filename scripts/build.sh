#!/usr/bin/env bash
# build.sh <build-dir> [cmake options...]: configures (once) and builds.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=$1; shift
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/tessaly-ccache}
export CCACHE_BASEDIR=$root
export CCACHE_NOHASHDIR=1
cmake -S "$root" -B "$dir" -G Ninja -DTESSALY_WERROR=ON "$@" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
