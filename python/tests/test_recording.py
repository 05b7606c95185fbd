"""kelvara.Recording reads a recording of kelvara-capture --record back frame
for frame: the pattern's values, and the very bytes the camera sends when
the recording is replayed."""

import subprocess

import pytest
from conftest import Simulator, assert_pattern_frame, program

import kelvara


@pytest.fixture(params=[4, 5], ids=["plane", "point"])
def recorded(request, sim, tmp_path):
    """A recording of 6 frames of the pattern in a plane or a point format."""
    path = tmp_path / "pattern.kvrec"
    subprocess.run(
        [program("KELVARA_CAPTURE"), "--port", str(sim.number), "--format", str(request.param), "--total", "6",
         "--out", str(tmp_path / "logs"), "--record", str(path)],
        check=True, capture_output=True, timeout=120,
    )
    return path, request.param


def test_a_recording_reads_back_frame_for_frame(recorded):
    path, format_index = recorded
    rec = kelvara.Recording(str(path))
    assert len(rec) >= 6  # every received frame; the log holds 6
    assert rec.format == kelvara.FORMATS[format_index]
    assert rec.version == "1.0.5.00000042"
    assert not rec.cut_off
    frames = list(rec)
    assert [f.index for f in frames] == list(range(len(rec)))
    assert all(a.time_ns < b.time_ns for a, b in zip(frames, frames[1:]))
    for f in frames:
        assert_pattern_frame(f, format_index)
    assert rec[-1].index == len(rec) - 1
    with pytest.raises(IndexError):
        rec[len(rec)]
    temperatures = [f.temperatures for f in frames if f.temperatures is not None]
    assert temperatures and temperatures[-1]["upper_left"] == 35.0 and temperatures[-1]["led"] == 30.0


def test_the_replayed_camera_sends_what_the_recording_holds(recorded):
    path, _ = recorded
    rec = kelvara.Recording(str(path))
    replay = Simulator("--replay", str(path), "--fps", "0")
    try:
        with kelvara.Camera(replay.port) as cam:
            live = [f.raw for f in cam.frames(count=len(rec))]
    finally:
        replay.stop()
    assert live == [f.raw for f in rec]


def test_a_cut_off_recording_reads_to_its_last_whole_frame(recorded, tmp_path):
    path, format_index = recorded
    whole = len(kelvara.Recording(str(path)))
    cut = tmp_path / "cut.kvrec"
    data = path.read_bytes()
    cut.write_bytes(data[: len(data) - 1000])
    rec = kelvara.Recording(str(cut))
    assert rec.cut_off
    assert len(rec) == whole - 1
    assert_pattern_frame(rec[-1], format_index)
