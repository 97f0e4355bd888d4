"""Checks and converts the caller's arrays into the layout the library reads.

The library reads points as N x 3 doubles and triangles as M x 3 unsigned
32-bit indices, both C-ordered. An array already in that layout is passed
as it is; any other is converted once, here.
"""
from __future__ import annotations

import numpy as np

_MAX_ROWS = 0xFFFFFFFF


def _as_array(value, name: str) -> np.ndarray:
    # np.asarray would drop the mask and hand the masked values on as data.
    if isinstance(value, np.ma.MaskedArray):
        raise TypeError(f"{name}: a masked array is not accepted: the library would read the masked values too"
                        f" (pass {name}.filled(...), or only the rows you mean)")
    try:
        return np.asarray(value)
    except (TypeError, ValueError) as error:
        raise TypeError(f"{name}: not an array of numbers ({error})") from None


def _rows(array: np.ndarray, name: str, what: str) -> int:
    if array.ndim != 2 or array.shape[1] != 3:
        raise ValueError(f"{name}: expected an array of shape (N, 3), got shape {array.shape}")
    if array.shape[0] == 0:
        raise ValueError(f"{name}: no {what}")
    if array.shape[0] > _MAX_ROWS:
        raise ValueError(f"{name}: more than {_MAX_ROWS} {what}")
    return array.shape[0]


def points_array(points, name: str = "points") -> np.ndarray:
    """`points` as a C-ordered float64 (N, 3) array (float or integer input)."""
    array = _as_array(points, name)
    if array.dtype.kind not in "fiu":
        raise TypeError(f"{name}: expected float32 or float64 coordinates, got dtype {array.dtype}")
    _rows(array, name, "points")
    return np.ascontiguousarray(array, dtype=np.float64)


def triangles_array(triangles, point_count: int | None, name: str = "triangles") -> np.ndarray:
    """`triangles` as a C-ordered uint32 (M, 3) array of indices below
    `point_count` (below 2**32 when it is None)."""
    array = _as_array(triangles, name)
    if array.dtype.kind not in "iu":
        raise TypeError(f"{name}: expected integer indices (int32, int64 or uint32), got dtype {array.dtype}")
    _rows(array, name, "triangles")
    limit = _MAX_ROWS + 1 if point_count is None else point_count
    low, high = int(array.min()), int(array.max())
    if low < 0 or high >= limit:
        row = int(np.flatnonzero(((array < 0) | (array >= limit)).any(axis=1))[0])
        bound = f"{point_count} points" if point_count is not None else "32-bit indices"
        raise ValueError(f"{name}: triangle {row} {array[row].tolist()} has an index out of range for {bound}")
    return np.ascontiguousarray(array, dtype=np.uint32)
