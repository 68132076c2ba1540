#!/usr/bin/env bash
# Builds the Release configuration into build/package (installing under /usr) and makes the
# Debian package with CPack; the last line is the .deb's path. Install it with
#   apt-get install ./build/package/va48-viewer_<version>_<arch>.deb
# Usage: scripts/package.sh [CMake option ...]
set -euo pipefail
cd "$(dirname "$0")/.."

# dpkg-dev brings dpkg-shlibdeps, which names the package's runtime dependencies.
bash scripts/ensure-packages.sh dpkg-dev

if command -v ccache >/dev/null 2>&1 && [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi

dir=build/package
# Only the installed programs are built: the tests run in CI's plain release build.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DVA48_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "$@"
cmake --build "$dir" --target VA-48Viewer va48sim va48ctl
rm -f "$dir"/va48-viewer_*.deb
(cd "$dir" && cpack -G DEB)
ls "$PWD/$dir"/va48-viewer_*.deb
