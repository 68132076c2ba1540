#!/usr/bin/env bash
# Measures the viewer's CPU share while it polls va48sim at 1 s, 500 ms and 200 ms with the
# settings window, the overload history and the trend window open (tools/poll_cpu.cpp), under a
# virtual X display so that every window really paints.
# Usage: scripts/poll-cpu.sh [SECONDS_PER_PERIOD [settings-only]]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh xvfb xauth
cmake --preset default >/dev/null
cmake --build --preset default --target poll_cpu va48sim
LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1600x1000x24" build/default/tools/poll_cpu "${1:-30}" ${2:+"$2"}
