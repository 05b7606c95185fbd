"""Ctrl-C during frames() in a Python process of its own: the camera is
stopped, then KeyboardInterrupt ends the program."""

import os
import select
import signal
import subprocess
import sys

import pytest
from conftest import Simulator, camera_measuring

CHILD = r"""
import sys
import kelvara
with kelvara.Camera(sys.argv[1]) as cam:
    cam.format = "Distance(Cartesian)+AMP"
    try:
        for frame in cam.frames():
            if frame.index == 0:
                print("measuring", flush=True)
    except KeyboardInterrupt:
        print("interrupted", cam.state, flush=True)
        raise
"""


def interrupt(script, *args, after):
    """Runs `script` in a Python of its own, sends SIGINT once it printed
    `after`, and returns its output, errors and exit status."""
    child = subprocess.Popen(
        [sys.executable, "-c", script, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
        env=os.environ.copy(),
    )
    try:
        ready, _, _ = select.select([child.stdout], [], [], 30)
        assert ready and child.stdout.readline() == after
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=30)
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
    return out, err, child.returncode


# Unpaced, the signal mostly lands in Python code between frames; paced at
# about 2 frames per second, while frames() waits for the next frame.
@pytest.mark.parametrize("pace", [[], ["--link-rate", "1300000"]], ids=["unpaced", "waiting"])
def test_ctrl_c_during_frames_stops_the_camera(pace):
    sim = Simulator("--scene", "pattern", *pace)
    try:
        out, err, status = interrupt(CHILD, sim.port, after="measuring\n")
        assert out == "interrupted Ready\n"
        assert "KeyboardInterrupt" in err
        assert status in (-signal.SIGINT, 130, 1)
        assert not camera_measuring(sim.device)
    finally:
        sim.stop()


def test_ctrl_c_while_connecting_to_a_silent_camera():
    line, device = os.openpty()  # nobody answers on it
    link = os.path.join(os.environ["KELVARA_PORT_DIR"], "COM96")
    os.symlink(os.ttyname(device), link)
    try:
        script = "import kelvara\nprint('connecting', flush=True)\nkelvara.Camera('COM96')\n"
        out, err, status = interrupt(script, after="connecting\n")
    finally:
        os.unlink(link)
        os.close(line)
        os.close(device)
    assert "KeyboardInterrupt" in err and "TimeoutError" not in err
    assert status in (-signal.SIGINT, 130, 1)
