#!/usr/bin/env bash
# Records what every ostrel-batch subcommand prints on every spectrum of examples/ and
# ../shared/data (and the generated 1,000,001-point road spectrum when given), one file per
# command line, so that two builds can be compared with `diff -r`:
#
#   bench/batch_outputs.sh OLD/ostrel-batch /tmp/old
#   bench/batch_outputs.sh build/ostrel-batch /tmp/new
#   diff -r /tmp/old /tmp/new && echo identical
#
# Standard output, standard error (without the pass's time) and the exit status all count.
# EXTRA_ARGS (for example "--refine") is added to every subcommand that runs the last pass.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
batch="${1:?usage: bench/batch_outputs.sh OSTREL_BATCH OUT_FOLDER [SPECTRUM...]}"
out="${2:?usage: bench/batch_outputs.sh OSTREL_BATCH OUT_FOLDER [SPECTRUM...]}"
shift 2
extra=(${EXTRA_ARGS:-})
mkdir -p "$out"
spectra=("$@")
if [ ${#spectra[@]} -eq 0 ]; then
    spectra=("$root"/examples/*.txt)
    [ -d "$root/../shared/data" ] && spectra+=("$root"/../shared/data/*.txt)
fi

# run NAME ARGS...: one command line, its outputs in $out/NAME.*
run() {
    local name="$1"
    shift
    "$batch" "$@" > "$out/$name.out" 2> "$out/$name.err"
    echo $? > "$out/$name.status"
    sed -i -E 's/, time [0-9]+ ms/, time T ms/' "$out/$name.err"
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for file in "${spectra[@]}"; do
    base=$(basename "$file" .txt)
    kol=()
    case "$base" in doublets*) kol=(--kolusred 10) ;; esac
    run "$base.points" points "$file" --out "$tmp/$base.points.txt"
    cp "$tmp/$base.points.txt" "$out/$base.points.file" 2>/dev/null
    run "$base.zones" zones "$file" "${kol[@]}"
    run "$base.zones-k0" zones "$file" --kolusred 0
    run "$base.suggest" zones "$file" --suggest "${kol[@]}"
    suggested=$(cat "$out/$base.suggest.out")
    [ -n "$suggested" ] || continue
    for h in "$suggested" $((suggested * 3)); do
        pass=(--height "$h" "${kol[@]}" "${extra[@]}")
        run "$base.h$h.peaks" peaks "$file" "${pass[@]}"
        for k in 0 1 5; do run "$base.h$h.fit$k" fit "$file" "${pass[@]}" --peak "$k"; done
        run "$base.h$h.chlist" chlist "$file" "${pass[@]}"
        for boxes in 1000 0100 0010 0001 11100 00001; do
            run "$base.h$h.reflist$boxes" reflist "$file" "${pass[@]}" --boxes "$boxes"
        done
        run "$base.h$h.reflistcf" reflist "$file" "${pass[@]}" --family cf
        run "$base.h$h.theory" theory "$file" "${pass[@]}"
        for look in 0 1; do
            run "$base.h$h.html$look" html "$file" "${pass[@]}" --look "$look"
        done
        run "$base.h$h.html-cols" html "$file" "${pass[@]}" --look 1 --columns 101010101010 \
            --widths 40,90,80,60,50,50,50,60,80,60,40,40
        # A calibration from the first three rows of "Все массы", each given its mass 1 mmu higher.
        pairs=()
        rows=$(tail -n +2 "$out/$base.h$h.peaks.out" | cut -f2)
        k=0
        while read -r m; do
            case "$m" in '' | ' ' | Ошибка) k=$((k + 1)); continue ;; esac
            pairs+=(--pair "$k=$(awk -v m="$m" 'BEGIN { printf "%.5f", m + 0.001 }')")
            k=$((k + 1))
            [ ${#pairs[@]} -ge 6 ] && break
        done <<< "$rows"
        for fit in line parabola; do
            run "$base.h$h.cal-$fit" calibrate "$file" "${pass[@]}" --fit "$fit" "${pairs[@]}" \
                --out "$tmp/$base.cal.txt"
            cp "$tmp/$base.cal.txt" "$out/$base.h$h.cal-$fit.file" 2>/dev/null
            rm -f "$tmp/$base.cal.txt"
        done
    done
done
echo "$(ls "$out" | wc -l) files in $out"
