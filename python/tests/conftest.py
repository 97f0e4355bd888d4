import json
import os
import pathlib
import subprocess

import numpy as np
import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
COMMAND = os.environ.get("MESHAUDIT_COMMAND", str(ROOT / "build/python/cli/meshaudit"))


def run_json(*args):
    """The documents `meshaudit check --json ARGS` prints."""
    done = subprocess.run([COMMAND, "check", "--json", "-q", *args], capture_output=True, text=True)
    assert done.returncode in (0, 1), done.stderr
    return [json.loads(line) for line in done.stdout.splitlines()]


def torus(n=24, m=12, radius=3.0):
    """A closed torus: n x m quads, each two triangles facing outwards."""
    u, v = np.meshgrid(np.arange(n) * 2 * np.pi / n, np.arange(m) * 2 * np.pi / m, indexing="ij")
    points = np.stack([(radius + np.cos(v)) * np.cos(u), (radius + np.cos(v)) * np.sin(u), np.sin(v)], -1)
    i, j = np.meshgrid(np.arange(n), np.arange(m), indexing="ij")
    a, b, c, d = i * m + j, (i + 1) % n * m + j, (i + 1) % n * m + (j + 1) % m, i * m + (j + 1) % m
    triangles = np.stack([np.stack([a, b, c], -1), np.stack([a, c, d], -1)], 2)
    return points.reshape(-1, 3), triangles.reshape(-1, 3)


TETRA_POINTS = [[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]]
TETRA = [[0, 2, 1], [0, 1, 3], [0, 3, 2], [1, 2, 3]]


@pytest.fixture
def write_off(tmp_path):
    def write(name, points, triangles):
        path = tmp_path / name
        lines = [f"OFF\n{len(points)} {len(triangles)} 0"] + [" ".join(map(repr, map(float, p))) for p in points]
        path.write_text("\n".join(lines + [f"3 {a} {b} {c}" for a, b, c in triangles]) + "\n")
        return str(path)
    return write
