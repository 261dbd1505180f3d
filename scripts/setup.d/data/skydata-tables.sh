#!/usr/bin/env bash
# Set-up for the constellation table generator (tools/skydata/): the npm
# package that carries constellation names in five languages. Only needed to
# regenerate the committed tables, so a failure is reported, not fatal.
# Idempotent and quick once the package is there.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)

deps=$root/.deps/skydata-tables
want=(d3-celestial@0.7.35)
if [ ! -f "$deps/node_modules/d3-celestial/package.json" ]; then
  if command -v npm >/dev/null; then
    echo "setup: installing ${want[*]} into .deps/skydata-tables"
    npm install --silent --no-audit --no-fund --ignore-scripts --prefix "$deps" "${want[@]}" >/dev/null || \
      echo "setup: npm install failed; the constellation tables cannot be regenerated" >&2
  else
    echo "setup: npm missing; the constellation tables cannot be regenerated" >&2
  fi
fi
