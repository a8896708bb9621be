#!/usr/bin/env bash
# Installs what is missing, builds the firmware and runs it on its device root
# (PANEL_ROOT, default ./panel-root, created empty when absent). The unit runs until
# SIGINT (Ctrl-C) or SIGTERM, which stop it in an orderly way. Arguments go to the unit:
# none for a normal start, one for boot mode, two or more to leave the watchdog closed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DPANEL_TESTS=OFF >/dev/null
ninja -C build-run panel panel_fb2png
export PANEL_ROOT="${PANEL_ROOT:-$PWD/panel-root}"
mkdir -p "$PANEL_ROOT"
exec ./build-run/app/panel "$@"
