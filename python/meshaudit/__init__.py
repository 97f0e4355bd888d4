"""meshaudit: checks triangle meshes for printing, simulation and CAD.

    import meshaudit
    report = meshaudit.check(points, triangles)          # numpy arrays
    print(report.is_closed, report.holes, report.volume)
    for q in report.failed():
        print(q.category, q.name, q.value, q.criterion)

read() reads STL, OBJ, PLY, OFF and 3MF files with the `meshaudit`
command's readers; check() judges a mesh by a profile and settings and
reports as `meshaudit check --json` does; merge_points() and drop_invalid()
repair; from_trimesh(), from_open3d() and from_meshio() take other
libraries' meshes.
"""
from ._meshaudit import ReadError, __version__
from ._mesh import Mesh, read
from ._report import Category, Quantity, Report, check
from ._repairs import drop_invalid, merge_points, repair
from ._interop import from_meshio, from_open3d, from_trimesh

__all__ = ["__version__", "Category", "Mesh", "Quantity", "ReadError", "Report", "check", "drop_invalid", "repair", "from_meshio",
           "from_open3d", "from_trimesh", "merge_points", "read"]
