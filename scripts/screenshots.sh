#!/usr/bin/env bash
# Starts Ostrel under Xvfb on the example spectrum and saves one PNG per page into the folder
# given as argument.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:?usage: scripts/screenshots.sh OUTPUT_FOLDER [SPECTRUM [HEIGHT]]}"
spectrum="${2:-$root/examples/small_hydrocarbon.txt}"
height="${3:-1000000}"
"$root/scripts/build.sh" "$root/build"
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1400x1050x24" "$root/build/ostrel" --screenshots "$out" --height "$height" \
    "$spectrum"
ls "$out"
