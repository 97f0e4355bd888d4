"""Meshes read from files or taken from other libraries' objects."""
from __future__ import annotations

import errno
import os
from dataclasses import dataclass, field

import numpy as np

from . import _meshaudit


@dataclass(eq=False)
class Mesh:
    """A triangle mesh as the library reads it.

    Attributes
    ----------
    points : numpy.ndarray
        float64, shape (N, 3).
    triangles : numpy.ndarray
        uint32, shape (M, 3): 0-based point indices.
    format : str
        How it was read ("PLY binary little-endian", "trimesh", ...).
    notes : list of str
        What the reader did beyond copying (fan triangulation, ...).
    file : str
        The file it was read from ("" when it came from objects).
    objects : list of Mesh
        A 3MF file's objects, each with its `object_id` and `object_name`;
        empty for the other formats.
    faces, parts : numpy.ndarray
        For a file of polygons, the file's face (0-based, in file order) of
        each triangle, and its part, 1-based among the triangles the face was
        split into (0 for a face that is one triangle); both empty when every
        face is a triangle.
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
    """Reads a mesh file with the ``meshaudit`` command's readers.

    Parameters
    ----------
    path : str or path-like
        An STL, OBJ, PLY, OFF or 3MF file; the format is taken from the
        content, else from the extension.

    Returns
    -------
    Mesh
        The file's points, triangles and notes, as the command reads them.
        A 3MF file gives its objects joined into one mesh, and each object
        in `Mesh.objects`.

    Raises
    ------
    FileNotFoundError
        When there is no file at `path`.
    ReadError
        A ValueError naming the file and the line or byte of the fault, as
        the command reports it, for a file that cannot be read as a mesh.
    """
    file = os.fspath(path)
    try:
        found = _meshaudit.read(os.fsencode(file))
    except _meshaudit.ReadError:
        if not os.path.exists(file):
            raise FileNotFoundError(errno.ENOENT, os.strerror(errno.ENOENT), file) from None
        raise
    return _mesh_of(found, os.fsdecode(file))
