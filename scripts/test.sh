#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# Usage: scripts/test.sh [default|asan|tsan]   (CMake preset; default: default)
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-default}
bash scripts/ensure-packages.sh

cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" -j"$(nproc)"
