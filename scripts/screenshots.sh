#!/usr/bin/env bash
# Starts Ostrel under Xvfb, walks the road of one spectrum (preliminary processing, last pass at
# the given or the suggested height, a calibration curve, one peak processed) and saves one PNG
# per page into the folder given as argument.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:?usage: scripts/screenshots.sh OUTPUT_FOLDER [SPECTRUM [HEIGHT]]}"
spectrum="${2:-$root/examples/hydrocarbon_R3000.txt}"
height="${3:-}"
OSTREL_TARGETS="ostrel" "$root/scripts/build.sh" "$root/build"
mkdir -p "$out"
args=(--screenshots "$out")
[ -n "$height" ] && args+=(--height "$height")
xvfb-run -a -s "-screen 0 1400x1050x24" "$root/build/ostrel" "${args[@]}" "$spectrum" 2>/dev/null
ls "$out"
