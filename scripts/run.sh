#!/usr/bin/env bash
# Builds Ostrel and starts the window on the example spectrum (or on the file given).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh" "$root/build"
spectrum="${1:-$root/examples/small_hydrocarbon.txt}"
exec "$root/build/ostrel" "$spectrum"
