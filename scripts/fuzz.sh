#!/usr/bin/env bash
# Builds every libFuzzer target with clang (AddressSanitizer and UBSan) and runs each on
# its seed corpus for an equal share of the time given (default 60 s in all).
# New inputs that raise coverage are added to the corpus in the repository; a crash stops
# the run and leaves its input in build-fuzz/artifacts/.
# Usage: scripts/fuzz.sh [total-seconds] [target-name-filter]
set -euo pipefail
cd "$(dirname "$0")/.."
total="${1:-60}"
filter="${2:-}"
bash scripts/install-deps.sh
if ! dpkg -s clang libclang-rt-14-dev >/dev/null 2>&1; then
  sudo_cmd=(); [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPANEL_FUZZ=ON -DPANEL_TESTS=OFF >/dev/null
mapfile -t targets < <(grep -v '^$' build-fuzz/fuzz_targets.txt | grep -- "$filter" || true)
[ ${#targets[@]} -eq 0 ] && { echo "fuzz.sh: no fuzz target"; exit 1; }
names=()
for t in "${targets[@]}"; do names+=("${t%%|*}"); done
ninja -C build-fuzz "${names[@]}"
share=$(( total / ${#targets[@]} ))
[ "$share" -lt 1 ] && share=1
mkdir -p build-fuzz/artifacts
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
for t in "${targets[@]}"; do
  name="${t%%|*}"
  corpus="${t#*|}"
  mkdir -p "$corpus"
  echo "== $name for ${share}s on $corpus"
  "build-fuzz/$name" -max_total_time="$share" -print_final_stats=1 \
    -artifact_prefix=build-fuzz/artifacts/"$name"- "$corpus"
done
