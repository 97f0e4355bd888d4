#!/usr/bin/python3
"""Overlapping solids united by `meshaudit repair`, against CGAL's corefinement
union of the same shells (bench/peers/cgal_union.cpp) on the same files.

    bench/union_agreement.py COMMAND OUT_DIR [--kind turned|cad|grid|all] [--count N] [--seed S]

Writes N files of each kind into OUT_DIR, each two to six closed shells that
overlap, touch or lie against one another:
  turned  the shared meshes (spot, the bunny closed by `meshaudit repair`)
          and an icosphere, torus and cube, scaled to a unit diagonal, turned
          at random for most, moved by a random offset;
  cad     prisms of 16 to 128 sides (cylinders as a CAD program writes them,
          fans of long triangles) and boxes of 12 triangles, turned at random
          for most, on a 1/8 grid;
  grid    the same parts square to the axes on a 1/8 grid: coplanar caps and
          faces, coaxial cylinders, rims touching faces.
For each file: whether the output passes `check -p closed`, its volume,
CGAL's (or why it failed), and the difference as a share of the box volume.
The summary counts the files both pass and the largest such difference,
which the exact union keeps near 1e-15 where CGAL's is right (files where
either side fails are listed).
"""
import argparse
import json
import math
import os
import subprocess
import sys

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "corpus"))
import make_damaged as md  # noqa: E402

PEER = "/tmp/meshaudit-peer/cgal_union"


def turn(rng):
    q = rng.normal(size=4)
    a, b, c, d = q / np.linalg.norm(q)
    return np.array([[a * a + b * b - c * c - d * d, 2 * (b * c - a * d), 2 * (b * d + a * c)],
                     [2 * (b * c + a * d), a * a - b * b + c * c - d * d, 2 * (c * d - a * b)],
                     [2 * (b * d - a * c), 2 * (c * d + a * b), a * a - b * b - c * c + d * d]])


def prism(n, r, h):
    P = [(0, 0, 0), (0, 0, h)]
    for k in range(n):
        a = 2 * math.pi * k / n
        P += [(r * math.cos(a), r * math.sin(a), 0), (r * math.cos(a), r * math.sin(a), h)]
    T = []
    for k in range(n):
        b0, t0, b1, t1 = 2 + 2 * k, 3 + 2 * k, 2 + 2 * ((k + 1) % n), 3 + 2 * ((k + 1) % n)
        T += [(0, b1, b0), (1, t0, t1), (b0, b1, t1), (b0, t1, t0)]
    return np.array(P, float), np.array(T)


def box(lo, hi):
    P = np.array([(x, y, z) for x in (lo[0], hi[0]) for y in (lo[1], hi[1]) for z in (lo[2], hi[2])], float)
    T = np.array([(0, 1, 3), (0, 3, 2), (4, 6, 7), (4, 7, 5), (0, 4, 5), (0, 5, 1), (2, 3, 7), (2, 7, 6),
                  (0, 2, 6), (0, 6, 4), (1, 5, 7), (1, 7, 3)])
    return P, T


def read_ply(path):
    with open(path, "rb") as f:
        data = f.read()
    end = data.index(b"end_header\n") + len(b"end_header\n")
    head = data[:end].decode().split("\n")
    nv = next(int(h.split()[2]) for h in head if h.startswith("element vertex"))
    nf = next(int(h.split()[2]) for h in head if h.startswith("element face"))
    kind = next(h.split()[1] for h in head if h.startswith("property") and h.split()[-1] == "x")
    dt = np.dtype("<f8" if kind in ("double", "float64") else "<f4")
    P = np.frombuffer(data, dt, nv * 3, end).reshape(-1, 3).astype(float)
    F = np.frombuffer(data, np.dtype([("n", "u1"), ("i", "<i4", 3)]), nf, end + nv * 3 * dt.itemsize)
    return P, F["i"].astype(np.int64)


def shapes(command, out):
    found = {"sphere": md.icosphere(3), "torus": md.torus(48, 16), "cube": md.cube(3),
             "spot": md.read_obj(os.path.join(md.SHARED, "spot.obj"))}
    closed = os.path.join(out, "bunny-closed.ply")
    subprocess.run([command, "repair", os.path.join(md.SHARED, "stanford-bunny.obj"), "-o", closed, "--force"],
                   check=True, capture_output=True)
    found["bunny"] = read_ply(closed)
    return {k: (np.asarray(P, float), np.asarray(T, np.int64)) for k, (P, T) in found.items()}


def assembly(kind, rng, bases):
    parts = []
    for _ in range(int(rng.integers(2, 7))):
        if kind == "turned":
            P, T = bases[list(bases)[rng.integers(len(bases))]]
            lo, hi = P.min(0), P.max(0)
            P = (P - (lo + hi) / 2) / np.linalg.norm(hi - lo)
            P = (P @ turn(rng).T if rng.random() < 0.7 else P) + rng.normal(scale=0.25, size=3)
        elif rng.random() < 0.4:
            lo = rng.integers(-8, 4, size=3) / 8.0
            P, T = box(lo, lo + rng.integers(1, 9, size=3) / 8.0)
            P = P @ turn(rng).T if kind == "cad" and rng.random() < 0.3 else P
        elif kind == "cad":
            P, T = prism(int(rng.choice([16, 32, 64, 128])), rng.uniform(0.05, 0.4), rng.uniform(0.2, 1.5))
            P = P - np.array([0, 0, rng.uniform(0, 0.5)])
            P = (P @ turn(rng).T if rng.random() < 0.7 else P) + rng.integers(-4, 4, size=3) / 8.0
        else:
            P, T = prism(int(rng.choice([16, 32, 64, 128])), rng.integers(1, 4) / 8.0, rng.integers(1, 9) / 8.0)
            P = P[:, [0, 1, 2] if rng.random() < 0.5 else list(rng.permutation(3))]
            P = P + rng.integers(-4, 4, size=3) / 8.0
        parts.append((P, T))
    offsets = np.cumsum([0] + [len(P) for P, _ in parts[:-1]])
    return np.vstack([P for P, _ in parts]), np.vstack([T + o for (_, T), o in zip(parts, offsets)])


def measure(command, path):
    out = path[:-4] + ".united.ply"
    repaired = subprocess.run([command, "repair", path, "-o", out, "--force"], capture_output=True, text=True)
    row = {"file": os.path.basename(path), "pass": False, "volume": None, "peer": None, "why": ""}
    if repaired.returncode == 0:
        checked = subprocess.run([command, "check", "--json", "-q", "-p", "closed", out], capture_output=True,
                                 text=True)
        d = json.loads(checked.stdout)
        row.update({"pass": d["verdict"] == "pass", "volume": d["mesh"]["Volume"]["value"],
                    "box": d["scale"]["box_volume"], "why": "; ".join(d["failures"][:3])})
    else:
        row["why"] = repaired.stderr.strip()[-200:]
    try:
        peer = json.loads(subprocess.run([PEER, path], capture_output=True, text=True, timeout=120).stdout)
        row["peer"] = peer["volume"] if peer.get("ok") else None
        row["peer_error"] = peer.get("error", "")
    except (subprocess.TimeoutExpired, json.JSONDecodeError) as e:
        row["peer_error"] = type(e).__name__
    return row


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("command")
    ap.add_argument("out")
    ap.add_argument("--kind", default="all", choices=["turned", "cad", "grid", "all"])
    ap.add_argument("--count", type=int, default=20)
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args()
    if not os.access(PEER, os.X_OK):
        os.makedirs(os.path.dirname(PEER), exist_ok=True)
        subprocess.run(["g++", "-std=c++17", "-O2", "-DNDEBUG", "-DCGAL_NDEBUG",
                        os.path.join(HERE, "peers", "cgal_union.cpp"), "-o", PEER, "-lmpfr", "-lgmp"], check=True)
    os.makedirs(a.out, exist_ok=True)
    bases = shapes(a.command, a.out)
    rows = []
    for kind in (["turned", "cad", "grid"] if a.kind == "all" else [a.kind]):
        rng = np.random.default_rng([a.seed, ["turned", "cad", "grid"].index(kind)])
        for k in range(a.count):
            path = os.path.join(a.out, f"{kind}-{k}.off")
            md.write_off(path, *assembly(kind, rng, bases))
            row = measure(a.command, path)
            row["kind"] = kind
            if row["pass"] and row["peer"] is not None:
                row["difference"] = abs(row["volume"] - row["peer"]) / row["box"]
            rows.append(row)
            print(json.dumps(row), flush=True)
    for kind in sorted({r["kind"] for r in rows}):
        group = [r for r in rows if r["kind"] == kind]
        both = [r for r in group if "difference" in r]
        print(f"{kind}: {sum(r['pass'] for r in group)} of {len(group)} pass closed "
              f"(CGAL's union ran on {sum(r['peer'] is not None for r in group)}); both: {len(both)}, "
              f"largest volume difference {max((r['difference'] for r in both), default=0):.3g} of the box volume")


if __name__ == "__main__":
    main()
