"""Kelvara depth camera: frames as numpy arrays, from a camera or a recording.

    import kelvara
    kelvara.list_ports()                     # ["COM1", ...]
    with kelvara.Camera("COM3") as cam:
        cam.format = "Distance(Cartesian)+AMP"
        cam.filters = ["flying", "temporal"]  # optional; frame.raw stays as sent
        for frame in cam.frames(count=100):
            frame.points                     # (240, 320, 3) float32, metres
    rec = kelvara.Recording("today.kvrec")

Pixel (row, column): the camera's order, row 0..239 (drawn at the bottom by
the client: imshow(..., origin="lower")), column 0..319. Distances and
amplitudes keep the camera's 16-bit words and codes (distance 30000 no data,
31000 saturation, 32000 overflow; amplitude 510 overflow, 511 saturation).
Points are as kelvara-export writes them (its default camera axes): the
camera's x, y, z (x left, y up, z forward) in metres, organised in pixel
order, NaN where there is no point.
"""

from ._kelvara import FORMATS, Camera, Frame, FrameStream, Recording, RecordingIterator, list_ports

__all__ = ["FORMATS", "Camera", "Frame", "FrameStream", "Recording", "RecordingIterator", "list_ports"]
