#!/usr/bin/env bash
# Installs what is missing, configures and builds the whole project (program folder included).
# BUILD (folder, default build) and JOBS (default 2) may be set in the environment.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/install-deps.sh
cmake -S . -B "${BUILD:-build}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "${BUILD:-build}" -j"${JOBS:-2}"
