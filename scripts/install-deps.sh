#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the sample data need.
# Safe to run again: packages already present are skipped quickly.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-svg-dev libgl-dev libglx-dev libopengl-dev
  libsqlite3-dev libshp-dev libpugixml-dev libturbojpeg0-dev libzip-dev libxlsxwriter-dev
  mdbtools mdbtools-dev libglib2.0-dev libgeos-dev libgsf-1-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-xlrd python3-openpyxl poppler-utils librsvg2-bin
  xvfb xauth fonts-dejavu-core
  clang libclang-rt-14-dev
  nodejs npm
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# node and npm may come from elsewhere on a developer machine; only ask apt when absent.
if command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1; then
  filtered=()
  for p in "${missing[@]}"; do [ "$p" = nodejs ] || [ "$p" = npm ] || filtered+=("$p"); done
  missing=("${filtered[@]+"${filtered[@]}"}")
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installo i pacchetti mancanti: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Region outlines for the sample geography (CC BY 4.0), kept inside the project tree.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ ! -f "$here/tools/geodata/node_modules/@svg-maps/italy/index.js" ]; then
  (cd "$here/tools/geodata" && npm install --no-audit --no-fund --silent)
fi
