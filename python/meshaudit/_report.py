"""check(): the library's verdicts on a mesh, as the command reports them."""
from __future__ import annotations

import copy
import json
import os
from typing import Any, Iterator, Mapping

import numpy as np

from . import _meshaudit
from ._arrays import points_array, triangles_array
from ._mesh import Mesh

CATEGORIES: tuple[str, ...] = _meshaudit.CATEGORIES


class Quantity:
    """One quantity of a report.

    Attributes
    ----------
    category, name : str
        Where it stands in the report: ``report.<category>.<name>``, the
        field names of ``meshaudit.h`` (``"triangles"``, ``"CountIntersected"``).
    value : int, float, bool or None
        The count, double or boolean; None unless `state` is "computed".
    state : str
        "computed", "not computed", "error", "nan", "inf" or "-inf".
    verdict : str
        "pass", "fail", "not judged", or "error" when it is judged but could
        not be computed (a memory limit).
    criterion : dict or None
        ``{"min": .., "max": ..}``, ``{"expected": ..}``, or None when it is
        never judged.
    enabled : bool
        Whether it was computed.
    judged : bool
        Whether the profile counts it in the verdict (a profile may report a
        quantity without judging it: genus, pieces).
    note : str or None
        What the value means beyond itself (a negative handle count: the
        mesh is not a manifold).
    where : numpy.ndarray or None
        With ``check(where=True)``, the elements behind the value: uint32,
        one row per element (flat when an element is one index); None when
        it lists none.
    where_total : int or None
        The elements counted in all (`where` may hold fewer).
    where_faces : numpy.ndarray or None
        For a file of polygons, beside each triangle of `where`, its face in
        the file and its part (``[face, part]``; part 0 when the face is one
        triangle, else 1-based): uint32 of shape (n, 2), or (n, 2, 2) for
        pairs.
    """

    __slots__ = ("category", "name", "value", "state", "verdict", "criterion", "enabled", "judged", "note",
                 "code", "where", "where_total", "where_faces")

    def __init__(self, category: str, name: str, entry: Mapping[str, Any], where):
        self.category, self.name = category, name
        self.value = entry["value"]
        self.state = entry["state"]
        self.verdict = entry["verdict"]
        self.criterion = entry["criterion"]
        self.enabled = entry["enabled"]
        self.judged = entry["judged"]
        self.note = entry.get("note")
        faces = entry.get("where_faces")
        self.where_faces = None if faces is None else np.asarray(faces, dtype=np.uint32).reshape(
            (len(faces), -1, 2) if faces and isinstance(faces[0][0], list) else (len(faces), 2))
        self.code = entry.get("code")
        self.where, self.where_total = where if where is not None else (None, None)

    @property
    def failed(self) -> bool:
        return self.verdict == "fail"

    def __repr__(self) -> str:
        return f"<{self.category}.{self.name} = {self.value!r}: {self.verdict}>"


class Category(Mapping[str, Quantity]):
    """The quantities of one category, by name: `report.triangles.CountIntersected`
    or `report.triangles["CountIntersected"]`."""

    def __init__(self, name: str, quantities: dict[str, Quantity]):
        self._name, self._quantities = name, quantities

    def __getattr__(self, name: str) -> Quantity:
        try:
            return self.__dict__["_quantities"][name]
        except KeyError:
            raise AttributeError(f"{self.__dict__.get('_name')} has no quantity {name!r}") from None

    def __getitem__(self, name: str) -> Quantity:
        return self._quantities[name]

    def __iter__(self) -> Iterator[str]:
        return iter(self._quantities)

    def __len__(self) -> int:
        return len(self._quantities)

    def __dir__(self):
        return [*super().__dir__(), *self._quantities]


class Report:
    """The result of `check`.

    Every quantity is ``report.<category>.<name>`` (a `Quantity`), with the
    names of ``meshaudit.h``: ``report.mesh.Closed``,
    ``report.triangles.CountIntersected``. The properties below answer the
    common questions from them.

    Attributes
    ----------
    verdict : str
        "pass", "fail", or "error" when a judged quantity could not be
        computed.
    failures : list of str
        The failing quantities in words ("3 holes", "inside-out").
    summary, scale : dict
        Counts of verdicts; the sizes the relative settings were resolved
        against.
    notes : list of str
        What the reader or the analysis had to say.
    points, edges, triangles, mesh, solid, quality : Category
        The quantities of each category, by name: the library's four, the
        shells (``report.solid.CountInsideOutShells``) and the triangles'
        shapes (``report.quality.MinimalAngle``).
    """

    def __init__(self, document: dict, where: dict, *, listed: bool = False, closed_verdict=None):
        self._document = document
        self._listed = listed
        # The verdict of the closed profile, or a function that finds it.
        self._closed_verdict = closed_verdict if closed_verdict is not None else document["verdict"]
        self.verdict: str = document["verdict"]
        self.failures: list[str] = document["failures"]
        self.summary: dict = document["summary"]
        self.scale: dict = document["scale"]
        self.notes: list[str] = document["notes"]
        for category in CATEGORIES:
            setattr(self, category, Category(category, {
                name: Quantity(category, name, entry, where.get(f"{category}.{name}"))
                for name, entry in document[category].items()}))

    @property
    def passed(self) -> bool:
        """True when every judged quantity was computed and passed."""
        return self.verdict == "pass"

    def _value(self, name: str, category: str = "mesh"):
        quantity = getattr(self, category).get(name)
        return quantity.value if quantity is not None and quantity.state == "computed" else None

    @property
    def shells(self) -> int | None:
        """The number of shells: sets of triangles joined through shared
        edges (``solid.CountShells``); None when it was not computed."""
        return self._value("CountShells", "solid")

    @property
    def inside_out_shells(self) -> int | None:
        """Closed shells that face the wrong way for their depth: a solid
        facing inward, or a void facing outward
        (``solid.CountInsideOutShells``); None when it was not computed."""
        return self._value("CountInsideOutShells", "solid")

    @property
    def pinched_points(self) -> int | None:
        """Points where shells or sheets meet at a corner only
        (``solid.CountPinchedPoints``); None when it was not computed."""
        return self._value("CountPinchedPoints", "solid")

    @property
    def minimal_angle(self) -> float | None:
        """The smallest angle of any triangle, in degrees
        (``quality.MinimalAngle``); None when it was not computed."""
        return self._value("MinimalAngle", "quality")

    @property
    def is_closed(self) -> bool | None:
        """Whether the mesh has no border edge (``mesh.Closed``, else, when
        the profile left it out, whether `holes` is 0); None when neither
        was computed."""
        value = self._value("Closed")
        if value is None:
            return None if self.holes is None else self.holes == 0
        return bool(value)

    @property
    def is_oriented(self) -> bool | None:
        """Whether every edge that two triangles share runs opposite ways in
        them (``mesh.Oriented``); None when it was not computed."""
        value = self._value("Oriented")
        return None if value is None else bool(value)

    @property
    def holes(self) -> int | None:
        """The number of borders: groups of border edges joined through
        shared points (``mesh.CountBorders``); None when it was not
        computed."""
        return self._value("CountBorders")

    @property
    def volume(self) -> float | None:
        """The signed enclosed volume, positive for outward triangles
        (``mesh.Volume``); None when it was not computed."""
        return self._value("Volume")

    @property
    def is_printable(self) -> bool:
        """Whether the mesh passes the ``closed`` profile: a solid that can be
        printed or meshed.

        A report judged by ``closed`` without settings answers from its own
        verdict. Any other report checks the same arrays again by ``closed``
        (with the same memory limit) on first use, and keeps the answer. A
        check that could not be completed (a memory limit) is not a pass.
        """
        if callable(self._closed_verdict):
            self._closed_verdict = self._closed_verdict()
        return self._closed_verdict == "pass"

    @property
    def defects(self) -> dict[str, np.ndarray]:
        """The elements of each failing quantity that lists elements, as
        ``{"triangles.CountIntersected": array, ...}`` in report order (the
        arrays of `Quantity.where`, at most ``max_items`` rows each).

        Raises
        ------
        ValueError
            When the report lists no elements: ``check(..., where=True)``
            lists them.
        """
        if not self._listed:
            raise ValueError("defects: this report lists no elements; check(..., where=True) lists them")
        return {f"{q.category}.{q.name}": q.where for q in self.failed() if q.where is not None}

    def quantities(self) -> Iterator[Quantity]:
        for category in CATEGORIES:
            yield from getattr(self, category).values()

    def failed(self) -> list[Quantity]:
        """The quantities whose verdict is "fail", in report order."""
        return [q for q in self.quantities() if q.failed]

    def to_dict(self) -> dict:
        """The report as `meshaudit check --json` prints it (a copy)."""
        return copy.deepcopy(self._document)

    def __repr__(self) -> str:
        s = self.summary
        return f"<Report {self.verdict}: {s['passed']} passed, {s['failed']} failed, {s['not_judged']} not judged>"


def _face_list(numbers, triangles: int) -> list[int]:
    """A Mesh's face numbers for the binding: only when they match its
    triangles (a Mesh whose triangles were replaced has none)."""
    numbers = np.asarray(numbers, dtype=np.uint32).ravel()
    return numbers.tolist() if numbers.shape[0] == triangles else []


def check(points, triangles=None, profile: str = "closed",
          settings: Mapping[str, Any] | str | os.PathLike | None = None, where: bool = False,
          max_items: int = 100, progress: bool = False, memory_limit: int | None = None) -> Report:
    """Checks a mesh and returns its Report, the document of
    ``meshaudit check --json`` for the same mesh and settings.

    Parameters
    ----------
    points : array_like or Mesh
        (N, 3) float32 or float64 coordinates, in any memory order; or a
        Mesh from `read` or the ``from_*`` functions (then `triangles` is
        left out and the report names its file, format and notes).
    triangles : array_like
        (M, 3) int32, int64 or uint32 point indices.
    profile : str
        The built-in profile to judge by: "closed", "surface" or "library".
    settings : dict or path-like, optional
        A settings document or the path of a settings file, refining the
        profile as ``meshaudit check --settings`` does.
    where : bool
        Also list the elements behind each quantity (`Quantity.where`,
        `Report.defects`).
    max_items : int
        At most this many elements per list; the totals stay complete.
    progress : bool
        Draw a progress line on standard error while analysing.
    memory_limit : int, optional
        The most bytes the analysis may hold at once (None: no limit). Past
        it the quantities that needed more hold the library's
        allocation-failure codes and the report's notes say that the limit
        was reached, as with ``check --memory-limit``.

    Returns
    -------
    Report

    Raises
    ------
    TypeError, ValueError
        Naming the argument that is wrong (a masked array is refused: the
        library would read the masked values too).

    Notes
    -----
    The analysis releases the GIL: threads may check meshes at once.
    """
    source = Mesh(points=None, triangles=None, format="arrays")
    if isinstance(points, Mesh):
        if triangles is not None:
            raise TypeError("triangles: give either a Mesh or points and triangles")
        source, points, triangles = points, points.points, points.triangles
    elif triangles is None:
        raise TypeError("triangles: missing (or pass a Mesh as points)")
    if not isinstance(profile, str):
        raise TypeError(f"profile: expected a name, got {type(profile).__name__}")
    if isinstance(max_items, bool) or not isinstance(max_items, (int, np.integer)) or max_items < 0:
        raise ValueError(f"max_items: expected a count of 0 or more, got {max_items!r}")
    if memory_limit is not None and (isinstance(memory_limit, bool) or not isinstance(memory_limit, (int, np.integer))
                                     or not 0 < memory_limit < 2**64):
        raise ValueError(f"memory_limit: expected a number of bytes above 0, or None, got {memory_limit!r}")
    document = file = None
    if isinstance(settings, Mapping):
        try:
            document = json.dumps(settings, allow_nan=False)
        except (TypeError, ValueError) as error:
            raise ValueError(f"settings: not a settings document ({error})") from None
    elif isinstance(settings, (str, os.PathLike)):
        file = os.fspath(settings)
    elif settings is not None:
        raise TypeError(f"settings: expected a dict or a path, got {type(settings).__name__}")
    p = points_array(points)
    t = triangles_array(triangles, p.shape[0])
    cap = min(int(max_items), 2**64 - 1)
    text, lists = _meshaudit.check(p, t, profile, document, file, bool(where), cap, bool(progress),
                                   int(memory_limit or 0), os.fsencode(source.file), source.format, source.notes, source.object_id,
                                   source.object_name, _face_list(source.faces, t.shape[0]),
                                   _face_list(source.parts, t.shape[0]))
    closed = None
    if profile != "closed" or settings is not None:
        def closed():
            return check(p, t, memory_limit=memory_limit).verdict
    return Report(json.loads(text), lists, listed=bool(where), closed_verdict=closed)
