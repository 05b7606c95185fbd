"""Fixtures: a private runtime and port directory, the pattern simulator,
the pattern's values as numpy arrays, and a probe of the camera's state."""

import os
import select
import shutil
import signal
import subprocess
import tempfile
import termios
import tty

import numpy as np
import pytest

import kelvara

ROWS, COLS = 240, 320


def program(name):
    """A program of the build (ctest passes their paths)."""
    path = os.environ.get(name)
    if not path:
        pytest.skip(f"{name} is not set (run the tests through ctest)")
    return os.path.abspath(path)


@pytest.fixture(scope="session", autouse=True)
def runtime_dir():
    """Every simulator and every port lookup of the tests in a folder of their own."""
    folder = tempfile.mkdtemp(prefix="kelvara-pytest-")
    os.environ["KELVARA_RUNTIME_DIR"] = folder
    os.environ["KELVARA_PORT_DIR"] = os.path.join(folder, "ports")
    os.makedirs(os.environ["KELVARA_PORT_DIR"], exist_ok=True)
    yield folder
    shutil.rmtree(folder, ignore_errors=True)


class Simulator:
    """kelvara-camsim as a child process; ready once it printed "COM<N> <device>"."""

    def __init__(self, *args):
        self.process = subprocess.Popen(
            [program("KELVARA_CAMSIM"), *args], stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True
        )
        ready, _, _ = select.select([self.process.stdout], [], [], 10)
        line = self.process.stdout.readline() if ready else ""
        if not line.startswith("COM"):
            self.stop()
            raise RuntimeError(f"the simulator did not report ready: {line!r}")
        self.port, self.device = line.split()
        self.number = int(self.port[3:])

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGCONT)
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()


@pytest.fixture
def sim():
    """The pattern scene, unpaced."""
    s = Simulator("--scene", "pattern")
    yield s
    s.stop()


def camera_measuring(device):
    """Asks the camera on `device` (nobody else may have it open) for a
    result: True when it answers with a frame, False when it refuses
    because it is not measuring."""
    fd = os.open(device, os.O_RDWR | os.O_NOCTTY)
    try:
        tty.setraw(fd)
        termios.tcflush(fd, termios.TCIOFLUSH)
        os.write(fd, bytes([0xFC, 0x82, 0x00, 0x00]))
        head = b""
        while len(head) < 6:
            ready, _, _ = select.select([fd], [], [], 5)
            if not ready:
                raise TimeoutError("the camera did not answer the result request")
            head += os.read(fd, 6 - len(head))
        assert head[0] == 0xFE
        return head[1] == 0
    finally:
        os.close(fd)


def pattern():
    """The pattern scene's words: distance D, amplitude A and the point
    records (x, y, z) in mm, as int arrays of (240, 320) and (240, 320, 3)."""
    r, c = np.mgrid[0:ROWS, 0:COLS]
    d = 400 + 16 * r + c
    a = (r + 2 * c) % 256
    xyz = np.stack([c - 160, 120 - r, d], axis=-1)
    special = [  # row 5: column, distance, amplitude, point record
        (0, 30000, 510, (30000, 7, 7)),
        (1, 31000, 511, (31000, 7, 7)),
        (2, 32000, 300, (32000, 7, 7)),
        (3, -1, 256, (12500, 0, 0)),
        (4, -16385, 255, (-12500, 0, 0)),
        (5, 20000, 0, (12499, 0, 0)),
        (6, 0, 1, (-12499, 0, 0)),
        (7, 12499, 2, (3, 4, 0)),
    ]
    for col, dist, amp, rec in special:
        d[5, col], a[5, col], xyz[5, col] = dist, amp, rec
    return d, a, xyz


D, A, XYZ = pattern()
HAS_POINT = np.abs(XYZ[..., 0]) <= 12499


def expected(format_index):
    """distance, amplitude, points (metres or None) and valid of a pattern frame
    of `format_index`."""
    if format_index == 0:  # Amplitude: plane 0 holds A
        return None, A, None, (A >= 0) & (A <= 255)
    if format_index in (1, 4):
        return D, (A if format_index == 4 else None), None, (D >= 0) & (D <= 12499)
    # Point formats: distance is the vector's length, x's code where there is no point.
    length = np.floor(np.sqrt((XYZ.astype(np.float64) ** 2).sum(axis=-1))).astype(np.int64)
    distance = np.where(HAS_POINT, length, XYZ[..., 0])
    points = np.where(HAS_POINT[..., None], XYZ / 1000.0, np.nan)
    return distance, (A if format_index in (5, 6) else None), points, HAS_POINT


def assert_pattern_frame(frame, format_index):
    """Every array of `frame` equals the pattern's values for its format."""
    want_distance, want_amplitude, want_points, want_valid = expected(format_index)
    assert frame.format == kelvara.FORMATS[format_index]
    for name, want in (("distance", want_distance), ("amplitude", want_amplitude)):
        got = getattr(frame, name)
        if want is None:
            assert got is None, name
        else:
            assert got.shape == (240, 320) and got.dtype == np.int16, name
            np.testing.assert_array_equal(got, want, err_msg=name)
    if want_points is None:
        assert frame.points is None
    else:
        assert frame.points.shape == (240, 320, 3) and frame.points.dtype == np.float32
        np.testing.assert_array_equal(frame.points, want_points.astype(np.float32))
    assert frame.valid.shape == (240, 320) and frame.valid.dtype == np.bool_
    np.testing.assert_array_equal(frame.valid, want_valid)
