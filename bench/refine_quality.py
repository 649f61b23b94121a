#!/usr/bin/env python3
"""Measures the refinement after the last pass against ground truth.

Usage: bench/refine_quality.py [--tool PATH] [--batch PATH] [--shared DIR] [--work DIR]
                               [--runs N] [--only NAME ...]

For each spectrum it runs build/bench/refine_road (the pass's own table and the refined one) at
the suggested height of `ostrel-batch zones --suggest` (the road's generated spectrum at 10000,
just above its noise) and compares both tables with the truth:
- the shared spectra doublets_R10000 (KolUsred 10), mix_R2000, pftba_R3000 of ../shared/data;
- the generated 1,000,001-point spectrum of bench/road (2,000 peaks, R = 5000), written with its
  truth into the --work folder (default: ostrel-refine in the temporary folder) unless there.

Definitions (as bench/suggest_quality.py has them):
- noise at a true peak: 1.4826 MAD of neighbour differences / sqrt(2) where no true peak is; a
  strong peak is at least 10 times its noise high.
- a row is fitted when it has a mass and a positive height B (a problem row has neither); it
  matches a true peak when its mass lies within half a FWHM of the true centre.
- the centre error of a true peak: the distance from its centre to the nearest fitted row that
  matches it, in mmu; the 95th percentile is taken over the true peaks that have one.
- a pair of true peaks is split when each has its own fitted row within 1.5 mmu (the rows
  distinct).
"""

import argparse
import bisect
import csv
import math
import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True
from suggest_quality import noise_at_peaks, read_points  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
ROAD_HEIGHT = "10000"  # just above the generated spectrum's noise (its zones reach 8,114)


def run(args):
    done = subprocess.run(args, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit("%s: %s" % (" ".join(args), done.stderr.strip()))
    return done


def read_tables(text):
    tables = {"written": [], "refined": []}
    for line in text.splitlines()[1:]:
        v, row, kind, group, mass, err, r, a, b = line.split("\t")[:9]
        tables[v].append(
            {"kind": kind, "group": int(group), "mass": float(mass), "R": float(r),
             "A": float(a), "B": float(b)})
    return tables


def read_truth(path):
    with open(path, newline="") as f:
        rows = list(csv.DictReader(f))
    peaks = []
    for r in rows:
        peaks.append({
            "label": r.get("label", ""),
            "centre": float(r["centre"]),
            "height": float(r["height"]),
            "fwhm": float(r["fwhm"]),
            "sep": float(r["nearest_sep_fwhm"]) if "nearest_sep_fwhm" in r else math.nan,
        })
    return sorted(peaks, key=lambda p: p["centre"])


def y_scale(path):
    """The reader scales intensities written with decimals by 1000."""
    with open(path, encoding="cp1251") as f:
        for n, line in enumerate(f):
            fields = line.split()
            if n >= 3 and len(fields) >= 2:
                return 1000.0 if "." in fields[1] else 1.0
    return 1.0


def fitted(rows):
    return sorted((r for r in rows if r["kind"] != "problem" and r["B"] > 0),
                  key=lambda r: r["mass"])


def nearest_match(peak, rows, masses):
    """The fitted row nearest to a true peak within half its FWHM, or None."""
    i = bisect.bisect_left(masses, peak["centre"])
    best = None
    for j in (i - 1, i):
        if 0 <= j < len(rows):
            d = abs(rows[j]["mass"] - peak["centre"])
            if d <= 0.5 * peak["fwhm"] and (best is None or d < best[0]):
                best = (d, j)
    return best


def percentile(values, q):
    if not values:
        return math.nan
    v = sorted(values)
    k = (len(v) - 1) * q
    lo, hi = math.floor(k), math.ceil(k)
    return v[lo] + (v[hi] - v[lo]) * (k - lo)


def matches_truth(row, truth, centres):
    i = bisect.bisect_left(centres, row["mass"])
    return any(abs(row["mass"] - truth[j]["centre"]) <= 0.5 * truth[j]["fwhm"]
               for j in (i - 1, i) if 0 <= j < len(truth))


def summary(name, tables, truth, scale):
    print("## %s" % name)
    centres = [p["centre"] for p in truth]
    for variant in ("written", "refined"):
        rows = tables[variant]
        fit = fitted(rows)
        masses = [r["mass"] for r in fit]
        problems = sum(r["kind"] == "problem" for r in rows)
        astray = sum(r["kind"] != "problem" and not r["B"] > 0 for r in rows)
        errors, strong_found = [], 0
        strong = [p for p in truth if p["height"] >= 10 * p["noise"]]
        for p in truth:
            m = nearest_match(p, fit, masses)
            if m:
                errors.append(1000 * m[0])
        for p in strong:
            if nearest_match(p, fit, masses):
                strong_found += 1
        false_rows = [r for r in fit if not matches_truth(r, truth, centres)]
        groups = len({r["group"] for r in rows if r["kind"] == "split"})
        refits = sum(r["kind"] == "refitted" for r in rows)
        print("%-8s rows %4d, problem rows %3d, fitted astray (B <= 0) %3d, refitted %3d, "
              "split groups %3d; true peaks found %4d of %d (strong %d of %d); rows at no "
              "true peak %d; centre error median %.3f mmu, 95th percentile %.3f mmu"
              % (variant, len(rows), problems, astray, refits, groups, len(errors), len(truth),
                 strong_found, len(strong), len(false_rows), percentile(errors, 0.5),
                 percentile(errors, 0.95)))
    # The same true peaks in both tables: the refinement's effect on the centres alone.
    both = []
    w, r = fitted(tables["written"]), fitted(tables["refined"])
    wm, rm = [x["mass"] for x in w], [x["mass"] for x in r]
    for p in truth:
        a, b = nearest_match(p, w, wm), nearest_match(p, r, rm)
        if a and b:
            both.append((1000 * a[0], 1000 * b[0]))
    if both:
        print("true peaks found in both tables: %d; centre error 95th percentile %.3f mmu "
              "written, %.3f mmu refined" % (len(both), percentile([a for a, _ in both], 0.95),
                                             percentile([b for _, b in both], 0.95)))
    new = [x for x in r if not any(abs(x["mass"] - y["mass"]) < 1e-9 for y in w)]
    new_false_strong = [x for x in new if not matches_truth(x, truth, centres)
                        and x["B"] / scale >= 10 * local_noise(x["mass"], truth)]
    print("rows the refinement adds or moves: %d, of them strong and at no true peak: %d%s"
          % (len(new), len(new_false_strong),
             "".join(" (%.4f, B %.0f)" % (x["mass"], x["B"] / scale) for x in new_false_strong)))


def local_noise(mass, truth):
    centres = [p["centre"] for p in truth]
    i = min(range(len(truth)), key=lambda j: abs(centres[j] - mass))
    return truth[i]["noise"]


def pairs_report(tables, truth):
    """Each pair of true peaks nearer than 4 FWHM: split by each table or not."""
    print("pairs (truth centres, separation in FWHM): each component's nearest row, mmu")
    for i in range(len(truth) - 1):
        p, q = truth[i], truth[i + 1]
        sep = (q["centre"] - p["centre"]) / ((p["fwhm"] + q["fwhm"]) / 2)
        if sep >= 4:
            continue
        line = "  %s %.4f + %s %.4f, %.2f FWHM, heights %.0f/%.0f:" % (
            p["label"], p["centre"], q["label"], q["centre"], sep, p["height"], q["height"])
        for variant in ("written", "refined"):
            fit = fitted(tables[variant])
            masses = [r["mass"] for r in fit]
            errs, rows = [], []
            for t in (p, q):
                j = min(range(len(fit)), key=lambda k: abs(masses[k] - t["centre"]))
                errs.append(1000 * (masses[j] - t["centre"]))
                rows.append(j)
            split = rows[0] != rows[1] and all(abs(e) <= 1.5 for e in errs)
            line += "  %s %+.2f %+.2f %s" % (variant, errs[0], errs[1],
                                            "split" if split else "NOT split")
        print(line)


def suggested(batch, path, kolusred):
    args = [batch, "zones", path, "--suggest"] + (["--kolusred", kolusred] if kolusred else [])
    return run(args).stdout.strip()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tool", default=os.path.join(HERE, "..", "build", "bench", "refine_road"))
    ap.add_argument("--batch", default=os.path.join(HERE, "..", "build", "ostrel-batch"))
    ap.add_argument("--shared", default=os.path.join(HERE, "..", "..", "shared", "data"))
    ap.add_argument("--work", default=os.path.join(tempfile.gettempdir(), "ostrel-refine"))
    ap.add_argument("--runs", default="1")
    ap.add_argument("--only", nargs="*")
    o = ap.parse_args()
    os.makedirs(o.work, exist_ok=True)
    road = os.path.join(o.work, "road-1M.txt")
    road_truth = os.path.join(o.work, "road-1M_truth.csv")
    if not os.path.exists(road_truth) or not os.path.exists(road):
        run([o.tool, "--road-file", road, "--road-truth", road_truth])
    cases = [
        ("doublets_R10000", os.path.join(o.shared, "doublets_R10000.txt"),
         os.path.join(o.shared, "doublets_R10000_truth.csv"), "10", None),
        ("mix_R2000", os.path.join(o.shared, "mix_R2000.txt"),
         os.path.join(o.shared, "mix_R2000_truth.csv"), None, None),
        ("pftba_R3000", os.path.join(o.shared, "pftba_R3000.txt"),
         os.path.join(o.shared, "pftba_R3000_truth.csv"), None, None),
        ("road_1M_R5000", road, road_truth, None, ROAD_HEIGHT),
    ]
    for name, path, truth_path, kolusred, height in cases:
        if o.only and name not in o.only:
            continue
        height = height or suggested(o.batch, path, kolusred)
        args = [o.tool, path, "--height", height, "--runs", o.runs]
        if kolusred:
            args += ["--kolusred", kolusred]
        done = run(args)
        tables = read_tables(done.stdout)
        truth = read_truth(truth_path)
        xs, ys = read_points(path)
        noise_at_peaks(xs, ys, truth)
        print("")
        summary("%s (height %s%s)" % (name, height, ", KolUsred " + kolusred if kolusred else ""),
                tables, truth, y_scale(path))
        print(done.stderr.strip())
        if name == "doublets_R10000":
            pairs_report(tables, truth)


if __name__ == "__main__":
    main()
