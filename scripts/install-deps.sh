#!/usr/bin/env bash
# Installs the Debian packages the firmware and its tests need, only those missing.
# Each subsystem lists what it needs in scripts/deps/<subsystem>.list (one package a
# line, '#' starts a comment).
set -euo pipefail
cd "$(dirname "$0")"

packages=()
for list in deps/*.list; do
  while read -r line; do
    line="${line%%#*}"
    for p in $line; do packages+=("$p"); done
  done < "$list"
done

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
