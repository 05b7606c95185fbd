"""Camera.filters: the measurement filters act on the frames' arrays, never
on Frame.raw; on the pattern scene (a smooth slope) they change nothing, on
the room scene they flag the pixels floating at the ball's and the doorway's
edges."""

import numpy as np
import pytest
from conftest import Simulator, assert_pattern_frame

import kelvara


@pytest.fixture
def room():
    s = Simulator("--scene", "room")
    yield s
    s.stop()


@pytest.mark.parametrize("format_index", [0, 4, 5])
def test_filters_change_nothing_on_the_pattern(sim, format_index):
    with kelvara.Camera(sim.port) as cam:
        assert cam.filters == []
        cam.format = format_index
        cam.filters = ["temporal", "flying", "spatial"]
        assert cam.filters == ["flying", "spatial", "temporal"], "always in the chain's order"
        frames = list(cam.frames(count=3))
    for f in frames:
        assert_pattern_frame(f, format_index)


def raw_distance(frame):
    """The distance plane of a "Distance(Polar)+AMP" frame's raw bytes."""
    return np.frombuffer(frame.raw, dtype="<i2", count=240 * 320).reshape(240, 320)


def test_flying_pixels_become_invalid_and_raw_stays_the_cameras(room):
    with kelvara.Camera(room.port) as cam:
        cam.format = "Distance(Polar)+AMP"
        plain = next(iter(cam.frames(count=1)))
        cam.filters = ["flying"]
        flagged_frame = next(iter(cam.frames(count=1)))
        cam.format = "Distance(Cartesian)+AMP"
        points_frame = next(iter(cam.frames(count=1)))
        cam.filters = None
        assert cam.filters == []
    # Unfiltered, the arrays are the raw bytes.
    np.testing.assert_array_equal(plain.distance, raw_distance(plain))

    raw = raw_distance(flagged_frame)
    flagged = flagged_frame.valid != ((raw >= 0) & (raw <= 12499))
    assert 20 < flagged.sum() < 0.01 * flagged.size, "some edge pixels, never a surface"
    assert (flagged_frame.distance[flagged] == 30000).all(), "flagged: no data"
    assert not flagged_frame.valid[flagged].any()
    assert ((raw[flagged] >= 0) & (raw[flagged] <= 12499)).all(), "raw keeps the camera's measurements"
    unflagged = ~flagged
    np.testing.assert_array_equal(flagged_frame.distance[unflagged], raw[unflagged])

    records = np.frombuffer(points_frame.raw, dtype="<i2", count=3 * 240 * 320, offset=170).reshape(240, 320, 3)
    lost = np.isnan(points_frame.points[..., 0]) & (np.abs(records[..., 0]) <= 12499)
    assert lost.sum() > 20, "flying points become NaN"
    assert not points_frame.valid[lost].any()


@pytest.mark.parametrize("value, error", [(["edges"], ValueError), (["flying", "flying"], ValueError),
                                          ("flying", TypeError), ([3], TypeError)])
def test_a_wrong_filter_list_is_refused(sim, value, error):
    with kelvara.Camera(sim.port) as cam:
        cam.filters = ["flying"]
        with pytest.raises(error):
            cam.filters = value
        assert cam.filters == ["flying"], "a refused list changes nothing"
