#!/usr/bin/env bash
# The whole test suite: set-up, an optimised build and its tests, then the
# same suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh

jobs=$(nproc)
run_suite() {
  local dir=$1
  (cd "$dir" && ctest --output-on-failure --no-tests=error --parallel "$jobs")
}

echo "== build (RelWithDebInfo)"
bash scripts/build.sh build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== tests (RelWithDebInfo)"
run_suite build/release

echo "== build (AddressSanitizer + UndefinedBehaviorSanitizer)"
bash scripts/build.sh build/sanitize -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=ON \
  -DTESSALY_BUILD_BENCH=OFF
echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build/sanitize
