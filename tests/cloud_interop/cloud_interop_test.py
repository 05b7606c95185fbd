#!/usr/bin/python3
"""Clouds of kelvara-export opened in Open3D (Debian's python3-open3d).

Records two frames of the simulator's room scene with kelvara-capture,
exports the first as PCD and PLY in both axes conventions, and loads each
with Open3D: the point count must be the frame's pixels with a point (read
from the recording with the standard library), and the floor plane that
Open3D's RANSAC finds must lie at y = -1 m in camera axes and at y = +1 m
in OpenCV axes.

usage: cloud_interop_test.py CAMSIM CAPTURE EXPORT
"""
import os
import struct
import subprocess
import sys
import tempfile

import numpy as np
import open3d as o3d

FRAME_BYTES = 614656
PCD_HEADER_BYTES = 170
PIXELS = 320 * 240
MAX_MM = 12499


def points_in_recording(path):
    """Pixels with a point in the first frame of a recording."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"KVRECORD":
        raise SystemExit("%s is no recording" % path)
    (body,) = struct.unpack_from("<I", data, 12)
    offset = 16 + body + 4
    size, kind = struct.unpack_from("<IB", data, offset)
    if kind != 1 or size != FRAME_BYTES:
        raise SystemExit("the first record is not a frame")
    frame = data[offset + 16:offset + 16 + size]
    records = np.frombuffer(frame, dtype="<i2", count=3 * PIXELS, offset=PCD_HEADER_BYTES).reshape(-1, 3)
    return int(np.count_nonzero(np.abs(records[:, 0].astype(np.int32)) <= MAX_MM))


def floor_height(cloud):
    """The y of the largest plane whose normal is nearly the y axis."""
    rest = cloud
    for _ in range(4):
        if len(rest.points) < 100:
            break
        (a, b, c, d), inliers = rest.segment_plane(distance_threshold=0.02, ransac_n=3, num_iterations=2000)
        if abs(b) > 0.98:
            return -d / b
        rest = rest.select_by_index(inliers, invert=True)
    raise SystemExit("no floor plane found")


def main(camsim, capture, export):
    failures = []
    o3d.utility.random.seed(1)
    with tempfile.TemporaryDirectory(prefix="kelvara-interop-") as tmp:
        env = dict(os.environ, KELVARA_RUNTIME_DIR=os.path.join(tmp, "run"))
        sim = subprocess.Popen([camsim, "--scene", "room"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
        try:
            ready = sim.stdout.readline().decode().split()  # "COM<n> <device>"
            if not ready or not ready[0].startswith("COM"):
                raise SystemExit("the simulator did not become ready")
            recording = os.path.join(tmp, "room.kvrec")
            subprocess.run([capture, "--port", ready[0][3:], "--format", "5", "--total", "2", "--out",
                            os.path.join(tmp, "logs"), "--record", recording], env=env, check=True,
                           stderr=subprocess.DEVNULL)
        finally:
            sim.terminate()
            sim.wait()
        expected = points_in_recording(recording)
        for axes, floor in (("camera", -1.0), ("opencv", 1.0)):
            for ext in ("pcd", "ply"):
                out = os.path.join(tmp, "%s.%s" % (axes, ext))
                subprocess.run([export, "--frame", "0", "--axes", axes, recording, out], check=True,
                               stderr=subprocess.DEVNULL)
                # The organised PCD holds NaN for the pixels without a point;
                # the PLY must hold none, so nothing is removed from it.
                cloud = o3d.io.read_point_cloud(out, remove_nan_points=(ext == "pcd"))
                count = len(cloud.points)
                finite = int(np.count_nonzero(np.isfinite(np.asarray(cloud.points)).all(axis=1)))
                height = floor_height(cloud)
                line = "%s %s: %d points (%d finite, %d expected), floor at y = %.3f m (%.1f expected)" % (
                    axes, ext, count, finite, expected, height, floor)
                print(line)
                if count != expected or finite != expected or abs(height - floor) > 0.03:
                    failures.append(line)
    print("%d passed, %d failed" % (4 - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
