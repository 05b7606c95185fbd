"""The examples of docs/python.md and the README run as written against the simulator."""

import os
import pathlib
import re
import subprocess
import sys

from conftest import program

ROOT = pathlib.Path(__file__).resolve().parents[2]
DOC = ROOT / "docs" / "python.md"


def python_examples(page=DOC):
    return re.findall(r"```python\n(.*?)```", page.read_text(), re.S)


def test_the_readme_example_runs_as_written(sim, tmp_path):
    examples = python_examples(ROOT / "README.md")
    assert len(examples) == 1
    run = subprocess.run([sys.executable, "-c", examples[0]], cwd=tmp_path, capture_output=True, text=True,
                         timeout=120)
    assert run.returncode == 0, run.stderr


def test_the_examples_run_as_written(sim, tmp_path):
    # The recording the examples read, as the page makes it.
    subprocess.run(
        [program("KELVARA_CAPTURE"), "--port", str(sim.number), "--format", "5", "--total", "10",
         "--record", "today.kvrec"],
        cwd=tmp_path, check=True, capture_output=True, timeout=120,
    )
    examples = python_examples()
    assert len(examples) == 2
    outputs = []
    for code in examples:
        run = subprocess.run(
            [sys.executable, "-c", code], cwd=tmp_path, capture_output=True, text=True, timeout=120,
            env=dict(os.environ, MPLBACKEND="Agg"),
        )
        assert run.returncode == 0, run.stderr
        outputs.append(run.stdout)
    session, plot = outputs
    assert f"['{sim.port}']" in session and "1.0.5.00000042" in session
    assert "Distance(Cartesian)+AMP" in session and "(240, 320, 3)" in session
    assert "frame.png written" in plot or "matplotlib is not installed" in plot
