#!/usr/bin/env bash
# The npm data packages the catalogue tool reads: Natural Earth country
# borders (world-atlas) and star, deep-sky and constellation lists
# (d3-celestial). Idempotent; quick once they are there.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)

deps=$root/.deps/catalogues
want=(world-atlas@2.0.2 d3-celestial@0.7.35)
if [ ! -f "$deps/node_modules/world-atlas/package.json" ] || \
   [ ! -f "$deps/node_modules/d3-celestial/package.json" ]; then
  if command -v npm >/dev/null; then
    echo "setup: installing ${want[*]} into .deps/catalogues"
    npm install --silent --no-audit --no-fund --prefix "$deps" "${want[@]}" >/dev/null
  else
    echo "setup: npm missing; the catalogues cannot be built" >&2
    exit 1
  fi
fi
