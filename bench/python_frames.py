"""Run by python_bench: frames() against the simulator on port argv[1] for
argv[2] frames of format 5, then frame.points on fresh frames. Prints
"fps <frames per second>" and "points_ms <median> <max>"."""

import sys
import time

import numpy  # noqa: F401 (imported before timing, as any numpy program has it)

import kelvara

port, count = sys.argv[1], int(sys.argv[2])
with kelvara.Camera(port) as cam:
    cam.format = 5
    kept = []
    start = time.perf_counter()
    for frame in cam.frames(count=count):
        if len(kept) < 50:
            kept.append(frame)
    elapsed = time.perf_counter() - start
    dropped = cam.health["dropped"]
print(f"fps {count / elapsed:.3f}")
print(f"dropped {dropped}")
times = []
for frame in kept:  # the first access computes the points
    t = time.perf_counter()
    frame.points
    times.append(time.perf_counter() - t)
times.sort()
print(f"points_ms {times[len(times) // 2] * 1e3:.4f} {times[-1] * 1e3:.4f}")
