#!/usr/bin/env bash
# A packager's build: plain CMake without a preset (so warnings do not fail it), then every test.
# Usage: scripts/plain-build.sh [build type] [CMake option ...]   (default: Release)
#   scripts/plain-build.sh Debug -DCMAKE_CXX_COMPILER=clang++
# Builds into build/plain-<build type>.
set -euo pipefail
cd "$(dirname "$0")/.."

build_type=${1:-Release}
shift || true
dir=build/plain-${build_type,,}
bash scripts/ensure-packages.sh

if command -v ccache >/dev/null 2>&1 && [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" "$@"
cmake --build "$dir"
ctest --test-dir "$dir" --output-on-failure --timeout 600 -j"$(nproc)"
