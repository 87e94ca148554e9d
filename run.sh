#!/usr/bin/env bash
# Installs what is missing, builds, lays out the program folder with the sample data and
# starts Quarnaro. Needs only bash, git and ca-certificates on Debian 12 (root or sudo).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
bash scripts/build.sh
exec "${BUILD:-build}/program/quarnaro" "$@"
