#!/usr/bin/env bash
# Installs every Debian 12 package Tavrin needs to build, test and run. Safe to run again.
set -euo pipefail
PKGS=(
  build-essential g++ cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libqt6sql6-sqlite libqt6svg6-dev qt6-svg-dev libgl-dev
  libsqlite3-dev sqlite3
  libxlsxwriter-dev libfreexl-dev libzip-dev libpugixml-dev
  libsodium-dev libcli11-dev nlohmann-json3-dev libfmt-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-noto-cjk xvfb xauth xdg-utils python3
  libreoffice-calc python3-uno poppler-utils
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
