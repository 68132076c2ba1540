#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# Usage: scripts/test.sh [default|asan|tsan]   (CMake preset; default: default)
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-default}
bash scripts/ensure-packages.sh

# Rebuilds of an unchanged tree (CI on a developer's machine, a second clone) come from the
# compiler cache when there is one.
if command -v ccache >/dev/null 2>&1 && [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi

cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" -j"$(nproc)"
