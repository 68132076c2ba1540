#!/usr/bin/env bash
# Cross-compiles the core, va48sim and their test suites for Windows with mingw-w64 and runs the
# suites under wine, in a wine prefix of their own under build/. The serial suite talks through
# a wine COM port to a (Linux) va48sim serving a pseudo-terminal.
# Usage: scripts/windows-test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/ensure-packages.sh g++-mingw-w64-x86-64-posix wine64 googletest

if command -v ccache >/dev/null 2>&1 && [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi

cmake --preset mingw
cmake --build --preset mingw

# The native simulator for the COM port.
if [ ! -x build/default/sim/va48sim ]; then
    cmake --preset default >/dev/null
    cmake --build --preset default --target va48sim
fi

wine=/usr/lib/wine/wine64
export WINEPREFIX=$PWD/build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the wine prefix $WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1
    /usr/lib/wine/wineserver -w # the prefix's own start-up programs end first
fi
# One server for the whole run instead of one per test process; it ends 60 s after the last.
/usr/lib/wine/wineserver -p60 2>/dev/null || true # one may be running already

# Wine opens COM9 as the pseudo-terminal the symbolic link names.
coproc SIM { exec build/default/sim/va48sim --pty --exit-on-stdin-eof 2>/dev/null; }
sim_pid=$SIM_PID # bash unsets SIM_PID once the simulator has ended
if read -r -t 10 listening <&"${SIM[0]}" && [[ $listening == "listening pty "* ]]; then
    ln -sfn "${listening#listening pty }" "$WINEPREFIX/dosdevices/com9"
    export VA48_TEST_COM_PORT=COM9
else
    echo "warning: va48sim --pty did not start; the COM port test will be skipped" >&2
fi

status=0
# Now and then the wine server drops a client while many start at once ("wine client error:
# recvmsg"), which fails a test that never ran; such a test gets a second run. A test that really
# fails, fails both.
ctest --preset mingw -j"$(nproc)" --repeat until-pass:2 2>&1 | tee build/mingw/ctest.log ||
    status=$?

if [[ -n ${SIM[1]:-} ]]; then
    eval "exec ${SIM[1]}>&-" # the simulator ends at the end of its stdin
fi
wait "$sim_pid" 2>/dev/null || true
rm -f "$WINEPREFIX/dosdevices/com9"

# ctest's summary once more as a plain count.
if summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' build/mingw/ctest.log); then
    failed=$(sed -E 's/.* ([0-9]+) tests failed out of.*/\1/' <<<"$summary")
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
    echo "windows: $((total - failed)) passed, $failed failed"
fi
exit "$status"
