#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless. Needs only bash, git and
# ca-certificates on Debian 12 (root or sudo).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
bash scripts/build.sh
cd "${BUILD:-build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"${JOBS:-2}"
