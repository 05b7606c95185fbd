"""Each error the module raises: a missing or unopenable port, a silent
camera, a refused value, a file that is no recording."""

import os
import signal

import pytest
from conftest import camera_measuring

import kelvara


@pytest.fixture
def port_link():
    """Registers a port-directory entry COM<n> -> target; removed afterwards."""
    made = []

    def link(number, target):
        path = os.path.join(os.environ["KELVARA_PORT_DIR"], f"COM{number}")
        os.symlink(target, path)
        made.append(path)
        return f"COM{number}"

    yield link
    for path in made:
        os.unlink(path)


def test_a_port_that_does_not_exist():
    with pytest.raises(FileNotFoundError) as e:
        kelvara.Camera("COM99")
    assert e.value.filename == "COM99"
    assert "No such file or directory" in str(e.value)


def test_a_port_that_cannot_be_opened(port_link):
    # A character device that is no serial line: the system refuses its settings.
    name = port_link(98, "/dev/null")
    assert name in kelvara.list_ports()
    with pytest.raises(OSError) as e:
        kelvara.Camera(name)
    assert e.value.filename == name
    assert e.value.errno == 25 and "Inappropriate ioctl for device" in str(e.value)


@pytest.mark.parametrize("port", ["/dev/ttyS0", "COM", "COMx"])
def test_a_port_name_of_another_kind(port):
    with pytest.raises(ValueError, match="COM<n>"):
        kelvara.Camera(port)


def test_a_silent_camera(port_link):
    line, device = os.openpty()  # nobody answers on it
    try:
        name = port_link(97, os.ttyname(device))
        with pytest.raises(TimeoutError, match=name):
            kelvara.Camera(name)
    finally:
        os.close(line)
        os.close(device)


def test_a_camera_that_falls_silent_during_frames(sim):
    with kelvara.Camera(sim.port) as cam:
        cam.format = 4
        with pytest.raises(TimeoutError, match=f"no frame from the camera on {sim.port} for 1.0 s"):
            for f in cam.frames(timeout=1.0):
                if f.index == 1:
                    sim.process.send_signal(signal.SIGSTOP)
        sim.process.send_signal(signal.SIGCONT)
        assert cam.state == "Ready"
    assert not camera_measuring(sim.device)


@pytest.mark.parametrize(
    "settings, message",
    [
        ({"exposure_time": 99999}, r"exposure_time must lie in 170\.\.5312 us in mode 0"),
        ({"exposure_time": 10}, r"170\.\.5312"),
        ({"mode": 1, "exposure_time": 10001}, r"20\.\.10000 us in mode 1"),
        ({"frame_rate_limiter": 21}, r"frame_rate_limiter must lie in 0\.\.20, not 21"),
        ({"rotation_x": -1}, r"0\.\.359"),
        ({"data_size_kb": 3}, r"one of 1, 2, 4, 8, 16"),
        ({"enr_threshold": 12500}, r"0\.\.12499"),
        ({"shutter": 1}, r"no setting \"shutter\"; the settings are format, mode, exposure_time"),
        ({"format": "Depth"}, r"no format \"Depth\"; the formats are 0 \"Amplitude\""),
        ({"format": 7}, r"no format 7"),
    ],
)
def test_a_refused_value_names_the_range(sim, settings, message):
    with kelvara.Camera(sim.port) as cam:
        before = cam.parameters
        with pytest.raises(ValueError, match=message):
            cam.set(**settings)
        # Nothing was sent.
        assert cam.parameters == before


def test_settings_while_measuring_are_refused(sim):
    with kelvara.Camera(sim.port) as cam:
        for f in cam.frames(count=1):
            with pytest.raises(RuntimeError, match="measuring"):
                cam.set(exposure_time=1000)
    assert not camera_measuring(sim.device)


def test_one_camera_per_process(sim):
    with kelvara.Camera(sim.port):
        with pytest.raises(RuntimeError, match="another kelvara.Camera is open"):
            kelvara.Camera(sim.port)
    with kelvara.Camera(sim.port) as cam:  # free again
        assert cam.version


@pytest.mark.parametrize(
    "content, why",
    [
        (b"", "not a recording|too short|empty"),
        (b"hello, this is text and no recording at all\n" * 4, "not a recording"),
        (b"KVRECORD" + b"\xff" * 40, ""),
    ],
)
def test_a_file_that_is_no_recording(tmp_path, content, why):
    path = tmp_path / "file.kvrec"
    path.write_bytes(content)
    with pytest.raises(ValueError, match=why) as e:
        kelvara.Recording(str(path))
    assert str(path) in str(e.value)


def test_a_recording_that_does_not_exist(tmp_path):
    with pytest.raises(FileNotFoundError):
        kelvara.Recording(str(tmp_path / "missing.kvrec"))
