import types

import numpy as np
import pytest

import meshaudit
from conftest import TETRA, TETRA_POINTS


@pytest.mark.parametrize("name, text, error, words", [
    ("bad.obj", "v 0 0 0\nv 1 0 0\nv abc 1 0\nf 1 2 3\n", meshaudit.ReadError, r"bad\.obj: line 3: 'abc' is not a number"),
    ("empty.ply", "", meshaudit.ReadError, r"empty\.ply"),
    ("none.ply", None, FileNotFoundError, r"No such file or directory: '.*/none\.ply'"),
])
def test_read_errors_name_the_file_and_line(tmp_path, name, text, error, words):
    if text is not None:
        (tmp_path / name).write_text(text)
    with pytest.raises(error, match=words):
        meshaudit.read(tmp_path / name)


def test_read_gives_the_files_arrays_and_notes(tmp_path):
    (tmp_path / "q.obj").write_text("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\nl 1 2\n")
    mesh = meshaudit.read(str(tmp_path / "q.obj"))
    assert (mesh.points.dtype, mesh.triangles.dtype, mesh.format) == (np.float64, np.uint32, "OBJ")
    assert mesh.points.tolist() == [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]]
    assert mesh.triangles.tolist() == [[0, 1, 2], [0, 2, 3]] and len(mesh.notes) == 2 and mesh.objects == []
    assert (mesh.faces.tolist(), mesh.parts.tolist()) == ([0, 0], [1, 2])


def test_merge_points_maps_old_points_to_new():
    points = [[0, 0, 0], [1e-9, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1e-9]]
    merged, triangles, point_map = meshaudit.merge_points(points, [[0, 2, 3], [1, 3, 2]], 1e-6)
    assert point_map.tolist() == [0, 0, 1, 2, 0]
    assert triangles.tolist() == [[0, 1, 2], [0, 2, 1]]
    np.testing.assert_allclose(merged, [[1e-9 / 3, 0, 1e-9 / 3], [1, 0, 0], [0, 1, 0]], atol=1e-15)


@pytest.mark.parametrize("triangles, kept, triangle_map", [
    ([[0, 1, 2], [1, 1, 2], [2, 3, 4], [5, 5, 5]], [[0, 1, 2], [2, 3, 4]], [0, -1, 1, -1]),
    ([[7, 7, 1]], [], [-1]),
    (np.array([[3, 2, 1], [3, 2, 1]], np.uint32), [[3, 2, 1], [3, 2, 1]], [0, 1]),
])
def test_drop_invalid(triangles, kept, triangle_map):
    new, mapping = meshaudit.drop_invalid(triangles)
    assert (new.tolist(), mapping.tolist(), new.shape[1:]) == (kept, triangle_map, (3,))


def test_from_other_libraries():
    duck = types.SimpleNamespace(vertices=np.array(TETRA_POINTS, np.float32), faces=np.array(TETRA, np.int64))
    o3d = pytest.importorskip("open3d")
    meshio = pytest.importorskip("meshio")
    o3d_mesh = o3d.geometry.TriangleMesh(o3d.utility.Vector3dVector(np.array(TETRA_POINTS, float)),
                                         o3d.utility.Vector3iVector(np.array(TETRA, np.int32)))
    io_mesh = meshio.Mesh(TETRA_POINTS, [("triangle", TETRA[:2]), ("quad", [[0, 1, 2, 3]]), ("triangle", TETRA[2:])])
    meshes = [meshaudit.from_trimesh(duck), meshaudit.from_open3d(o3d_mesh), meshaudit.from_meshio(io_mesh)]
    for mesh in meshes:
        assert (mesh.points.tolist(), mesh.triangles.tolist()) == (TETRA_POINTS, TETRA)
        assert meshaudit.check(mesh).passed
    assert [m.format for m in meshes] == ["trimesh", "Open3D", "meshio"]
    assert meshes[2].notes == ["1 cells of type quad skipped"]
    with pytest.raises(TypeError, match="obj: expected"):
        meshaudit.from_open3d(duck)


@pytest.mark.parametrize("damage", ["hole", "inside_out", "duplicate", "soup"])
def test_pipeline_makes_a_printable_mesh_and_says_what_it_did(damage):
    points, triangles = np.asarray(TETRA_POINTS, float), np.asarray(TETRA)
    if damage == "hole":
        triangles = triangles[1:]
    elif damage == "inside_out":
        triangles = triangles[:, ::-1]
    elif damage == "duplicate":
        triangles = np.vstack([triangles, triangles[:1]])
    else:  # every triangle with points of its own, as an STL file holds them
        points, triangles = points[triangles.ravel()], np.arange(12).reshape(4, 3)
    out_points, out_triangles, point_from, triangle_from, log = meshaudit.repair(points, triangles)
    assert meshaudit.check(out_points, out_triangles).passed
    assert (out_points == points[point_from]).all()  # no point moved
    changed = {s["step"]: s["changes"] for s in log["steps"] if s["changes"]}
    assert changed == {"hole": {"FillHoles": 1}, "inside_out": {"Orient": 4}, "duplicate": {"Duplicates": 1},
                       "soup": {"MergePoints": 8}}[damage]
    again = meshaudit.repair(out_points, out_triangles)
    assert (again[0] == out_points).all() and (again[1] == out_triangles).all()
    assert not any(s["changes"] for s in again[4]["steps"])
    if damage == "hole":
        assert (log["holes"][0]["outcome"], len(log["holes"][0]["added"]), list(triangle_from)) == (
            "filled", 1, [0, 1, 2, 0xFFFFFFFF])


def test_pipeline_refuses_unknown_steps_and_bad_numbers():
    with pytest.raises(ValueError, match="unknown step 'polish'"):
        meshaudit.repair(TETRA_POINTS, TETRA, steps=["orient", "polish"])
    with pytest.raises(ValueError, match="tolerance"):
        meshaudit.repair(TETRA_POINTS, TETRA, tolerance=float("nan"))


def test_pipeline_unites_overlapping_tetrahedra_unless_told_not_to():
    points = np.asarray(TETRA_POINTS, float)
    both_points, both = np.vstack([points, points + 0.25]), np.vstack([TETRA, np.asarray(TETRA) + 4])
    out_points, out_triangles, point_from, _, log = meshaudit.repair(both_points, both)
    x = log["intersections"]
    assert x["found"] and x["resolved"] and x["united"] and len(x["curves"]) == 1
    assert (point_from == 0xFFFFFFFF).sum() == x["points_added"] > 0
    report = meshaudit.check(out_points, out_triangles, profile="closed")
    assert report.passed and 1 / 6 < report.mesh.Volume.value < 2 / 6
    kept = meshaudit.repair(both_points, both, resolve_intersections=False)
    assert not kept[4]["intersections"]["found"] and len(kept[1]) == 8
