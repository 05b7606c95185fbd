#!/usr/bin/env python3
"""Checks every file of a kelvara-capture logging run for completeness.

  soak_check.py <folder> ...

PCD: the header's point count and field sizes against the file size. PNG:
signature, chunk CRCs, a 320 x 240 8-bit RGB header, IEND last, and the
decompressed image data holds exactly 240 rows. CSV: frame tables have 240
lines of 320 fields; other tables a constant field count; CR LF endings.
Raw: 153600 bytes. Settings (.txt): whole blocks. No temporary files.
Prints one line per problem and a summary; exit status 1 on any problem.
"""
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 320, 240
problems = []
counts = {}


def problem(path, why):
    problems.append(f"{path}: {why}")


def check_pcd(path, data):
    end = data.find(b"\nDATA ")
    if end < 0:
        return problem(path, "no DATA line")
    end = data.find(b"\n", end + 1)
    if end < 0:
        return problem(path, "header not ended")
    fields = {}
    for line in data[:end].decode("ascii", "replace").splitlines():
        parts = line.split()
        if parts:
            fields[parts[0]] = parts[1:]
    try:
        points = int(fields["POINTS"][0])
        record = sum(int(s) * int(c) for s, c in zip(fields["SIZE"], fields["COUNT"]))
    except (KeyError, ValueError, IndexError):
        return problem(path, "header lacks POINTS, SIZE or COUNT")
    if points != WIDTH * HEIGHT:
        problem(path, f"POINTS {points}")
    want = end + 1 + points * record
    if len(data) != want:
        problem(path, f"{len(data)} bytes, header promises {want}")


def check_png(path, data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        return problem(path, "no PNG signature")
    at, idat, seen = 8, b"", []
    while at < len(data):
        if at + 12 > len(data):
            return problem(path, "truncated chunk")
        (length,) = struct.unpack(">I", data[at:at + 4])
        kind = data[at + 4:at + 8]
        body = data[at + 8:at + 8 + length]
        if len(body) != length or at + 12 + length > len(data):
            return problem(path, f"truncated {kind!r} chunk")
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            return problem(path, f"bad CRC in {kind!r}")
        seen.append(kind)
        if kind == b"IHDR":
            w, h, depth, colour = struct.unpack(">IIBB", body[:10])
            if (w, h, depth, colour) != (WIDTH, HEIGHT, 8, 2):
                problem(path, f"IHDR {w}x{h} depth {depth} colour {colour}")
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    if not seen or seen[0] != b"IHDR" or seen[-1] != b"IEND":
        return problem(path, "chunks not IHDR ... IEND")
    try:
        pixels = zlib.decompress(idat)
    except zlib.error as e:
        return problem(path, f"image data: {e}")
    if len(pixels) != HEIGHT * (1 + 3 * WIDTH):
        problem(path, f"{len(pixels)} bytes of image data")


def check_csv(path, data, name):
    if not data.endswith(b"\r\n"):
        return problem(path, "does not end with CR LF")
    lines = data[:-2].split(b"\r\n")
    widths = {line.count(b",") + 1 for line in lines}
    if name.endswith("_temp.csv"):
        if len(widths) != 1:
            problem(path, f"lines of {sorted(widths)} fields")
        return
    if len(lines) != HEIGHT or widths != {WIDTH}:
        problem(path, f"{len(lines)} lines of {sorted(widths)} fields")


def check_txt(path, data):
    if not data.endswith(b"\r\n"):
        problem(path, "does not end with CR LF")
    if b"Number of samples" not in data:
        problem(path, "no settings block")


def check_folder(folder):
    for root, _dirs, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            if name.startswith("."):
                problem(path, "temporary file left behind")
                continue
            with open(path, "rb") as f:
                data = f.read()
            kind = os.path.splitext(name)[1]
            counts[kind] = counts.get(kind, 0) + 1
            if kind == ".pcd":
                check_pcd(path, data)
            elif kind == ".png":
                check_png(path, data)
            elif kind == ".csv":
                check_csv(path, data, name)
            elif kind == ".raw":
                if len(data) != WIDTH * HEIGHT * 2:
                    problem(path, f"{len(data)} bytes")
            elif kind == ".txt":
                check_txt(path, data)
            else:
                problem(path, "unexpected file")


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    for folder in sys.argv[1:]:
        check_folder(folder)
    for p in problems[:50]:
        print(p)
    summary = ", ".join(f"{n} {k}" for k, n in sorted(counts.items()))
    print(f"soak_check: {sum(counts.values())} files ({summary}), {len(problems)} problems")
    return 1 if problems or not counts else 0


if __name__ == "__main__":
    sys.exit(main())
