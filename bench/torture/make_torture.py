#!/usr/bin/python3
"""Writes the meshes that put many triangles at one place, as OFF files:

  fan.off        N triangles around one point (a valid disk)
  book.off       N triangles on one edge
  copies.off     N copies of one triangle
  alternate.off  N copies of one triangle, every second one reversed
  repeated.off   N triangles that repeat one point, (0, 0, i), on a circle

and, with --with MESH.off (a normal mesh, e.g. bunny_sub2 converted by
`meshaudit repair bunny_sub2.ply -o bunny.off`), each of them appended to it
as <name>+mesh.off, placed beside it in space.

  make_torture.py OUT_DIR [--count N] [--with MESH.off]
"""
import argparse
import math
import os


def fan(n):
    points = [(0.0, 0.0, 0.0)] + [(math.cos(2 * math.pi * i / n), math.sin(2 * math.pi * i / n), 0.0) for i in range(n)]
    return points, [(0, 1 + i, 1 + (i + 1) % n) for i in range(n)]


def book(n):
    points = [(0.0, 0.0, 0.0), (0.0, 0.0, 1.0)]
    points += [(math.cos(2 * math.pi * i / n), math.sin(2 * math.pi * i / n), 0.5) for i in range(n)]
    return points, [(0, 1, 2 + i) for i in range(n)]


def copies(n, alternate):
    points = [(0.0, 0.0, 0.0), (1.0, 0.0, 0.0), (0.0, 1.0, 0.0)]
    return points, [(0, 2, 1) if alternate and i % 2 else (0, 1, 2) for i in range(n)]


def repeated(n):
    points = [(0.0, 0.0, 0.0)] + [(math.cos(2 * math.pi * i / n), math.sin(2 * math.pi * i / n), 0.0) for i in range(n)]
    return points, [(0, 0, 1 + i) for i in range(n)]


def read_off(path):
    with open(path) as f:
        words = f.read().split()
    if words[0] != "OFF":
        raise SystemExit("%s: not an OFF file" % path)
    nv, nf = int(words[1]), int(words[2])
    at = 4
    points = [tuple(float(w) for w in words[at + 3 * i: at + 3 * i + 3]) for i in range(nv)]
    at += 3 * nv
    triangles = []
    for _ in range(nf):
        if words[at] != "3":
            raise SystemExit("%s: only triangles are supported" % path)
        triangles.append((int(words[at + 1]), int(words[at + 2]), int(words[at + 3])))
        at += 4
    return points, triangles


def write_off(path, points, triangles):
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write("OFF\n%d %d 0\n" % (len(points), len(triangles)))
        f.writelines("%r %r %r\n" % p for p in points)
        f.writelines("3 %d %d %d\n" % t for t in triangles)
    os.replace(tmp, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out")
    parser.add_argument("--count", type=int, default=100000)
    parser.add_argument("--with", dest="mesh")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    shapes = {"fan": fan(args.count), "book": book(args.count),
              "copies": copies(args.count, False), "alternate": copies(args.count, True),
              "repeated": repeated(args.count)}
    base = read_off(args.mesh) if args.mesh else None
    for name, (points, triangles) in shapes.items():
        write_off(os.path.join(args.out, name + ".off"), points, triangles)
        if base is not None:
            # Beside the mesh: shifted past its largest x.
            shift = max(p[0] for p in base[0]) + 2.0
            moved = [(x + shift, y, z) for x, y, z in points]
            offset = len(base[0])
            joined = base[1] + [(a + offset, b + offset, c + offset) for a, b, c in triangles]
            write_off(os.path.join(args.out, name + "+mesh.off"), base[0] + moved, joined)
        print("wrote", name)


if __name__ == "__main__":
    main()
