#!/usr/bin/env bash
# Installs clang and libFuzzer when missing, builds the fuzz targets ("fuzz" preset) and runs each
# for the given time. A target that finds a fault stops with its reproducer under build/fuzz/.
# Usage: scripts/fuzz.sh [seconds per target] [target ...]   (default: 30 s, every target)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(reply_fuzz key_filter_fuzz ring_fuzz settings_file_fuzz lan_address_fuzz)

# libclang-rt-dev holds libFuzzer (libclang_rt.fuzzer) for the distribution's clang.
bash scripts/ensure-packages.sh clang libclang-rt-dev

# Rebuilds of an unchanged tree (CI on a developer's machine, a second clone) come from the
# compiler cache when there is one.
if command -v ccache >/dev/null 2>&1 && [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"

status=0
for target in "${targets[@]}"; do
    mkdir -p "build/fuzz/corpus/$target"
    log=build/fuzz/$target.log
    echo "== $target: ${seconds} s"
    if (cd build/fuzz && "fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$target-" "corpus/$target") >"$log" 2>&1; then
        grep -E '^(Done|stat::number_of_executed_units)' "$log" || true
    else
        tail -n 40 "$log"
        echo "$target found a fault (reproducer and log under build/fuzz/)"
        status=1
    fi
done
exit "$status"
