#!/usr/bin/env python3
"""Writes generated spectra with their ground truth, for measuring the suggested height.

Usage: bench/generate_truth_points.py OUT_DIR [CASE ...]

Every case writes OUT_DIR/CASE.txt (the lab's text format: a quoted title, two lines "",
then "mass<5 blanks>intensity" with CR LF) and OUT_DIR/CASE_truth.csv with the columns of the
shared data sets (label, kind, true_mass, centre, height, fwhm, isolated, nearest_sep_fwhm).
The peaks have the shape B*exp(-(1.6651*R*(D/x - 1))^2) on a baseline a + b*exp(-(x-x0)/c);
the counts get Poisson noise and Gaussian read noise. Fixed seeds: the same case always gives the
same files. Only the standard library is used.
"""

import bisect
import math
import os
import random
import sys

# name: (seed, first x, last x, R, step (u) or -points per FWHM, peaks, lowest and highest
#        height (counts above the baseline), baseline a, b, c, read noise sigma, KolUsred)
CASES = {
    # few isolated peaks, step proportional to the mass, as a quadrupole-free TOF file
    "gen_sparse_R3000": (11, 40.0, 240.0, 3000, -16.7, 30, 20.0, 2e5, 50, 100, 100, 4.0, 150),
    # many peaks, some of them overlapping
    "gen_dense_R3000": (12, 30.0, 230.0, 3000, 0.001, 400, 10.0, 1e5, 30, 0, 1, 3.0, 150),
    # a high, noisy baseline and weak peaks
    "gen_noisy_R2000": (13, 30.0, 330.0, 2000, 0.002, 100, 30.0, 3000.0, 400, 200, 150, 8.0, 150),
    # almost no noise: a baseline of two counts
    "gen_quiet_R3000": (14, 30.0, 180.0, 3000, 0.001, 50, 5.0, 5e4, 2, 0, 1, 0.5, 150),
    # a steep baseline at the low masses
    "gen_steep_R3000": (15, 30.0, 180.0, 3000, 0.001, 60, 20.0, 1e5, 20, 3000, 15, 3.0, 150),
    # low resolving power over a wide mass range
    "gen_wide_R1000": (16, 100.0, 1100.0, 1000, -20.0, 40, 20.0, 1e5, 60, 0, 1, 5.0, 150),
    # high resolving power, read with little smoothing
    "gen_sharp_R10000": (17, 30.0, 200.0, 10000, -12.0, 60, 50.0, 1e5, 40, 40, 60, 4.0, 10),
    # three peaks only
    "gen_three_R3000": (18, 50.0, 100.0, 3000, 0.001, 3, 500.0, 5e4, 40, 0, 1, 4.0, 150),
    # coarse sampling: 3 to 20 points per FWHM
    "gen_coarse_R3000": (20, 40.0, 240.0, 3000, 0.004, 40, 20.0, 1e5, 50, 50, 100, 4.0, 150),
    # high resolving power over a long mass range: 1.76 million points, many noise zones
    "gen_long_R30000": (21, 30.0, 1000.0, 30000, -16.7, 150, 20.0, 1e5, 30, 30, 300, 3.0, 150),
    # one million points with 2,000 peaks, as the benchmark spectrum
    "gen_large_R3000": (19, 20.0, 1019.999, 3000, 0.001, 2000, 10.0, 2e5, 30, 60, 200, 3.0, 150),
}


def poisson(rng, lam):
    if lam <= 0:
        return 0
    if lam > 50:
        return max(0, round(rng.gauss(lam, math.sqrt(lam))))
    limit, k, p = math.exp(-lam), 0, 1.0
    while True:
        p *= rng.random()
        if p <= limit:
            return k
        k += 1


def masses(first, last, step, resolution):
    xs = []
    x = first
    if step > 0:
        n = int(round((last - first) / step)) + 1
        return [first + step * i for i in range(n)]
    while x <= last:
        xs.append(x)
        x += x / (resolution * -step)
    return xs


def isolation(peaks):
    """For each peak: 1 when no other peak adds more than 1 % of its height within +-3 FWHM,
    and the distance to the nearest other peak in FWHM."""
    out = []
    centres = [p[0] for p in peaks]
    for i, (c, h, w) in enumerate(peaks):
        isolated = 1
        nearest = min(abs(centres[j] - c) / w for j in (i - 1, i + 1) if 0 <= j < len(peaks)) \
            if len(peaks) > 1 else 999.0
        lo = bisect.bisect_left(centres, c - 30 * w)
        hi = bisect.bisect_right(centres, c + 30 * w)
        for j in range(lo, hi):
            if j == i:
                continue
            cj, hj, wj = peaks[j]
            gap = max(0.0, abs(cj - c) - 3 * w)
            if hj * math.exp(-((1.6651 * gap / wj) ** 2)) > 0.01 * h:
                isolated = 0
        out.append((isolated, nearest))
    return out


def generate(name, out_dir):
    seed, first, last, res, step, count, hlo, hhi, ba, bb, bc, sigma, _ = CASES[name]
    rng = random.Random(seed)
    xs = masses(first, last, step, res)
    span = last - first
    peaks = []
    for k in range(count):
        centre = first + 0.01 * span + 0.98 * span * (k + rng.random()) / count
        height = hlo * (hhi / hlo) ** rng.random()
        peaks.append((centre, height, centre / res))
    peaks.sort()
    expected = [ba + bb * math.exp(-(x - first) / bc) for x in xs]
    for centre, height, fwhm in peaks:
        lo = bisect.bisect_left(xs, centre - 5 * fwhm)
        hi = bisect.bisect_right(xs, centre + 5 * fwhm)
        for i in range(lo, hi):
            t = 1.6651 * res * (centre / xs[i] - 1)
            expected[i] += height * math.exp(-t * t)
    lines = ['"generated %s, seed %d"' % (name, seed), '""', '""']
    for x, lam in zip(xs, expected):
        y = max(0.0, poisson(rng, lam) + rng.gauss(0, sigma))
        lines.append("%.6f     %.1f" % (x, y))
    with open(os.path.join(out_dir, name + ".txt"), "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")
    with open(os.path.join(out_dir, name + "_truth.csv"), "w", newline="") as f:
        f.write("label,kind,true_mass,centre,height,fwhm,isolated,nearest_sep_fwhm\n")
        for k, ((c, h, w), (iso, near)) in enumerate(zip(peaks, isolation(peaks))):
            f.write("P%d,main,%.6f,%.6f,%.2f,%.6f,%d,%.2f\n" % (k + 1, c, c, h, w, iso, near))


def kolusred(name):
    return CASES[name][-1]


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    out_dir = argv[1]
    os.makedirs(out_dir, exist_ok=True)
    for name in argv[2:] or list(CASES):
        if name not in CASES:
            sys.exit("unknown case " + name)
        generate(name, out_dir)
        print(os.path.join(out_dir, name + ".txt"))


if __name__ == "__main__":
    main(sys.argv)
