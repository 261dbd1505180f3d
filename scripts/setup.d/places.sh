#!/usr/bin/env bash
# The UTF-8 time locales the language index selects, so that month and
# weekday names follow the language. Idempotent and quick once they exist.
set -euo pipefail

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
