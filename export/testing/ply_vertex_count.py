#!/usr/bin/env python3
"""Prints the vertex count of a binary PLY file, read with the standard
library only, after checking that the header's elements account for the
file's size exactly."""
import sys

SIZES = {"char": 1, "uchar": 1, "int8": 1, "uint8": 1, "short": 2, "ushort": 2,
         "int16": 2, "uint16": 2, "int": 4, "uint": 4, "int32": 4, "uint32": 4,
         "float": 4, "float32": 4, "double": 8, "float64": 8}


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
            current = [words[1], int(words[2]), 0]
            elements.append(current)
        elif words[0] == "property":
            if words[1] == "list":
                raise SystemExit("list properties are not expected")
            current[2] += SIZES[words[1]]
    body = sum(count * size for _, count, size in elements)
    if body != len(data) - end:
        raise SystemExit("header announces %d body bytes, the file has %d" % (body, len(data) - end))
    vertex = [e for e in elements if e[0] == "vertex"][0]
    print(vertex[1])


if __name__ == "__main__":
    main(sys.argv[1])
