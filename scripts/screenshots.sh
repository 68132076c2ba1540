#!/usr/bin/env bash
# Pictures the real windows (connection menu, settings window with live levels, version dialog)
# in English and in Japanese under a virtual X display, into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh xvfb xauth
cmake --preset default >/dev/null
cmake --build --preset default --target screenshot_tour va48sim
mkdir -p docs/screenshots
for lang in C.UTF-8 ja_JP.UTF-8; do
    language=$([ "$lang" = ja_JP.UTF-8 ] && echo ja || echo "")
    LC_ALL=$lang LANG=$lang LANGUAGE=$language QT_QPA_PLATFORM=xcb \
        xvfb-run -a -s "-screen 0 1600x1000x24" build/default/tools/screenshot_tour docs/screenshots
done
