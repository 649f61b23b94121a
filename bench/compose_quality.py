#!/usr/bin/env python3
"""Measures the composition of peaks on the shared spectra with ground truth.

Usage: bench/compose_quality.py [--batch PATH] [--tool PATH] [--shared DIR] [--work DIR]
                                [--tolerance MMU] [--fixed] [--verbose] [--by-truth] [--refine]

For each case it runs the road in ostrel-batch: `zones FILE --suggest` gives the height H and
the automatic calibration `autocal FILE --height H --refs R --out RECAL` the recalculated
spectrum (R: the PFTBA ions on pftba_R3000, the CH ions on mix_R2000 and hydrocarbon_R3000);
with --by-truth instead the rows nearest to the strong main ions of the truth (within half a
FWHM of the truth's `centre`, the centre's standard error at most 0.5 mmu: a user calibrates on
peaks he trusts) are paired with their ion masses (true_mass - 0.000549) for
`calibrate --fit parabola`. The recalculated spectrum goes the same road again
(`zones --suggest` gives H2, `peaks --height H2`). With --refine every pass of the road is
refined (`--refine`: failed fits fitted again, merged pairs split). build/bench/compose_table (--detection H2)
then gives every row's composition three ways:
- "program": ranked by mass and satellites, the rings plus double bonds and ratio rules;
- "mass, rules": by |error| alone with the same rules (--mass-only);
- "mass, DBE": by |error| alone with the rings plus double bonds rule only (--mass-only
  --no-ratios);
- "road": `ostrel-batch compose` on the recalculated spectrum at H2, the composition as the
  window makes it from the pass's own records (the fit's amplitude B and its standard error, the
  sound fits alone usable) rather than from the printed table (not with --fixed: the batch holds
  weak peaks to the program's own rule).
The first two cases are those the composition is held to (pftba_R3000 with C, N, F; mix_R2000
with C, H, N, F); the others give them and hydrocarbon_R3000 the default elements C, H, N, O,
F, S, where more formulas share a mass and the satellites have to tell them apart.

Definitions:
- A main ion is a truth row of kind `main`; a strong one has at least 1 % of the tallest height.
- Its row is the table row nearest to its ion mass after the calibration, within half a FWHM.
  A usable row is one compose_table composes: a mass, an amplitude ("B" + "A") and a resolving
  power R above 0, R within a factor of 3 of the table's median, the residuals ("Std Err" times
  "B") at most the amplitude, the centre's error below 10 mmu. Main ions without a usable row are counted apart: the pass gave them no fit to compose.
- Right: the row's best formula is the truth's `label` (Hill order with charge).
- A satellite (kind `iso1`, `iso2`, isolated: one blended with another ion is that ion's row) is
  recognised when its usable row's best is its label, "13C-<ion>" or "13C2-<ion>".
A peak whose centre is known worse than a third of the tolerance is searched within three of its
standard errors, up to three times the tolerance; --fixed holds every peak to the tolerance
(compose_table --fixed). The default batch is build/ostrel-batch, the
tool build/bench/compose_table.
"""

import csv
import os
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ELECTRON = 0.000548579909
CNF = "C1-100,N0-4,F0-45"
CHNF = "C1-100,H0-200,N0-4,F0-45"
DEFAULT = "C1-100,H0-200,N0-4,O0-6,F0-45,S0-2"
CASES = [
    ("pftba_R3000", CNF),
    ("mix_R2000", CHNF),
    ("pftba_R3000", DEFAULT),
    ("mix_R2000", DEFAULT),
    ("hydrocarbon_R3000", DEFAULT),
]
RANKINGS = [
    ("program", []),
    ("mass, rules", ["--mass-only"]),
    ("mass, DBE", ["--mass-only", "--no-ratios"]),
]


REFINE = []


def run(args):
    if len(args) > 1 and args[1] in ("peaks", "autocal", "calibrate", "compose"):
        args = args + REFINE
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def read_table(text):
    return [line.split("\t") for line in text.splitlines()[1:]]


def number(text):
    try:
        return float(text)
    except ValueError:
        return None


def fitted_rows(rows):
    """[index, mass, usable, R] of every row with a fitted mass."""
    out = []
    for k, r in enumerate(rows):
        mass, error, power, background, less, stderr = (number(r[i]) for i in (1, 2, 5, 7, 8, 9))
        if None in (mass, error, power, background, less, stderr):
            continue
        height = less + background  # the column "B" is the amplitude less the background
        residual = max(abs(stderr), 0.005) * abs(less)
        usable = height > 0 and power > 0 and residual <= height and error < 0.010
        out.append([k, mass, usable, power])
    powers = [r[3] for r in out if r[2]]
    if powers:
        median = statistics.median(powers)
        for r in out:
            if r[2] and not (median / 3 <= r[3] <= 3 * median):
                r[2] = False
    return out


def nearest(rows, mass, reach):
    best = None
    for r in rows:
        if abs(r[1] - mass) <= reach and (best is None or abs(r[1] - mass) < abs(best[1] - mass)):
            best = r
    return best


AUTOCAL_REFS = {"pftba_R3000": "pftba", "mix_R2000": "ch", "hydrocarbon_R3000": "ch"}


def calibrated_table(batch, spectrum, strong, work, name, by_truth):
    height = run([batch, "zones", spectrum, "--suggest"]).strip()
    recal = os.path.join(work, name + "_recal.txt")
    if by_truth:
        rows = read_table(run([batch, "peaks", spectrum, "--height", height]))
        pairs = []
        for t in strong:
            hit = nearest(fitted_rows(rows), float(t["centre"]), 0.5 * float(t["fwhm"]))
            if hit and number(rows[hit[0]][2]) <= 0.0005:
                pairs += ["--pair", "%d=%.6f" % (hit[0], float(t["true_mass"]) - ELECTRON)]
        curve = run([batch, "calibrate", spectrum, "--height", height, "--fit", "parabola",
                     "--out", recal] + pairs).splitlines()[0]
    else:
        lines = run([batch, "autocal", spectrum, "--height", height, "--refs",
                     AUTOCAL_REFS[name], "--out", recal]).splitlines()
        pairs = ["--pair", ""] * (len(lines) - 2)
        curve = lines[-1] + " (autocal " + AUTOCAL_REFS[name] + ")"
    height2 = run([batch, "zones", recal, "--suggest"]).strip()
    text = run([batch, "peaks", recal, "--height", height2])
    table = os.path.join(work, name + "_recal_peaks.tsv")
    with open(table, "w") as f:
        f.write(text)
    note = "H %s, %d pairs, curve %s, H2 %s" % (height, len(pairs) // 2, curve, height2)
    return table, read_table(text), height2, note, recal


def measure(batch, tool, shared, work, name, elements, tolerance, fixed, verbose, cache, by_truth):
    spectrum = os.path.join(shared, name + ".txt")
    with open(os.path.join(shared, name + "_truth.csv")) as f:
        truth = list(csv.DictReader(f))
    tallest = max(float(t["height"]) for t in truth)
    strong = [t for t in truth if t["kind"] == "main" and float(t["height"]) >= 0.01 * tallest]
    if name not in cache:
        cache[name] = calibrated_table(batch, spectrum, strong, work, name, by_truth)
    table, rows, height2, note, recal = cache[name]
    fitted = fitted_rows(rows)
    base = [tool, table, "--elements", elements, "--tolerance", str(tolerance),
            "--detection", height2] + (["--fixed"] if fixed else [])
    answers = {title: read_table(run(base + extra)) for title, extra in RANKINGS}
    rankings = [title for title, _ in RANKINGS]
    if not fixed:
        answers["road"] = read_table(run([batch, "compose", recal, "--height", height2,
                                          "--elements", elements, "--tolerance",
                                          "%g" % tolerance]))
        rankings.append("road")

    def rows_of(selected):
        usable, unusable, residuals = [], [], []
        for t in selected:
            ion = float(t["true_mass"]) - ELECTRON
            hit = nearest(fitted, ion, 0.5 * float(t["fwhm"]))
            if hit and hit[2]:
                usable.append((t, hit[0]))
                residuals.append(1000 * (hit[1] - ion))
            else:
                unusable.append(t["label"])
        return usable, unusable, residuals

    print("## %s, %s, tolerance %s mmu%s (%s)" % (name, elements, tolerance,
                                                 ", fixed" if fixed else "", note))
    groups = [
        ("strong main ions", strong),
        ("all main ions", [t for t in truth if t["kind"] == "main"]),
        ("isolated satellites", [t for t in truth if t["kind"] != "main"
                                 and t["isolated"] == "1"]),
    ]
    for title, selected in groups:
        usable, unusable, residuals = rows_of(selected)
        line = "%s: %d, %d with a usable row" % (title, len(selected), len(usable))
        if residuals and title != "isolated satellites":
            rms = (sum(r * r for r in residuals) / len(residuals)) ** 0.5
            line += " (calibrated centre - ion mass: rms %.2f mmu, worst %.2f)" % (
                rms, max(abs(r) for r in residuals))
        print(line)
        for ranking in rankings:
            lines = answers[ranking]
            wrong = []
            for t, k in usable:
                best = lines[k][2] if len(lines[k]) > 2 else ""
                if best != t["label"]:
                    wrong.append("%s as %s" % (t["label"], best or "nothing"))
            right = len(usable) - len(wrong)
            share = 100.0 * right / len(usable) if usable else 0
            print("    %-12s %d of %d right (%.1f %%)" % (ranking + ":", right, len(usable), share))
            if verbose and wrong:
                print("        wrong: " + "; ".join(wrong))
        if verbose and unusable:
            print("    no usable row: " + ", ".join(unusable))
    print()


def main():
    batch = os.path.join(HERE, "..", "build", "ostrel-batch")
    tool = os.path.join(HERE, "..", "build", "bench", "compose_table")
    shared = os.path.join(HERE, "..", "..", "shared", "data")
    work = None
    tolerance = 2
    verbose = False
    fixed = False
    by_truth = False
    args = sys.argv[1:]
    while args:
        a = args.pop(0)
        if a == "--batch":
            batch = args.pop(0)
        elif a == "--tool":
            tool = args.pop(0)
        elif a == "--shared":
            shared = args.pop(0)
        elif a == "--work":
            work = args.pop(0)
        elif a == "--tolerance":
            tolerance = float(args.pop(0))
        elif a == "--fixed":
            fixed = True
        elif a == "--verbose":
            verbose = True
        elif a == "--by-truth":
            by_truth = True
        elif a == "--refine":
            REFINE.append("--refine")
        else:
            sys.exit("unknown argument " + a)
    cache = {}
    with tempfile.TemporaryDirectory() as tmp:
        for name, elements in CASES:
            measure(batch, tool, shared, work or tmp, name, elements, tolerance, fixed, verbose,
                    cache, by_truth)


if __name__ == "__main__":
    main()
