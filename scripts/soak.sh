#!/usr/bin/env bash
# Soak run: the command session without windows polls va48sim over LAN while the simulator's
# run-time control switches faults at random (delay, split, stray bytes, NAK, silence, close);
# after every failure it reconnects, as a user sent back to the connection menu would. Prints the
# polls, the reconnects, the failures by the message the user would see, and the resident memory
# at the start and the end. Not a test: run it by hand before a release.
# Usage: scripts/soak.sh [seconds] [va48soak options ...]
#   default 600 s; options: --poll-ms (1000) --timeout-ms (2000) --seed (1)
#   --min-fault-ms (2000) --max-fault-ms (10000)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
shift || true

bash scripts/ensure-packages.sh libcli11-dev
cmake -S . -B build/soak -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVA48_GUI=OFF >/dev/null
cmake --build build/soak --target va48soak va48sim
build/soak/bench/va48soak --seconds "$seconds" "$@"
