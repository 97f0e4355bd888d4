"""The library's two repairs, on arrays."""
from __future__ import annotations

import math

import numpy as np

from . import _meshaudit
from ._arrays import points_array, triangles_array


def merge_points(points, triangles, tolerance: float) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
    """Merges the points that lie within `tolerance` of each other.

    Seeds are taken in index order and each class becomes the mean of its
    points (as ``meshaudit repair --merge``). Triangles are renumbered, never
    dropped: one whose corners merged repeats an index (see `drop_invalid`).

    Parameters
    ----------
    points : array_like
        (N, 3) coordinates.
    triangles : array_like
        (M, 3) point indices.
    tolerance : float
        The distance within which points merge.

    Returns
    -------
    points : numpy.ndarray
        The merged float64 points.
    triangles : numpy.ndarray
        The renumbered uint32 triangles, in their order.
    point_map : numpy.ndarray
        For every old point i, its new index ``point_map[i]``.
    """
    if isinstance(tolerance, bool) or not isinstance(tolerance, (int, float, np.number)):
        raise TypeError(f"tolerance: expected a number, got {type(tolerance).__name__}")
    if not math.isfinite(tolerance):
        raise ValueError(f"tolerance: expected a finite distance, got {tolerance}")
    p = points_array(points)
    t = triangles_array(triangles, p.shape[0])
    return _meshaudit.merge_points(p, t, float(tolerance))


def drop_invalid(triangles) -> tuple[np.ndarray, np.ndarray]:
    """Drops the triangles that name a point more than once.

    Parameters
    ----------
    triangles : array_like
        (M, 3) point indices.

    Returns
    -------
    triangles : numpy.ndarray
        The kept uint32 triangles, in their order.
    triangle_map : numpy.ndarray
        For every old triangle i, its new index ``triangle_map[i]``, or -1
        when it was dropped.
    """
    return _meshaudit.drop_invalid(triangles_array(triangles, None))
