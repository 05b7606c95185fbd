"""Kelvara depth camera: frames as numpy arrays, from a camera or a recording.

Pixel (row, column): the camera's order, row 0..239 (drawn at the bottom by
the client: imshow(..., origin="lower")), column 0..319. Points are the
camera's x, y, z (x left, y up, z forward) in metres, as kelvara-export
writes them with its default camera axes, organised in pixel order, NaN
where there is no point.
"""

from types import TracebackType
from typing import Dict, Iterator, List, Optional, Tuple, Type, Union

import numpy as np
import numpy.typing as npt

#: The format names by index 0..6, in the order of the client's Format list.
FORMATS: Tuple[str, ...]

def list_ports() -> List[str]:
    """The serial ports a camera may be on, as the connection panel lists them: ["COM1", ...]."""

class Frame:
    """One frame from a camera or a recording; arrays are read-only and stay valid after later frames."""

    @property
    def format(self) -> str:
        """The frame's format name, e.g. "Distance(Cartesian)+AMP"."""
    @property
    def index(self) -> int:
        """The frame's number: in a run counted from 0 (gaps: frames dropped), in a recording its position."""
    @property
    def time_ns(self) -> int:
        """Receive time in ns: camera frames on time.monotonic_ns()'s clock, recorded ones since the recording began."""
    @property
    def temperatures(self) -> Optional[Dict[str, float]]:
        """Last temperatures before the frame in degrees Celsius (upper_left, upper_right, lower_left, lower_right, led), or None."""
    @property
    def distance(self) -> Optional[npt.NDArray[np.int16]]:
        """(240, 320) int16 distance in mm, the camera's codes kept; point formats: vector length; None for "Amplitude"."""
    @property
    def amplitude(self) -> Optional[npt.NDArray[np.int16]]:
        """(240, 320) int16 amplitude plane with the camera's codes kept, or None for formats without it."""
    @property
    def points(self) -> Optional[npt.NDArray[np.float32]]:
        """(240, 320, 3) float32 x, y, z in metres (x left, y up, z forward), NaN where no point; None for plane formats."""
    @property
    def valid(self) -> npt.NDArray[np.bool_]:
        """(240, 320) bool: the pixel holds a measurement (points not NaN; distance 0..12499; amplitude 0..255)."""
    @property
    def raw(self) -> bytes:
        """The frame's bytes exactly as the camera sent them."""

class FrameStream:
    """The frames of one continuous run; the camera is stopped when the loop ends, on close() and on leaving a with-block."""

    def __iter__(self) -> "FrameStream": ...
    def __next__(self) -> Frame:
        """The next frame; waits with the GIL released. TimeoutError when none comes in time."""
    def close(self) -> None:
        """Ends the run now; the camera is stopped when this returns."""
    def __enter__(self) -> "FrameStream": ...
    def __exit__(
        self,
        exc_type: Optional[Type[BaseException]],
        exc: Optional[BaseException],
        tb: Optional[TracebackType],
    ) -> bool: ...
    @property
    def frames_delivered(self) -> int:
        """Frames handed out so far."""

class Camera:
    """A camera on a serial port, connected as the client connects; a context manager. One per process.

    Raises FileNotFoundError (or another OSError) naming the port and the system's reason when the port
    does not exist or cannot be opened; TimeoutError when nothing answers on it.
    """

    def __init__(self, port: Union[str, int], timeout: float = 5.0) -> None:
        """Connects to the camera on `port` ("COM3" or 3); `timeout`: seconds frames() waits for a frame."""
    def __enter__(self) -> "Camera": ...
    def __exit__(
        self,
        exc_type: Optional[Type[BaseException]],
        exc: Optional[BaseException],
        tb: Optional[TracebackType],
    ) -> bool: ...
    def close(self) -> None:
        """Stops any run and closes the port. Idempotent."""
    @property
    def port(self) -> str:
        """The port's name, e.g. "COM3"."""
    @property
    def version(self) -> str:
        """The camera's version read at connect, e.g. "1.0.5.00000042"."""
    @property
    def format(self) -> Optional[str]:
        """The output format's name; set it by name or index (ValueError when refused)."""
    @format.setter
    def format(self, value: Union[str, int]) -> None: ...
    @property
    def parameters(self) -> Dict[str, Union[int, str, None]]:
        """Every setting, read from the camera now (format, mode, exposure_time, ... enr_threshold)."""
    def set(self, **settings: int) -> None:
        """Sets parameters by their names in `parameters`; ValueError naming the allowed range when refused."""
    def frames(self, count: Optional[int] = None, timeout: Optional[float] = None) -> FrameStream:
        """A continuous run of `count` frames (None: until the loop ends); Ctrl-C stops the camera first."""
    @property
    def health(self) -> Dict[str, int]:
        """The run's frame health: received, failed_cycles, no_response, wrong_start_byte, length_mismatch, ..."""
    @property
    def state(self) -> str:
        """The session's state: "Ready", "Measuring", "Stopping" or "Disconnected"."""
    @property
    def filters(self) -> List[str]:
        """Filters of the frames' arrays ("flying", "spatial", "temporal"); flying pixels become invalid, raw stays as sent."""
    @filters.setter
    def filters(self, value: Optional[List[str]]) -> None: ...

class RecordingIterator:
    """Iterates over the frames of a Recording in order."""

    def __iter__(self) -> "RecordingIterator": ...
    def __next__(self) -> Frame: ...

class Recording:
    """A recording written by kelvara-capture --record; OSError when unreadable, ValueError when no recording."""

    def __init__(self, path: str) -> None:
        """Opens and indexes the recording at `path`."""
    def __len__(self) -> int:
        """The number of frames."""
    def __getitem__(self, index: int) -> Frame:
        """Frame `index` (negative counts from the end); IndexError outside."""
    def __iter__(self) -> RecordingIterator:
        """The frames in order."""
    @property
    def format(self) -> str:
        """The recorded format's name."""
    @property
    def version(self) -> Optional[str]:
        """The camera's version as recorded at connect, or None."""
    @property
    def start_unix_ns(self) -> int:
        """Wall-clock time the recording began, ns since 1970."""
    @property
    def cut_off(self) -> bool:
        """True when the file ends in an unfinished record."""
    @property
    def path(self) -> str:
        """The file's path."""
