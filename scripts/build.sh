#!/usr/bin/env bash
# Configures and builds Ostrel into the folder given as $1 (default: build), extra CMake
# arguments after it. OSTREL_TARGETS (space separated) builds only those targets.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build}"
shift || true
"$root/scripts/install-deps.sh"
mkdir -p "$dir"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" > "$dir/configure.log" 2>&1 || {
    cat "$dir/configure.log"; exit 1; }
if [ -n "${OSTREL_TARGETS:-}" ]; then
    # shellcheck disable=SC2086
    cmake --build "$dir" -j2 --target $OSTREL_TARGETS
else
    cmake --build "$dir" -j2
fi
