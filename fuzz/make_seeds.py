#!/usr/bin/env python3
"""Writes the seed corpora of the text fuzz targets from small cuts of the example spectra and of
the shared spectra beside the repository (when they are there):

  fuzz/corpus/spectrum_reader/  cuts with and without a header, in every line end, with Ctrl+Z,
                                long lines and fields, Windows-1251 and broken UTF-8 titles
  fuzz/corpus/road/             four choice bytes and a cut of a few peaks

The mzML and mzXML seeds come from the library's writer: build the target make_mz_seeds and run
it with the folder fuzz/corpus/mz_reader.
"""
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCES = [os.path.join(ROOT, "examples", n) for n in
           ("small_hydrocarbon.txt", "hydrocarbon_R3000.txt", "pftba_R3000.txt")]
SHARED = os.path.join(os.path.dirname(ROOT), "shared", "data")
if os.path.isdir(SHARED):
    SOURCES += [os.path.join(SHARED, n) for n in sorted(os.listdir(SHARED)) if n.endswith(".txt")]


def lines_of(path):
    with open(path, "rb") as f:
        return f.read().split(b"\r\n")


def strongest_run(points, length):
    """The cut of `length` points around the highest point."""
    top = max(range(len(points)), key=lambda i: float(points[i].split()[1]))
    start = max(0, min(len(points) - length, top - length // 2))
    return points[start:start + length]


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    reader = os.path.join(ROOT, "fuzz", "corpus", "spectrum_reader")
    road = os.path.join(ROOT, "fuzz", "corpus", "road")
    for path in SOURCES:
        if not os.path.exists(path):
            continue
        base = os.path.splitext(os.path.basename(path))[0]
        lines = lines_of(path)
        header, points = lines[:3], [l for l in lines[3:] if l.strip()]
        head = header + points[:40]
        write(reader, base + "_head.txt", b"\r\n".join(head) + b"\r\n")
        write(reader, base + "_lf.txt", b"\n".join(head) + b"\n")
        write(reader, base + "_cr.txt", b"\r".join(head))
        write(reader, base + "_bare.txt", b"\r\n".join(points[100:130]))
        write(reader, base + "_ctrlz.txt", b"\r\n".join(head[:20]) + b"\x1a" + b"\r\n".join(head[20:]))
        # Around the strongest peak: a few hundred points for the road, in its four choices.
        cut = strongest_run(points, 400)
        for k, choice in enumerate((b"\x00\x80\x05\x00", b"\x03\xff\x0a\x01", b"\x07\x10\x13\x02")):
            write(road, "%s_%d.bin" % (base, k), choice + b"\r\n".join(header + cut) + b"\r\n")
    write(reader, "long_lines.txt",
          b'"' + b"T" * 150 + b'"\r\n""\r\n""\r\n' + b"1.5" + b" " * 120 + b"2\r\n" +
          b"12345678901234567890 123456789012345678901\r\n" + b"2" * 22 + b" 1\r\n")
    write(reader, "titles.txt",
          b'"\xcc\xe0\xf1\xf1-\xf1\xef\xe5\xea\xf2\xf0 \x98\x00x"\r\n""\r\n""\r\n1 2\r\n2 3\r\n')
    write(reader, "broken_utf8.txt", b'"\xd0\x9c\xd0\xb0\xd1 \xc3\x28 \xe2\x82"\r\n"1"\r\n"2"\r\n'
          b"28.0; 1500\r\n28.0 15 7\r\n1.5e3 2\r\n-1 -.5\r\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
