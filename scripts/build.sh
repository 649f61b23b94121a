#!/usr/bin/env bash
# Configures and builds Ostrel into the folder given as $1 (default: build), extra CMake
# arguments after it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build}"
shift || true
"$root/scripts/install-deps.sh"
mkdir -p "$dir"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" > "$dir/configure.log" 2>&1 || {
    cat "$dir/configure.log"; exit 1; }
cmake --build "$dir" -j2
