"""kelvara.Camera against the pattern simulator: every array of every format
equals the pattern's values, including the special pixels of row 5."""

import threading

import numpy as np
import pytest
from conftest import A, Simulator, assert_pattern_frame, camera_measuring

import kelvara


@pytest.mark.parametrize("format_index", range(len(kelvara.FORMATS)))
def test_every_array_equals_the_pattern(sim, format_index):
    with kelvara.Camera(sim.port) as cam:
        cam.format = kelvara.FORMATS[format_index]
        assert cam.format == kelvara.FORMATS[format_index]
        frames = list(cam.frames(count=3))
        assert cam.state == "Ready"
    assert [f.index for f in frames] == [0, 1, 2]
    assert frames[0].time_ns < frames[1].time_ns < frames[2].time_ns
    # The first frame's arrays outlive the frames after it.
    for f in frames:
        assert_pattern_frame(f, format_index)


def test_arrays_are_read_only_views_that_outlive_the_frame(sim):
    with kelvara.Camera(sim.port) as cam:
        cam.format = "Distance(Cartesian)+AMP"
        frame = next(iter(cam.frames(count=1)))
    amplitude = frame.amplitude
    # A view of the frame's buffer, not a copy per access.
    assert np.shares_memory(amplitude, frame.amplitude)
    assert frame.points is frame.points
    for array in (frame.distance, amplitude, frame.points, frame.valid):
        assert not array.flags.writeable
        with pytest.raises(ValueError):
            array[0, 0] = 0
    del frame
    np.testing.assert_array_equal(amplitude, A)


def test_camera_facts_parameters_and_settings(sim):
    with kelvara.Camera(sim.number) as cam:
        assert cam.port == sim.port
        assert cam.version == "1.0.5.00000042"
        assert cam.parameters == {
            "format": "Distance(Polar)",
            "mode": 0,
            "exposure_time": 425,
            "frame_rate_limiter": 0,
            "amplitude_min_all": 1,
            "amplitude_min_near": 3,
            "rotation_x": 0,
            "rotation_y": 0,
            "rotation_z": 0,
            "led_freq_id": 8,
            "pilot_led": 1,
            "data_size_kb": 16,
            "interval_us": 0,
            "enr_threshold": 0,
        }
        cam.set(exposure_time=1000, amplitude_min_all=7, format=4)
        p = cam.parameters
        assert (p["exposure_time"], p["amplitude_min_all"], p["format"]) == (1000, 7, "Distance(Polar)+AMP")
        # High speed mode allows shorter exposures.
        cam.set(mode=1, exposure_time=20)
        assert cam.parameters["exposure_time"] == 20


def test_frames_health_and_temperatures(sim):
    with kelvara.Camera(sim.port) as cam:
        cam.format = "Distance(Polar)+AMP"
        frames = list(cam.frames(count=20))
        h = cam.health
    assert h["received"] >= 20
    assert h["failed_cycles"] == h["no_response"] == h["wrong_start_byte"] == h["length_mismatch"] == 0
    assert h["dropped"] == 0
    temperatures = [f.temperatures for f in frames if f.temperatures is not None]
    assert temperatures, "no frame carries temperatures"
    assert temperatures[-1] == {
        "upper_left": 35.0,
        "upper_right": 35.2,
        "lower_left": 35.4,
        "lower_right": 35.6,
        "led": 30.0,
    }


@pytest.mark.parametrize("how", ["break", "count", "close", "exception"])
def test_the_camera_stops_when_the_loop_ends(sim, how):
    with kelvara.Camera(sim.port) as cam:
        cam.format = 5
        if how == "break":
            for f in cam.frames():
                if f.index == 2:
                    break
        elif how == "count":
            assert len(list(cam.frames(count=3))) == 3
        elif how == "close":
            stream = cam.frames()
            next(stream)
            stream.close()
            with pytest.raises(StopIteration):
                next(stream)
        else:
            with pytest.raises(ZeroDivisionError):
                for f in cam.frames():
                    1 / 0
        assert cam.state == "Ready"
    assert not camera_measuring(sim.device)


def test_list_ports_names_the_simulator(sim):
    assert sim.port in kelvara.list_ports()


def test_waiting_for_a_frame_lets_other_threads_run():
    # Paced at about 2 frames per second: frames() mostly waits.
    paced = Simulator("--scene", "pattern", "--link-rate", "1300000")
    counted = [0]
    done = threading.Event()

    def count():
        while not done.is_set():
            counted[0] += 1

    try:
        with kelvara.Camera(paced.port) as cam:
            cam.format = 4
            worker = threading.Thread(target=count)
            worker.start()
            try:
                before = counted[0]
                frames = list(cam.frames(count=2))
                during = counted[0] - before
            finally:
                done.set()
                worker.join()
    finally:
        paced.stop()
    assert len(frames) == 2
    # About a second of waiting: millions of counts; with the GIL held, at
    # most a few switch intervals' worth.
    assert during > 1000000
