#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the sample data need,
# then the npm package of the sample geography. Works on a bare Debian 12 (bash, git and
# ca-certificates only), as root or through sudo. Safe to run again: what is present is skipped.
#   --dry-run   prints what would be installed and how, and changes nothing
set -euo pipefail

PACKAGES=(
  make build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-svg-dev qt6-charts-dev libqt6opengl6-dev libgl-dev libglx-dev libopengl-dev
  libsqlite3-dev libshp-dev libpugixml-dev libturbojpeg0-dev libzip-dev libxlsxwriter-dev
  mdbtools mdbtools-dev libglib2.0-dev libgeos-dev libgsf-1-dev libgdal-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-xlrd python3-openpyxl poppler-utils librsvg2-bin
  xvfb xauth fonts-dejavu-core ca-certificates
  dpkg-dev file desktop-file-utils appstream groff-base
  clang libclang-rt-14-dev
  nodejs npm
)

dry_run=0
[ "${1:-}" = "--dry-run" ] && dry_run=1

# Root installs directly; anyone else through sudo, which must then be there.
SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "Per installare i pacchetti mancanti servono i permessi di root: eseguire come root oppure installare sudo." >&2
    need_sudo=1
  fi
  SUDO=(sudo)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# node and npm may come from elsewhere on a developer machine; only ask apt when absent.
if command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1; then
  filtered=()
  for p in "${missing[@]+"${missing[@]}"}"; do [ "$p" = nodejs ] || [ "$p" = npm ] || filtered+=("$p"); done
  missing=("${filtered[@]+"${filtered[@]}"}")
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installo i pacchetti mancanti: ${missing[*]}"
  if [ "$dry_run" -eq 1 ]; then
    echo "${SUDO[*]+${SUDO[*]} }apt-get install -y --no-install-recommends ${missing[*]}"
  else
    [ -z "${need_sudo:-}" ] || exit 1
    export DEBIAN_FRONTEND=noninteractive
    "${SUDO[@]+"${SUDO[@]}"}" apt-get update -qq
    "${SUDO[@]+"${SUDO[@]}"}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
fi

# Region outlines for the sample geography (CC BY 4.0), kept inside the project tree.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ ! -f "$here/tools/geodata/node_modules/@svg-maps/italy/index.js" ]; then
  if [ "$dry_run" -eq 1 ]; then
    echo "npm install in tools/geodata"
  else
    log="$(mktemp)"
    if ! (cd "$here/tools/geodata" && npm install --no-audit --no-fund) >"$log" 2>&1; then
      echo "npm install in tools/geodata non riuscito; il motivo:" >&2
      cat "$log" >&2
      rm -f "$log"
      exit 1
    fi
    rm -f "$log"
  fi
fi
