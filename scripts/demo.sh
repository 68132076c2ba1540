#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated amplifier on 127.0.0.1:2255 and the
# viewer beside it. The first run writes a settings file that points the viewer's LAN link at the
# simulator (an existing one is kept). Extra arguments go to va48sim, e.g. --layout SSSSVVVV00000000.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<'TXT'
No display is available, so the viewer has nowhere to show its windows.
  - On a desktop: run this command from a terminal inside your graphical session.
  - Over SSH: connect with X forwarding (ssh -X) and run it again.
  - Headless: install xvfb and run it under a virtual display:
        xvfb-run -a scripts/demo.sh
    (nothing is visible then; take a screenshot with `import -window root shot.png`).
TXT
    exit 1
fi

bash scripts/ensure-packages.sh
cmake --preset default
cmake --build --preset default --target VA-48Viewer va48sim

bin=build/default/app
settings="$bin/VA-48Viewer.ini"
if [ ! -f "$settings" ]; then
    printf '[LAN]\r\nIPAddress=127.0.0.1\r\nPortNo=2255\r\n' > "$settings"
    echo "Wrote $settings: the LAN link goes to the simulator on 127.0.0.1:2255."
fi

build/default/sim/va48sim --port 2255 "$@" &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null' EXIT
sleep 0.3
if ! kill -0 "$sim" 2>/dev/null; then
    echo "error: va48sim did not start (is port 2255 in use?)" >&2
    exit 1
fi
echo "Simulated amplifier on 127.0.0.1:2255. Press LAN in the viewer to connect."
"$bin/VA-48Viewer"
