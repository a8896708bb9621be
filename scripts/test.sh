#!/usr/bin/env bash
# Installs what is missing, builds the firmware and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# The compiler cache (the build uses it when installed) is shared by every clone on this
# machine: paths under the source top are taken relative to it and the build folder is
# left out of the key, so a fresh clone in another folder reuses what an earlier one
# compiled.
export CCACHE_BASEDIR="$PWD"
export CCACHE_NOHASHDIR=true
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-8G}"
# Each step's time in the log, to see where a slow run went.
step() { echo "test.sh: $1 took $(( SECONDS - start )) s"; start=$SECONDS; }
start=$SECONDS
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPANEL_SANITIZE=ON >/dev/null
step configure
ninja -C build-test
step build
if command -v ccache >/dev/null; then ccache --show-stats | grep -E "Hits|Misses" || true; fi
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --test-dir build-test --output-on-failure -j "$(nproc)"
step test
