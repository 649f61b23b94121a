#!/usr/bin/env bash
# Builds Ostrel and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh" "$root/build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$root/build" -j2 --output-on-failure
