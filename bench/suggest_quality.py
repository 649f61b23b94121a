#!/usr/bin/env python3
"""Measures the suggested first non-noise height on spectra with ground truth.

Usage: bench/suggest_quality.py [--batch PATH] [--height H] [SPECTRUM[:KOLUSRED] ...]
       bench/suggest_quality.py [--batch PATH] [--shared DIR] [--generated DIR]

For every spectrum FILE.txt beside its truth FILE_truth.csv it runs the window's road in
ostrel-batch: `zones FILE --suggest` gives the height (or --height H overrides it), then
`peaks FILE --height H` fits the peaks. It prints one Markdown table row per spectrum.
Without spectra it measures the shared spectra with truth (DIR defaults to ../shared/data beside
the repository; doublets_R10000 with KolUsred 10) and every case of generate_truth_points.py,
written into the --generated folder (default: ostrel-suggest in the temporary folder) unless
already there. The default batch is build/ostrel-batch.

Definitions:
- The noise at a true peak is the standard deviation of the spectrum where no peak is, near the
  peak: 1.4826 * MAD of the differences of neighbouring points / sqrt(2), over the points within
  max(1 u, 40 FWHM) of the peak that lie farther than 4 FWHM from every true peak.
- A strong peak is a true peak whose height (above the baseline) is at least 10 times its noise.
- A found peak is a row of the results table. A fitted row matches a true peak when its fitted
  mass ("Масса") lies within half a FWHM of the true `centre`. A problem row (the fit failed:
  "Ошибка" instead of a mass) has no centre, and neither has a row whose fitted height "B" is not
  positive (the fit went astray): such a row matches the true peaks of its nominal mass ("M", the
  integer part, plus one above .8) and finds none of them.
- found %: strong peaks matched by at least one fitted row, of all strong peaks; "isolated" the
  same over the strong peaks marked isolated. "strong lost to the fit": strong peaks that no
  fitted row matched but a problem row did.
- false %: rows that match no true peak (of any height), of all rows.
- line: the 1-based line of the zone list that first carries the height.
"""

import bisect
import csv
import math
import os
import statistics
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no cache folder beside the generator in the repository
import generate_truth_points  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_BATCH = os.path.join(HERE, "..", "build", "ostrel-batch")
DEFAULT_SHARED = os.path.join(HERE, "..", "..", "shared", "data")
SHARED_SPECTRA = [
    ("pftba_R3000", 150),
    ("hydrocarbon_R3000", 150),
    ("mix_R2000", 150),
    ("doublets_R10000", 10),  # the default smoothing merges its pairs
]


def read_points(path):
    xs, ys = [], []
    with open(path, encoding="cp1251", newline="") as f:
        lines = f.read().splitlines()
    if lines and lines[0].startswith('"'):
        lines = lines[3:]
    for line in lines:
        fields = line.split()
        if len(fields) >= 2:
            xs.append(float(fields[0]))
            ys.append(float(fields[1]))
    return xs, ys


def read_truth(path):
    with open(path, newline="") as f:
        rows = list(csv.DictReader(f))
    peaks = [
        {
            "centre": float(r["centre"]),
            "height": float(r["height"]),
            "fwhm": float(r["fwhm"]),
            "isolated": r["isolated"] == "1",
        }
        for r in rows
    ]
    return sorted(peaks, key=lambda p: p["centre"])


def noise_at_peaks(xs, ys, truth):
    near_peak = bytearray(len(xs))
    for p in truth:
        lo = bisect.bisect_left(xs, p["centre"] - 4 * p["fwhm"])
        hi = bisect.bisect_right(xs, p["centre"] + 4 * p["fwhm"])
        near_peak[lo:hi] = b"\x01" * (hi - lo)
    for p in truth:
        reach = max(1.0, 40 * p["fwhm"])
        while True:
            lo = bisect.bisect_left(xs, p["centre"] - reach)
            hi = bisect.bisect_right(xs, p["centre"] + reach)
            diffs = [
                ys[i + 1] - ys[i]
                for i in range(lo, hi - 1)
                if not near_peak[i] and not near_peak[i + 1]
            ]
            if len(diffs) >= 100 or (lo == 0 and hi == len(xs)):
                break
            reach *= 2
        if not diffs:
            p["noise"] = math.nan
            continue
        centre = statistics.median(diffs)
        mad = statistics.median(abs(d - centre) for d in diffs)
        p["noise"] = 1.4826 * mad / math.sqrt(2)


def batch(path, args):
    run = subprocess.run([path] + args, capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit("ostrel-batch %s: %s" % (" ".join(args), run.stderr.strip()))
    return run.stdout


def found_masses(table):
    """The masses of the rows whose fit found a peak, and the nominal masses of the others."""
    masses, problems = [], []
    for line in table.splitlines()[1:]:
        cells = line.split("\t")
        try:
            mass, height = float(cells[1]), float(cells[8])
        except (IndexError, ValueError):
            problems.append(int(cells[0]))
            continue
        if height > 0:
            masses.append(mass)
        else:
            problems.append(int(cells[0]))
    return masses, problems


def nominal_mass(mass):
    whole = math.floor(mass)
    return whole + 1 if mass - whole > 0.8 else whole


def matches(mass, truth, centres, widest):
    lo = bisect.bisect_left(centres, mass - widest)
    hi = bisect.bisect_right(centres, mass + widest)
    return [p for p in truth[lo:hi] if abs(mass - p["centre"]) <= 0.5 * p["fwhm"]]


def percent(part, whole):
    return "%.1f" % (100.0 * part / whole) if whole else "–"


def measure(batch_path, spectrum, kolusred, height):
    truth = read_truth(spectrum[: -len(".txt")] + "_truth.csv")
    xs, ys = read_points(spectrum)
    noise_at_peaks(xs, ys, truth)
    common = ["--kolusred", str(kolusred)]
    zone_lines = batch(batch_path, ["zones", spectrum] + common).splitlines()
    zone_heights = [int(line.split(",")[0]) for line in zone_lines]
    if height is None:
        height = int(batch(batch_path, ["zones", spectrum, "--suggest"] + common))
    line = next((str(i + 1) for i, h in enumerate(zone_heights) if h == height), "–")
    table = batch(batch_path, ["peaks", spectrum, "--height", str(height)] + common)
    masses, problems = found_masses(table)
    centres = [p["centre"] for p in truth]
    widest = max(p["fwhm"] for p in truth)
    false = 0
    for m in masses:
        hit = matches(m, truth, centres, widest)
        for p in hit:
            p["found"] = True
        false += not hit
    true_nominal = {nominal_mass(p["centre"]) for p in truth}
    false += sum(1 for m in problems if m not in true_nominal)
    strong = [p for p in truth if p["height"] >= 10 * p["noise"]]
    strong_iso = [p for p in strong if p["isolated"]]
    found = sum(1 for p in strong if p.get("found"))
    found_iso = sum(1 for p in strong_iso if p.get("found"))
    problem_masses = set(problems)
    lost = sum(
        1 for p in strong if not p.get("found") and nominal_mass(p["centre"]) in problem_masses
    )
    rows = len(masses) + len(problems)
    cells = [
        os.path.basename(spectrum)[: -len(".txt")],
        len(xs),
        len(zone_heights),
        height,
        line,
        len(truth),
        len(strong),
        percent(found, len(strong)),
        percent(found_iso, len(strong_iso)),
        rows,
        len(problems),
        lost,
        false,
        percent(false, rows),
    ]
    return "| " + " | ".join(str(c) for c in cells) + " |"


def default_spectra(shared, generated):
    spectra = []
    for name, kolusred in SHARED_SPECTRA:
        path = os.path.join(shared, name + ".txt")
        if os.path.exists(path):
            spectra.append("%s:%d" % (path, kolusred))
        else:
            print("(%s is missing)" % path, file=sys.stderr)
    os.makedirs(generated, exist_ok=True)
    for name in generate_truth_points.CASES:
        path = os.path.join(generated, name + ".txt")
        if not os.path.exists(path) or not os.path.exists(path[: -len(".txt")] + "_truth.csv"):
            generate_truth_points.generate(name, generated)
        spectra.append("%s:%d" % (path, generate_truth_points.kolusred(name)))
    return spectra


def main(argv):
    batch_path, height, spectra = DEFAULT_BATCH, None, []
    shared, generated = DEFAULT_SHARED, os.path.join(tempfile.gettempdir(), "ostrel-suggest")
    args = iter(argv[1:])
    for a in args:
        if a == "--batch":
            batch_path = next(args)
        elif a == "--height":
            height = int(next(args))
        elif a == "--shared":
            shared = next(args)
        elif a == "--generated":
            generated = next(args)
        elif a.startswith("--"):
            sys.exit(__doc__)
        else:
            spectra.append(a)
    if not spectra:
        spectra = default_spectra(shared, generated)
    print(
        "| spectrum | points | zone lines | height | line | true peaks | strong (≥10σ) | found % "
        "| found % isolated | rows | failed rows | strong lost to the fit | false rows | false % |"
    )
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for s in spectra:
        name, colon, kolusred = s.rpartition(":")
        if not colon or not kolusred.isdigit():
            name, kolusred = s, "150"
        print(measure(batch_path, name, kolusred, height), flush=True)


if __name__ == "__main__":
    main(sys.argv)
