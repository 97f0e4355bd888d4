"""Meshes from trimesh, Open3D and meshio objects: only their vertices and
faces are read. Each library is imported only when its function is called."""
from __future__ import annotations

import numpy as np

from ._arrays import points_array, triangles_array
from ._mesh import Mesh


def _mesh(points, triangles, format: str, notes=()) -> Mesh:
    p = points_array(points)
    return Mesh(points=p, triangles=triangles_array(triangles, p.shape[0]), format=format, notes=list(notes))


def from_trimesh(obj) -> Mesh:
    """A Mesh of a ``trimesh.Trimesh`` (or of any object with `vertices` and
    `faces`).

    Raises
    ------
    TypeError
        When `obj` has no vertices and faces.
    """
    if not (hasattr(obj, "vertices") and hasattr(obj, "faces")):
        raise TypeError(f"obj: expected a trimesh.Trimesh, got {type(obj).__name__}")
    return _mesh(obj.vertices, obj.faces, "trimesh")


def from_open3d(obj) -> Mesh:
    """A Mesh of an ``open3d.geometry.TriangleMesh``: its vertices and
    triangles.

    Raises
    ------
    TypeError
        When `obj` is not one.
    """
    import open3d

    if not isinstance(obj, open3d.geometry.TriangleMesh):
        raise TypeError(f"obj: expected an open3d.geometry.TriangleMesh, got {type(obj).__name__}")
    return _mesh(np.asarray(obj.vertices), np.asarray(obj.triangles), "Open3D")


def from_meshio(obj) -> Mesh:
    """A Mesh of a ``meshio.Mesh``: its points and its triangle cells, in
    order. Cells of other types are skipped, each type counted in a note.

    Raises
    ------
    TypeError
        When `obj` is not a meshio.Mesh.
    ValueError
        When it has no triangle cells.
    """
    import meshio

    if not isinstance(obj, meshio.Mesh):
        raise TypeError(f"obj: expected a meshio.Mesh, got {type(obj).__name__}")
    blocks = [block.data for block in obj.cells if block.type == "triangle"]
    notes = [f"{len(block.data)} cells of type {block.type} skipped" for block in obj.cells if block.type != "triangle"]
    if not blocks:
        raise ValueError("obj: the meshio mesh has no triangle cells")
    return _mesh(obj.points, np.concatenate(blocks), "meshio", notes)
