import concurrent.futures
import json
import re
import subprocess
import sys

import numpy as np
import pytest

import meshaudit
from conftest import COMMAND, ROOT, TETRA, TETRA_POINTS, run_json, torus

# A tetrahedron with an isolated point 4, a triangle that repeats point 0
# (index 4) and a copy of triangle 1 (index 5).
BROKEN_POINTS = TETRA_POINTS + [[5, 5, 5]]
BROKEN = TETRA + [[0, 0, 1], [0, 1, 3]]


@pytest.mark.parametrize("options", [[], ["--where", "--max-items", "2"], ["-p", "surface"], ["-p", "library"],
                                     ["-s", str(ROOT / "cli/samples/watertight.json")]])
@pytest.mark.parametrize("mesh", ["sample", "broken", "stl", "3mf", "polygons"])
def test_report_is_the_commands_document(mesh, options, write_off, tmp_path):
    path = str(ROOT / "cli/samples/sample.ply") if mesh == "sample" else write_off("broken.off", BROKEN_POINTS, BROKEN)
    if mesh == "polygons":  # triangles named by the file's faces too
        (tmp_path / "p.obj").write_text("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 5 5 5\nf 1 2\nf 1 2 5\nf 1 2 3 4\n")
        path = str(tmp_path / "p.obj")
    if mesh in ("stl", "3mf"):  # the command writes them; read() must read them as it does
        subprocess.run([COMMAND, "repair", path, "-o", str(tmp_path / f"m.{mesh}"), "--no-repair"], check=True,
                       capture_output=True)
        path = str(tmp_path / f"m.{mesh}")
    kwargs = {"where": "--where" in options, "max_items": 2 if "--where" in options else 100,
              "profile": options[1] if "-p" in options else "closed",
              "settings": options[1] if "-s" in options else None}
    read = meshaudit.read(path)
    meshes = read.objects or [read]
    assert [meshaudit.check(m, **kwargs).to_dict() for m in meshes] == run_json(*options, path)


def test_values_verdicts_and_locations():
    report = meshaudit.check(np.array(BROKEN_POINTS, float), np.array(BROKEN), where=True)
    assert not report.passed
    failed = {(q.category, q.name) for q in report.failed()}
    assert {("points", "CountIsolated"), ("triangles", "CountInvalidTopological"),
            ("triangles", "CountClassesOfDuplicatedTopological")} <= failed
    assert [q.verdict for q in report.quantities() if (q.category, q.name) in failed] == ["fail"] * len(failed)
    isolated = report.points.CountIsolated
    assert (isolated.value, isolated.criterion, isolated.where.tolist(), isolated.where_total) == (1, {"min": 0, "max": 0}, [4], 1)
    assert report.triangles.CountInvalidTopological.where.tolist() == [4]
    assert report.triangles.CountDuplicatedTopological.where.tolist() == [[1, 1], [5, 1]]  # (triangle, class)
    assert report.triangles.Count.where is None and report.triangles["Count"].value == 6
    assert set(report.mesh) == set(report.to_dict()["mesh"])
    assert meshaudit.check(TETRA_POINTS, TETRA).passed and meshaudit.check(TETRA_POINTS, TETRA).points.CountIsolated.where is None
    defects = report.defects  # the failing quantities' elements; Closed, which lists none, is left out
    assert (defects["points.CountIsolated"].tolist(), defects["triangles.CountInvalidTopological"].tolist()) == ([4], [4])
    assert "mesh.Closed" not in defects and "points.Count" not in defects
    with pytest.raises(ValueError, match=r"where=True"):
        meshaudit.check(BROKEN_POINTS, BROKEN).defects


@pytest.mark.parametrize("triangles, kwargs, expected", [
    # passed, is_closed, is_oriented, holes, volume, is_printable
    (TETRA, {}, (True, True, True, 0, 1 / 6, True)),
    (TETRA[:3], {}, (False, False, True, 1, 0.0, False)),  # the faces left all hold point 0, the origin
    (TETRA[:3] + [[1, 3, 2]], {}, (False, True, False, 0, -1 / 6, False)),  # a face turned inwards
    # surface leaves Closed and Volume out; closed, checked again, fails it
    (TETRA[:3], {"profile": "surface"}, (True, False, True, 1, None, False)),
    (TETRA, {"settings": {"mesh": {"Volume": {"min": 1.0, "max": 2.0}}}}, (False, True, True, 0, 1 / 6, True)),
])
def test_common_questions_as_properties(triangles, kwargs, expected):
    report = meshaudit.check(TETRA_POINTS, triangles, **kwargs)
    assert (report.passed, report.is_closed, report.is_oriented, report.holes, report.volume,
            report.is_printable) == expected


@pytest.mark.parametrize("reverse_inner", [False, True])
def test_shells_as_quantities_and_properties(reverse_inner):
    # A tetrahedron inside one three times its size: a solid left inside
    # another faces the wrong way for its depth; reversed, it is a void.
    inner = [[a + 4, c + 4, b + 4] if reverse_inner else [a + 4, b + 4, c + 4] for a, b, c in TETRA]
    points = [[3 * x for x in p] for p in TETRA_POINTS] + [[0.2 + 0.5 * x for x in p] for p in TETRA_POINTS]
    report = meshaudit.check(points, TETRA + inner, where=True)
    assert (report.passed, report.shells, report.inside_out_shells, report.pinched_points) == (
        reverse_inner, 2, 0 if reverse_inner else 1, 0)
    assert report.minimal_angle == pytest.approx(45.0)
    assert report.solid.CountNestedShells.where.tolist() == [[t, 1, 0] for t in range(4, 8)]
    listed = report.solid.CountInsideOutShells.where.tolist()
    assert listed == ([] if reverse_inner else [[t, 1] for t in range(4, 8)])


def test_version_is_the_commands():
    printed = subprocess.run([COMMAND, "--version"], capture_output=True, text=True, check=True).stdout
    assert printed == f"meshaudit {meshaudit.__version__}\n" and re.fullmatch(r"\d+\.\d+\.\d+", meshaudit.__version__)


def test_readmes_first_python_example_prints_what_it_says():
    code, printed = re.search(r"```python\n(.*?)```.*?```text\n(.*?)```", (ROOT / "README.md").read_text(), re.S).groups()
    run = subprocess.run([sys.executable, "-c", code], cwd=ROOT, capture_output=True, text=True)
    assert (run.returncode, run.stdout) == (0, printed), run.stderr


def _variants():
    p, t = torus()
    return [(p, t), (p.astype(np.float32), t), (p, t.astype(np.int32)), (p, t.astype(np.uint32)),
            (np.asfortranarray(p), np.asfortranarray(t)), (p[:, ::-1][:, ::-1], t[::-1][::-1]), (p.tolist(), t.tolist())]


@pytest.mark.parametrize("index", range(7))
def test_any_array_like_gives_the_same_report(index):
    points, triangles = _variants()[index]
    for a in (points, triangles):
        if isinstance(a, np.ndarray):
            a.flags.writeable = False
    expected = meshaudit.check(np.asarray(points, np.float64), np.asarray(triangles, np.int64)).to_dict()
    assert meshaudit.check(points, triangles).to_dict() == expected
    assert expected["mesh"]["CountHandles"]["value"] == 1


@pytest.mark.parametrize("points, triangles, kwargs, error, words", [
    (TETRA_POINTS, [[0, 1, 4]], {}, ValueError, "triangles: triangle 0"),
    (TETRA_POINTS, [[0, -1, 2]], {}, ValueError, "triangles: triangle 0"),
    (TETRA_POINTS, [[0.0, 1.0, 2.0]], {}, TypeError, "triangles: expected integer"),
    (TETRA_POINTS, [[0, 1]], {}, ValueError, "triangles: expected an array of shape"),
    ([["a", "b", "c"]], TETRA, {}, TypeError, "points: expected float32"),
    ([[0, 0], [1, 1]], TETRA, {}, ValueError, "points: expected an array of shape"),
    (np.zeros((0, 3)), TETRA, {}, ValueError, "points: no points"),
    (TETRA_POINTS, np.zeros((0, 3), int), {}, ValueError, "triangles: no triangles"),
    ([[0, 0, 0], [1, 0]], TETRA, {}, TypeError, "points: not an array"),
    (np.ma.masked_array(TETRA_POINTS), TETRA, {}, TypeError, "points: a masked array"),
    (TETRA_POINTS, np.ma.masked_array(TETRA, mask=np.eye(4, 3)), {}, TypeError, "triangles: a masked array"),
    (TETRA_POINTS, TETRA, {"profile": "strict"}, ValueError, "profile"),
    (TETRA_POINTS, TETRA, {"settings": {"points": {"Bogus": 1}}}, ValueError, "points.Bogus"),
    (TETRA_POINTS, TETRA, {"settings": {"points": {"Epsilon": float("nan")}}}, ValueError, "settings"),
    (TETRA_POINTS, TETRA, {"settings": 3}, TypeError, "settings"),
    (TETRA_POINTS, TETRA, {"max_items": -1}, ValueError, "max_items"),
    (TETRA_POINTS, TETRA, {"memory_limit": 0}, ValueError, "memory_limit"),
    (TETRA_POINTS, TETRA, {"memory_limit": True}, ValueError, "memory_limit"),
])
def test_bad_arguments_are_named(points, triangles, kwargs, error, words):
    with pytest.raises(error, match=words):
        meshaudit.check(points, triangles, **kwargs)


@pytest.mark.parametrize("limit, reached", [(4096, True), (2**40, False)])
def test_memory_limit(limit, reached):
    points, triangles = torus(40, 20)
    report = meshaudit.check(points, triangles, memory_limit=limit)
    got = report.to_dict()
    assert any("memory limit" in note for note in got["notes"]) == reached
    # What could not be computed never passes.
    assert (report.verdict, report.passed) == (("error", False) if reached else ("pass", True))
    assert (got == meshaudit.check(points, triangles).to_dict()) != reached


def test_threads_check_meshes_at_once():
    meshes = [torus(n, m) for n, m in [(40, 20), (60, 9), (33, 17), (80, 30)]] + [(BROKEN_POINTS, BROKEN)]
    alone = [meshaudit.check(p, t, where=True).to_dict() for p, t in meshes]
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        together = list(pool.map(lambda m: meshaudit.check(*m, where=True).to_dict(), meshes * 3))
    assert together == alone * 3


@pytest.mark.parametrize("progress", [False, True])
def test_progress_only_when_asked(progress, capfd):
    meshaudit.check(TETRA_POINTS, TETRA, progress=progress)
    assert ("edge::CountSingular" in capfd.readouterr().err) == progress
