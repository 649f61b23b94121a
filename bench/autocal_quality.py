#!/usr/bin/env python3
"""Measures the automatic calibration on spectra with ground truth.

Usage: bench/autocal_quality.py [--batch PATH] [--pairs PATH] [--autocal] [--shared DIR]
                                [--work DIR] [--tolerance MMU] [--shift MMU,PPM ...]

For each spectrum and each reference set that fits it (pftba_R3000: pftba, cf; mix_R2000: ch,
cf, pftba; hydrocarbon_R3000: ch), once as it is and once with its mass scale shifted by
+25 mmu and +20 ppm (every mass x rewritten as x + 0.025 + 20e-6 x; --shift gives other
shifts), it walks the road:

1. `ostrel-batch zones FILE --suggest` gives the height H, `ostrel-batch peaks FILE --height H`
   the results table.
2. The pairing: `autocal_pairs TABLE --refs R` (build/bench/autocal_pairs, the core's pairing on
   that table) prints what `ostrel-batch autocal` will print (a header, one line a pair:
   K, measured mass, reference mass, ion, deviation before, residual after; then a=A b=B c=C)
   and tells the fit and the exact masses on standard error; `ostrel-batch calibrate FILE
   --height H --fit F --pair K=MASS ... --out RECAL` then makes the recalculated file.
   With --autocal the script runs `ostrel-batch autocal FILE --height H --refs R --out RECAL`
   instead, which does both (only `run_autocal` knows the difference).
3. `peaks RECAL` at its own suggested height; every main ion of the truth is looked for among
   the usable rows (a mass, positive B and R) within half a FWHM of where it should land,
   true_mass − 0.000549 (the truth's masses are neutral sums), and its error is
   measured − that, in mmu.

The pairs are checked against the truth: a pair is wrong unless the truth peak nearest the
row's mass (in the file's own scale, the shift included) is a main ion of that name within half
a FWHM, and the pair's reference mass is its true_mass − 0.000549 within 1e-5 u.

The best any pairing can do: the parabola fitted (least squares) to the truth itself, the
deviation true_mass − 0.000549 − centre over centre of the main ions, applied to the file's
masses as "Пересчитать данные" applies a curve (written with five decimals, as the program
writes a spectrum), then the same step 3. The target: the RMS of the main ions' errors after
the automatic calibration within 15 % (+0.05 mmu) of that RMS, over the main ions found in both.
Also printed: the RMS over the isolated main ions; the RMS of the curve itself against the
truth's parabola at the main ions (the part of the error the calibration is responsible for);
and, for comparison, a careful calibration by hand: every main ion found in the table paired
with its true mass, "Подобрать параболу" (`calibrate --fit parabola`), the same step 3.
"""

import argparse
import bisect
import csv
import math
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ELECTRON = 0.000548579909
CASES = [
    ("pftba_R3000", ["pftba", "cf"]),
    ("mix_R2000", ["ch", "cf", "pftba"]),
    ("hydrocarbon_R3000", ["ch"]),
]


def run(args):
    done = subprocess.run(args, capture_output=True, text=True)
    return done.returncode, done.stdout, done.stderr


def must(args):
    code, out, err = run(args)
    if code != 0:
        sys.exit("%s: %s" % (" ".join(args), err.strip()))
    return out


def read_spectrum_lines(path):
    with open(path, encoding="cp1251", newline="") as f:
        return f.read().splitlines()


def write_moved(source, target, move, decimals):
    """The spectrum file with every mass x replaced by move(x)."""
    lines = read_spectrum_lines(source)
    out = lines[:3]
    for line in lines[3:]:
        fields = line.split()
        if len(fields) < 2:
            continue
        out.append("%.*f     %s" % (decimals, move(float(fields[0])), fields[1]))
    with open(target, "w", encoding="cp1251", newline="") as f:
        f.write("\r\n".join(out) + "\r\n")


def read_truth(path, offset, ppm):
    with open(path, newline="") as f:
        rows = list(csv.DictReader(f))
    truth = []
    for r in rows:
        centre = float(r["centre"])
        truth.append(
            {
                "label": r["label"],
                "main": r["kind"] == "main",
                "ion": float(r["true_mass"]) - ELECTRON,
                "centre": centre + offset + ppm * centre,
                "fwhm": float(r["fwhm"]),
                "isolated": r["isolated"] == "1",
            }
        )
    return sorted(truth, key=lambda t: t["centre"])


def table_rows(table):
    """(mass or None, usable) per row of the results table."""
    rows = []
    for line in table.splitlines()[1:]:
        cells = line.split("\t")
        try:
            mass, r, b = float(cells[1]), float(cells[5]), float(cells[8])
            rows.append((mass, b > 0 and r > 0))
        except (IndexError, ValueError):
            rows.append((None, False))
    return rows


def suggested_peaks(batch, path):
    height = must([batch, "zones", path, "--suggest"]).strip()
    return height, must([batch, "peaks", path, "--height", height])


def errors_against_truth(rows, truth):
    """Per main ion (by index), the error of the usable row that matches it, mmu."""
    usable = sorted(m for m, ok in rows if ok)
    errors = {}
    for i, t in enumerate(truth):
        if not t["main"]:
            continue
        at = bisect.bisect_left(usable, t["ion"])
        near = [usable[j] for j in (at - 1, at) if 0 <= j < len(usable)]
        near = [m for m in near if abs(m - t["ion"]) <= 0.5 * t["fwhm"]]
        if near:
            m = min(near, key=lambda m: abs(m - t["ion"]))
            errors[i] = (m - t["ion"]) * 1000
    return errors


def rms(values):
    values = list(values)
    return math.sqrt(sum(v * v for v in values) / len(values)) if values else math.nan


def solve3(m, r):
    n = 3
    a = [row[:] + [r[i]] for i, row in enumerate(m)]
    for c in range(n):
        p = max(range(c, n), key=lambda k: abs(a[k][c]))
        a[c], a[p] = a[p], a[c]
        for k in range(c + 1, n):
            f = a[k][c] / a[c][c]
            for j in range(c, n + 1):
                a[k][j] -= f * a[c][j]
    x = [0.0] * n
    for c in reversed(range(n)):
        x[c] = (a[c][n] - sum(a[c][j] * x[j] for j in range(c + 1, n))) / a[c][c]
    return x


def truth_parabola(truth):
    """a, b, c of the least-squares parabola of true − centre (mmu) over centre (u)."""
    pts = [(t["centre"], (t["ion"] - t["centre"]) * 1000) for t in truth if t["main"]]
    mid = sum(x for x, _ in pts) / len(pts)
    m = [[0.0] * 3 for _ in range(3)]
    r = [0.0] * 3
    for x, y in pts:
        g = [1.0, x - mid, (x - mid) ** 2]
        for i in range(3):
            r[i] += g[i] * y
            for j in range(3):
                m[i][j] += g[i] * g[j]
    c0, c1, c2 = solve3(m, r)
    return c2, c1 - 2 * c2 * mid, c0 - c1 * mid + c2 * mid * mid


def curve_at(abc, x):
    a, b, c = abc
    return a * x * x + b * x + c


def parse_autocal(out):
    """The pairs and the curve of what `autocal` prints."""
    lines = out.strip().splitlines()
    pairs = []
    for line in lines[1:-1]:
        k, measured, reference, ion, _, _ = line.split("\t")
        pairs.append({"row": int(k), "mass": float(measured), "ref": float(reference), "ion": ion})
    abc = [float(part.split("=")[1]) for part in lines[-1].split()]
    return pairs, abc


def run_autocal(args, path, height, table, refs, recal):
    """The pairs, the curve and the fit of the automatic calibration, and RECAL written; or the
    refusal text."""
    tolerance = ["--tolerance", str(args.tolerance)]
    if args.autocal:
        code, out, err = run(
            [args.batch, "autocal", path, "--height", height, "--refs", refs, "--out", recal]
            + tolerance
        )
        if code != 0:
            return None, err.strip()
        pairs, abc = parse_autocal(out)
        return (pairs, abc, "parabola" if abc[0] != 0 else "line"), None
    table_path = recal + ".table"
    with open(table_path, "w", encoding="utf-8") as f:
        f.write(table)
    code, out, err = run([args.pairs, table_path, "--refs", refs] + tolerance)
    if code != 0:
        return None, err.strip()
    pairs, _ = parse_autocal(out)
    info = dict(line.split(" ", 1) for line in err.splitlines() if " " in line)
    fit = info["fit"]
    exact = info["pairs"].split()
    calibrated = must(
        [args.batch, "calibrate", path, "--height", height, "--fit", fit, "--out", recal]
        + [arg for pair in exact for arg in ("--pair", pair)]
    )
    abc = [float(part.split("=")[1]) for part in calibrated.splitlines()[0].split()]
    return (pairs, abc, fit), None


def by_hand(args, path, height, rows, truth, recal):
    """Every main ion of the table with its true mass, the parabola: RECAL written."""
    pairs = []
    for k, (mass, ok) in enumerate(rows):
        if not ok:
            continue
        near = min(truth, key=lambda t: abs(t["centre"] - mass))
        if near["main"] and abs(near["centre"] - mass) <= 0.5 * near["fwhm"]:
            pairs += ["--pair", "%d=%.10f" % (k, near["ion"])]
    out = must(
        [args.batch, "calibrate", path, "--height", height, "--fit", "parabola", "--out", recal]
        + pairs
    )
    return [float(part.split("=")[1]) for part in out.splitlines()[0].split()]


def wrong_pairs(pairs, truth):
    centres = [t["centre"] for t in truth]
    wrong = []
    for p in pairs:
        at = bisect.bisect_left(centres, p["mass"])
        near = [truth[j] for j in (at - 1, at) if 0 <= j < len(truth)]
        t = min(near, key=lambda t: abs(t["centre"] - p["mass"]))
        right = (
            t["main"]
            and t["label"] == p["ion"]
            and abs(t["centre"] - p["mass"]) <= 0.5 * t["fwhm"]
            and abs(t["ion"] - p["ref"]) <= 1e-5
        )
        if not right:
            wrong.append("%d %s~%s" % (p["row"], p["ion"], t["label"]))
    return wrong


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--batch", default=os.path.join(HERE, "..", "build", "ostrel-batch"))
    parser.add_argument("--pairs", default=os.path.join(HERE, "..", "build", "bench", "autocal_pairs"))
    parser.add_argument("--autocal", action="store_true", help="use ostrel-batch autocal")
    parser.add_argument("--shared", default=os.path.join(HERE, "..", "..", "shared", "data"))
    parser.add_argument("--work", default=os.path.join(tempfile.gettempdir(), "ostrel-autocal"))
    parser.add_argument("--tolerance", type=float, default=3)
    parser.add_argument("--shift", action="append", help="MMU,PPM (default 25,20)")
    args = parser.parse_args()
    shifts = [("none", 0.0, 0.0)]
    for text in args.shift or ["25,20"]:
        mmu, ppm = (float(v) for v in text.split(","))
        shifts.append(("%+g mmu %+g ppm" % (mmu, ppm), mmu / 1000, ppm * 1e-6))
    os.makedirs(args.work, exist_ok=True)

    print(
        "| spectrum | shift | refs | pairs | wrong | fit | RMS after, mmu | best parabola | "
        "target | ok | isolated: after / best | curve vs truth, mmu | by hand: RMS, curve |"
    )
    print("|---|---|---|---|---|---|---|---|---|---|---|---|---|")
    failures = 0
    for name, refsets in CASES:
        source = os.path.join(args.shared, name + ".txt")
        for shift_name, offset, ppm in shifts:
            path = source
            if offset or ppm:
                path = os.path.join(args.work, "%s_shifted.txt" % name)
                write_moved(source, path, lambda x: x + offset + ppm * x, 6)
            truth = read_truth(os.path.join(args.shared, name + "_truth.csv"), offset, ppm)
            height, table = suggested_peaks(args.batch, path)

            best_abc = truth_parabola(truth)
            best_path = os.path.join(args.work, "%s_best.txt" % name)
            write_moved(path, best_path, lambda x: x + curve_at(best_abc, x) / 1000, 5)
            best = errors_against_truth(table_rows(suggested_peaks(args.batch, best_path)[1]), truth)
            hand_path = os.path.join(args.work, "%s_hand.txt" % name)
            hand_abc = by_hand(args, path, height, table_rows(table), truth, hand_path)
            hand = errors_against_truth(table_rows(suggested_peaks(args.batch, hand_path)[1]), truth)

            for refs in refsets:
                recal = os.path.join(args.work, "%s_%s_recal.txt" % (name, refs))
                done, refusal = run_autocal(args, path, height, table, refs, recal)
                if done is None:
                    failures += 1
                    print("| %s | %s | %s | refused: %s |" % (name, shift_name, refs, refusal))
                    continue
                pairs, abc, fit = done
                wrong = wrong_pairs(pairs, truth)
                after = errors_against_truth(table_rows(suggested_peaks(args.batch, recal)[1]), truth)
                both = sorted(set(after) & set(best))
                isolated = [i for i in both if truth[i]["isolated"]]
                ours = rms(after[i] for i in both)
                ideal = rms(best[i] for i in both)
                target = 1.15 * ideal + 0.05
                curve = rms(
                    curve_at(abc, truth[i]["centre"]) - curve_at(best_abc, truth[i]["centre"])
                    for i in both
                )
                hand_curve = rms(
                    curve_at(hand_abc, truth[i]["centre"]) - curve_at(best_abc, truth[i]["centre"])
                    for i in both
                )
                ok = ours <= target and not wrong
                failures += not ok
                print(
                    "| %s | %s | %s | %d | %s | %s | %.3f (%d ions) | %.3f | %.3f | %s | %.3f / %.3f "
                    "| %.3f | %.3f, %.3f |"
                    % (
                        name,
                        shift_name,
                        refs,
                        len(pairs),
                        ", ".join(wrong) if wrong else "0",
                        fit,
                        ours,
                        len(both),
                        ideal,
                        target,
                        "yes" if ok else "NO",
                        rms(after[i] for i in isolated),
                        rms(best[i] for i in isolated),
                        curve,
                        rms(hand[i] for i in both if i in hand),
                        hand_curve,
                    )
                )
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
