#!/usr/bin/env python3
"""Times `ostrel-batch peaks` beside OpenMS's PeakPickerHiRes on one spectrum, in turn, in one run.

Usage: bench/peer_compare.py [--runs N] [--work DIR] [--batch PATH] [--road PATH]

The spectrum is the road's: 1,000,001 points from 20 u, step 0.001 u, 2,000 peaks of R = 5000
(`build/bench/road --files-only` writes it). The same points become an mzML file through OpenMS:
a DTA2D text (one retention time) that `FileConverter` turns into mzML (64-bit masses, 32-bit
intensities, no compression). FileConverter does not say what kind of spectrum a DTA2D file
holds, and PeakPickerHiRes refuses a spectrum that is not declared as profile data, so the
script adds the cvParam "profile spectrum" (MS:1000128) beside the MS level, and moves the
index's offsets past it by its length.

Each round runs the three commands one after another, so that whatever else the machine does
falls on all of them alike:
  1. ostrel-batch peaks ROAD.txt --height 10000  (open, smooth, zones, fit every peak, the table)
  2. PeakPickerHiRes -in ROAD.mzML -out PICKED.mzML  (read, pick the centroids, write)
  3. ostrel-batch peaks ROAD.mzML --height 10000  (the same road as 1, the file read as mzML)
and prints the median wall time, the median processor time of all threads and the largest peak
resident memory of each, the ratios 1/2 (target 0.8) and 3/1 (target 1.15) and the peer's
version. Needs Debian's `topp`, which scripts/install-deps.sh installs when it is missing (as
root). Outputs are thrown away.
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HEIGHT = "10000"  # just above the noise of the generated spectrum (bench/road.cpp)


def build(batch, road):
    if os.path.exists(os.path.join(ROOT, "build", "CMakeCache.txt")) and \
            batch == default_batch() and road == default_road():
        subprocess.run(["cmake", "--build", os.path.join(ROOT, "build"), "-j2", "--target",
                        "ostrel-batch", "ostrel_road"], check=True, stdout=subprocess.DEVNULL)


def default_batch():
    return os.path.join(ROOT, "build", "ostrel-batch")


def default_road():
    return os.path.join(ROOT, "build", "bench", "road")


def make_mzml(text, mzml):
    """The text spectrum as profile mzML, through OpenMS's own writer."""
    if os.path.exists(mzml) and os.path.getmtime(mzml) >= os.path.getmtime(text):
        return
    dta2d = mzml + ".dta2d"
    raw = mzml + ".raw.mzML"
    with open(text, encoding="cp1251") as f, open(dta2d, "w") as out:
        out.write("#SEC\tMZ\tINT\n")
        for line in f:
            fields = line.split()
            if len(fields) >= 2 and fields[0][0].isdigit():
                out.write(f"1.0\t{fields[0]}\t{fields[1]}\n")
    subprocess.run(["FileConverter", "-in", dta2d, "-out", raw, "-no_progress"], check=True,
                   stdout=subprocess.DEVNULL)
    with open(raw, "rb") as f:
        xml = f.read()
    level = re.compile(rb'(\s*)(<cvParam cvRef="MS" accession="MS:1000511" name="ms level"[^>]*/>)')
    found = level.search(xml)
    if not found:
        sys.exit("FileConverter wrote no MS level to declare the profile spectrum beside")
    declaration = (found.group(1) +
                   b'<cvParam cvRef="MS" accession="MS:1000128" name="profile spectrum" />')
    xml = xml[:found.end()] + declaration + xml[found.end():]
    # The index gives byte offsets: those past the insertion move by its length, or a reader
    # finds no index there and has to scan the whole file for the spectra.
    def moved(match):
        offset = int(match.group(2))
        return match.group(1) + str(offset + len(declaration) if offset > found.end() else
                                    offset).encode() + match.group(3)
    xml = re.sub(rb'(<offset [^>]*>)(\d+)(</offset>)', moved, xml)
    xml, count = re.subn(rb'(<indexListOffset>)(\d+)(</indexListOffset>)', moved, xml)
    index = int(re.search(rb"<indexListOffset>(\d+)<", xml).group(1))
    if count != 1 or not xml[index:].lstrip().startswith(b"<indexList"):  # OpenMS: a LF before it
        sys.exit("the index of FileConverter's mzML does not lead to its <indexList>")
    with open(mzml, "wb") as f:
        f.write(xml)
    os.remove(dta2d)
    os.remove(raw)


def timed(command):
    """Wall seconds, processor seconds of all threads and peak resident memory (MB) of one run."""
    start = time.monotonic()
    pid = os.posix_spawn(command[0], command, os.environ,
                         file_actions=[(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
                                       (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)])
    _, status, usage = os.wait4(pid, 0)
    wall = time.monotonic() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{' '.join(command)} failed with {os.waitstatus_to_exitcode(status)}")
    # Linux counts in wait4's figures the children the process reaped itself: the mzML
    # reader's child of ostrel-batch is in them.
    cpu = usage.ru_utime + usage.ru_stime
    return wall, cpu, usage.ru_maxrss / 1024.0


def peer_version():
    out = subprocess.run(["PeakPickerHiRes", "--help"], capture_output=True, text=True)
    m = re.search(r"Version:\s*(\S+)", out.stdout + out.stderr)
    return m.group(1) if m else "unknown"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--work", default="/tmp/ostrel-peer")
    ap.add_argument("--batch", default=default_batch())
    ap.add_argument("--road", default=default_road())
    a = ap.parse_args()
    if shutil.which("FileConverter") is None or shutil.which("PeakPickerHiRes") is None:
        # OpenMS's tools come from Debian's topp, which the project's script installs as root.
        subprocess.run([os.path.join(ROOT, "scripts", "install-deps.sh"), "topp"], check=True)
    build(a.batch, a.road)
    os.makedirs(a.work, exist_ok=True)
    subprocess.run([a.road, "--files-only", "--work", a.work], check=True)
    text = os.path.join(a.work, "ostrel-road-1M.txt")
    mzml = os.path.join(a.work, "ostrel-road-1M.mzML")
    make_mzml(text, mzml)
    picked = os.path.join(a.work, "picked.mzML")
    commands = {
        "ostrel-batch peaks, text": [a.batch, "peaks", text, "--height", HEIGHT],
        "PeakPickerHiRes, mzML": ["/usr/bin/PeakPickerHiRes", "-in", mzml, "-out", picked,
                                  "-no_progress"],
        "ostrel-batch peaks, mzML": [a.batch, "peaks", mzml, "--height", HEIGHT],
    }
    for command in commands.values():  # one warm-up round: the files in the page cache
        timed(command)
    figures = {name: [] for name in commands}
    for _ in range(a.runs):
        for name, command in commands.items():
            figures[name].append(timed(command))
    print(f"{text}: 1,000,001 points, 2,000 peaks, height {HEIGHT}; "
          f"PeakPickerHiRes {peer_version()}; medians of {a.runs} rounds, in turn")
    print(f"{'':28} {'wall s':>8} {'cpu s':>8} {'peak MB':>8}")
    median = {}
    for name, runs in figures.items():
        wall = statistics.median(r[0] for r in runs)
        cpu = statistics.median(r[1] for r in runs)
        memory = max(r[2] for r in runs)
        median[name] = wall
        print(f"{name:28} {wall:8.3f} {cpu:8.3f} {memory:8.1f}")
    text_road = median["ostrel-batch peaks, text"]
    peer = median["PeakPickerHiRes, mzML"]
    mz_road = median["ostrel-batch peaks, mzML"]
    print(f"text road / PeakPickerHiRes   {text_road / peer:6.3f}  (target 0.8)")
    print(f"mzML road / text road         {mz_road / text_road:6.3f}  (target 1.15)")


if __name__ == "__main__":
    main()
