#!/usr/bin/env bash
# Installs what is missing, builds the firmware and runs it on its device root
# (PANEL_ROOT, default ./panel-root, created empty when absent). The unit runs until
# SIGINT (Ctrl-C) or SIGTERM, which stop it in an orderly way. Arguments go to the unit:
# none for a normal start, one for boot mode, two or more to leave the watchdog closed.
# A normal start on an empty device root downloads the demo program (app/panel_demo.cpp)
# through the programming tool once the unit answers, and sets it to Run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DPANEL_TESTS=OFF >/dev/null
ninja -C build-run panel panel_fb2png panel_demo
export PANEL_ROOT="${PANEL_ROOT:-$PWD/panel-root}"
mkdir -p "$PANEL_ROOT"
if [ $# -ne 0 ] || [ -n "$(ls -A "$PANEL_ROOT")" ]; then
  exec ./build-run/app/panel "$@"
fi

./build-run/app/panel_demo build-run/demo
./build-run/app/panel &
pid=$!
trap 'kill -TERM "$pid" 2>/dev/null || true' INT TERM
tool=(python3 testsupport/peers/progtool.py --port "$PANEL_ROOT/dev/ttyGS0" --timeout 2)
for _ in $(seq 120); do
  "${tool[@]}" mode >/dev/null 2>&1 && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.5
done
if "${tool[@]}" download 0 build-run/demo/logic.bin >/dev/null &&
  "${tool[@]}" download 7 build-run/demo/screens.bin >/dev/null &&
  "${tool[@]}" download 8 build-run/demo/strings.bin >/dev/null &&
  "${tool[@]}" set-mode run; then
  echo "run.sh: the demo program runs (README.md: \"The demo\")"
else
  echo "run.sh: the demo program could not be downloaded" >&2
fi
# A trapped signal ends the wait early: wait again until the unit has stopped.
status=0
wait "$pid" || status=$?
while kill -0 "$pid" 2>/dev/null; do
  wait "$pid" && status=0 || status=$?
done
exit "$status"
