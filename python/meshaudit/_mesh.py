"""Meshes read from files or taken from other libraries' objects."""
from __future__ import annotations

import os
from dataclasses import dataclass, field

import numpy as np

from . import _meshaudit


@dataclass(eq=False)
class Mesh:
    """A triangle mesh as the library reads it.

    points     float64 array (N, 3)
    triangles  uint32 array (M, 3) of 0-based point indices
    format     how it was read ("PLY binary little-endian", "trimesh", ...)
    notes      what the reader did beyond copying (fan triangulation, ...)
    file       the file it was read from ("" when it came from objects)
    objects    a 3MF file's objects, each a Mesh with its `object_id` and
               `object_name`; empty for the other formats
    faces      for a file of polygons, the file's face (0-based, in file
               order) of each triangle, and `parts` its part, 1-based among
               the triangles the face was split into (0 for a face that is
               one triangle); both empty when every face is a triangle
    """

    points: np.ndarray
    triangles: np.ndarray
    format: str = ""
    notes: list[str] = field(default_factory=list)
    file: str = ""
    object_id: str = ""
    object_name: str = ""
    objects: list["Mesh"] = field(default_factory=list)
    faces: np.ndarray = field(default_factory=lambda: np.zeros(0, np.uint32))
    parts: np.ndarray = field(default_factory=lambda: np.zeros(0, np.uint32))


def _mesh_of(found: dict, file: str) -> Mesh:
    return Mesh(points=found["points"], triangles=found["triangles"], format=found["format"],
                notes=list(found["notes"]), file=file, object_id=found["object_id"],
                object_name=found["object_name"], faces=found["faces"], parts=found["parts"],
                objects=[_mesh_of(part, file) for part in found.get("objects", [])])


def read(path: str | os.PathLike) -> Mesh:
    """Reads a mesh file (STL, OBJ, PLY, OFF or 3MF) with the `meshaudit`
    command's readers: the same points, triangles and notes.

    A 3MF file gives its objects joined into one mesh, and each object in
    `Mesh.objects`. Raises ReadError (a ValueError) naming the file and the
    line or byte of the fault, as the command reports it.
    """
    file = os.fspath(path)
    return _mesh_of(_meshaudit.read(os.fsencode(file)), os.fsdecode(file))
