#!/usr/bin/env bash
# Builds the window program (only it: the tests and benchmarks are built by scripts/test.sh) and
# starts it on the example spectrum, or on the file given. It needs a display; without one, run
# it under Xvfb: xvfb-run -a scripts/run.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
OSTREL_TARGETS="ostrel ostrel-batch" "$root/scripts/build.sh" "$root/build"
spectrum="${1:-$root/examples/pftba_R3000.txt}"
exec "$root/build/ostrel" "$spectrum"
