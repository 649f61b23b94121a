#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into build-fuzz and runs each for SECONDS (default 60) from the seeds of fuzz/corpus. The corpus
# grown in build-fuzz/corpus stays for the next run.
# A fault stops with its input in build-fuzz/findings/TARGET: fix it, then keep the input in
# fuzz/regressions/TARGET, which the ordinary tests replay.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
dir="$root/build-fuzz"
"$root/scripts/install-deps.sh" clang libclang-rt-dev
mkdir -p "$dir"
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DOSTREL_FUZZ=ON \
    > "$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
cmake --build "$dir" -j2
failed=0
for target in spectrum_reader road mz_reader; do
    mkdir -p "$dir/corpus/$target" "$dir/findings/$target"
    log="$dir/findings/$target.log"
    status=0
    "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=16384 -timeout=30 \
        -print_final_stats=1 -artifact_prefix="$dir/findings/$target/" \
        "$dir/corpus/$target" "$root/fuzz/corpus/$target" > "$log" 2>&1 || status=$?
    executions=$(grep -o 'number_of_executed_units: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$')
    echo "fuzz_$target: ${executions:-0} executions in ${seconds} s"
    if [ "$status" -ne 0 ]; then
        echo "fuzz_$target found a fault (input in $dir/findings/$target):" >&2
        grep -E 'ostrel fuzz fault|ERROR|runtime error|SUMMARY' "$log" | head -n 5 >&2
        failed=1
    fi
done
exit "$failed"
