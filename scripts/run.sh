#!/usr/bin/env bash
# Builds the window program (only it: ostrel-batch, the tests and the benchmarks are built by
# scripts/test.sh) and starts it on the example spectrum, or on the file given. It needs a
# display; pictures of a computer without one come from scripts/screenshots.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
OSTREL_TARGETS="ostrel" "$root/scripts/build.sh" "$root/build"
spectrum="${1:-$root/examples/pftba_R3000.txt}"
exec "$root/build/ostrel" "$spectrum"
