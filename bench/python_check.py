#!/usr/bin/python3
"""Times meshaudit.check() from Python against the C ABI's analyse() on the
same mesh, in the same process, alternately, so that both see the same
machine. Both judge by the library's defaults (the "library" profile).

    PYTHONPATH=build/python/python /usr/bin/python3 bench/python_check.py \
        [--mesh /tmp/meshaudit-bench-meshes/bunny_sub2.ply] \
        [--lib build/python/libmeshaudit.so] [--reps 5]
"""
import argparse
import ctypes
import os
import statistics
import time

import numpy as np

import meshaudit


class MeshRecord(ctypes.Structure):
    _pack_ = 4
    _fields_ = [("points", ctypes.c_void_p), ("pointCount", ctypes.c_uint32),
                ("triangles", ctypes.c_void_p), ("triangleCount", ctypes.c_uint32)]


def timed(function):
    start = time.perf_counter()
    function()
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--mesh", default="/tmp/meshaudit-bench-meshes/bunny_sub2.ply")
    parser.add_argument("--lib", default="build/python/libmeshaudit.so")
    parser.add_argument("--reps", type=int, default=5)
    args = parser.parse_args()

    mesh = meshaudit.read(args.mesh)
    points, triangles = np.ascontiguousarray(mesh.points), np.ascontiguousarray(mesh.triangles)
    library = ctypes.CDLL(os.path.abspath(args.lib))
    record = MeshRecord(points.ctypes.data, len(points), triangles.ctypes.data, len(triangles))

    def analyse():
        # The C ABI draws its progress line on standard error; check() draws
        # none unless asked, so the line goes to /dev/null here.
        saved, null = os.dup(2), os.open(os.devnull, os.O_WRONLY)
        os.dup2(null, 2)
        try:
            assert library.analyse(ctypes.byref(record)) == 1
        finally:
            os.dup2(saved, 2)
            os.close(saved)
            os.close(null)

    def check():
        meshaudit.check(points, triangles, profile="library")

    # The first analysis in a process also pays for growing the heap.
    analyse(), check()
    c_times, py_times = [], []
    for _ in range(args.reps):
        c_times.append(timed(analyse))
        py_times.append(timed(check))
    c, py = statistics.median(c_times), statistics.median(py_times)
    print(f"{os.path.basename(args.mesh)}: {len(triangles)} triangles, medians of {args.reps}")
    print(f"  C ABI analyse()      {c:.3f} s")
    print(f"  meshaudit.check()    {py:.3f} s")
    print(f"  check / analyse      {py / c:.3f}")


if __name__ == "__main__":
    main()
