#!/usr/bin/env python3
"""Reads a binary PLY file with the standard library only, checks that the
header's elements account for the file's size exactly, and prints one line:
the vertex count, how many vertices have a coordinate that is not a finite
number, the minimum and maximum y of the others, and the element names
("76795 0 -1.0 0.12 vertex")."""
import math
import struct
import sys

SIZES = {"char": 1, "uchar": 1, "int8": 1, "uint8": 1, "short": 2, "ushort": 2,
         "int16": 2, "uint16": 2, "int": 4, "uint": 4, "int32": 4, "uint32": 4,
         "float": 4, "float32": 4, "double": 8, "float64": 8}
CODES = {1: "b", 2: "h", 4: "i", 8: "d"}


def main(path):
    with open(path, "rb") as f:
        data = f.read()
    end = data.index(b"end_header\n") + len(b"end_header\n")
    lines = data[:end].decode("ascii").splitlines()
    if lines[0] != "ply" or not lines[1].startswith("format binary_little_endian"):
        raise SystemExit("not a binary little-endian PLY file")
    elements, current = [], None
    for line in lines[2:]:
        words = line.split()
        if words[0] == "element":
            current = [words[1], int(words[2]), []]
            elements.append(current)
        elif words[0] == "property":
            if words[1] == "list":
                raise SystemExit("list properties are not expected")
            current[2].append((words[2], words[1]))
    sizes = [sum(SIZES[t] for _, t in props) for _, _, props in elements]
    body = sum(count * size for (_, count, _), size in zip(elements, sizes))
    if body != len(data) - end:
        raise SystemExit("header announces %d body bytes, the file has %d" % (body, len(data) - end))
    name, count, props = elements[0]
    if name != "vertex":
        raise SystemExit("the first element is not vertex")
    fmt = "<" + "".join("f" if t in ("float", "float32") else CODES[SIZES[t]] for _, t in props)
    names = [n for n, _ in props]
    ix, iy, iz = names.index("x"), names.index("y"), names.index("z")
    nan, ys = 0, []
    for values in struct.iter_unpack(fmt, data[end:end + count * sizes[0]]):
        if not all(math.isfinite(values[i]) for i in (ix, iy, iz)):
            nan += 1
        else:
            ys.append(values[iy])
    low = min(ys) if ys else 0.0
    high = max(ys) if ys else 0.0
    print(count, nan, "%.6f" % low, "%.6f" % high, ",".join(e[0] for e in elements))


if __name__ == "__main__":
    main(sys.argv[1])
