"""The library's two repairs and the repair pipeline, on arrays."""
from __future__ import annotations

import json
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


# The pipeline's steps, in their order: the names `repair(steps=...)` takes.
STEPS = ("non_finite", "merge_points", "degenerate", "duplicates", "non_manifold", "stitch", "orient", "fill_holes",
         "small_shells", "resolve_intersections", "unused_points")


def repair(points, triangles, steps=None, tolerance: float = 0.0, min_shell_triangles: int = 0,
           min_shell_size: float = 0.0, drop_inner_shells: bool = False, resolve_intersections: bool = True):
    """Repairs a mesh as ``meshaudit repair`` does: by default every step of
    the pipeline, in order, so that the result passes `check` whenever that
    is possible. No input point moves; resolving intersections adds the
    points where triangles meet.

    Parameters
    ----------
    points, triangles : array_like
        (N, 3) coordinates and (M, 3) point indices.
    steps : iterable of str, optional
        The steps to run (names from `STEPS`); all of them by default.
    tolerance : float
        Merge points within this distance (0: only exactly equal points).
    min_shell_triangles, min_shell_size : int, float
        Drop shells of fewer triangles, or smaller than this fraction of the
        bounding-box diagonal (step "small_shells").
    drop_inner_shells : bool
        Drop shells left inside another shell's material.
    resolve_intersections : bool
        With False, the step "resolve_intersections" does not run even when
        `steps` names it: triangles that meet are left as they are. With
        True (the default) it runs when `steps` names it (as it does by
        default): triangles are split where they meet and closed shells
        united; ``log["intersections"]`` says what it found and did.

    Returns
    -------
    points, triangles : numpy.ndarray
        The repaired mesh: float64 (N', 3) and uint32 (M', 3).
    point_from : numpy.ndarray
        For every output point, the input point it is, or 0xFFFFFFFF for a
        point where triangles met (resolve_intersections).
    triangle_from : numpy.ndarray
        For every output triangle, its input triangle, or 0xFFFFFFFF for a
        triangle the repair added (a filled hole).
    log : dict
        Every change, in the input's numbering, as ``--log`` writes it.
    """
    chosen = STEPS if steps is None else tuple(steps)
    if not resolve_intersections:
        chosen = tuple(s for s in chosen if s != "resolve_intersections")
    unknown = [s for s in chosen if s not in STEPS]
    if unknown:
        raise ValueError(f"steps: unknown step {unknown[0]!r} (known: {', '.join(STEPS)})")
    for name, value in (("tolerance", tolerance), ("min_shell_size", min_shell_size)):
        if isinstance(value, bool) or not isinstance(value, (int, float, np.number)) or not math.isfinite(value) \
                or value < 0:
            raise ValueError(f"{name}: expected a finite number of 0 or more, got {value!r}")
    p = points_array(points)
    t = triangles_array(triangles, p.shape[0])
    bits = sum(1 << STEPS.index(s) for s in set(chosen))
    out_points, out_triangles, point_from, triangle_from, log = _meshaudit.repair(
        p, t, bits, float(tolerance), int(min_shell_triangles), float(min_shell_size), bool(drop_inner_shells))
    return out_points, out_triangles, point_from, triangle_from, json.loads(log)
