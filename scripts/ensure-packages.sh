#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
# Runs apt-get as root, or through sudo when not root. Usage: ensure-packages.sh [extra-package ...]
set -euo pipefail

# Build and tests: the compiler and CMake with Ninja, GoogleTest and Google Benchmark, Qt 6 Widgets
# (its offscreen platform runs the window tests), Qt's own translations (the file dialog and the
# standard buttons in the Japanese windows), and the CJK fonts the Japanese windows need.
# The trend window draws with Qt Charts, whose CMake package needs the OpenGL module's. The setup file reads and writes JSON with nlohmann-json; va48ctl parses its command line with CLI11.
packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-qpa-plugins qt6-translations-l10n fonts-noto-cjk
          nlohmann-json3-dev libcli11-dev "$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "error: packages ${missing[*]} are missing and neither root nor sudo is available." >&2
    echo "Install them with your package manager, then run this command again." >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
