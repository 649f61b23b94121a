#!/usr/bin/env bash
# Builds Ostrel and runs it on the example spectrum.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh" "$root/build"
spectrum="${1:-$root/examples/small_hydrocarbon.txt}"
exec "$root/build/ostrel-batch" points "$spectrum"
