#!/usr/bin/python3
"""Damaged copies of closed meshes, each with the damage it was given written down.

    make_damaged.py small OUTDIR [--seed S]    the few dozen small files kept in tests/data/damaged
    make_damaged.py medium OUTDIR [--seed S]   the bench corpus on the shared meshes and shapes of 1,700
                                               to 5,900 triangles (147 files, 25 MB)
    make_damaged.py large OUTDIR [--seed S]    the same on shapes of about 20,000 triangles (147 files, 121 MB)

Each run writes OUTDIR/manifest.json: one record per file with its base shape, its damage kinds in
the order applied, what each did (counts), and whether its damage makes shells cross
(self_intersecting) or touch (self_touching): the repair moves no point, so it cannot part them, and
such files are left out of the printable figure. The same
arguments always give the same bytes: every random choice comes from one generator per file, seeded
from the run's seed and the file's name.

Damage kinds:
  clean        none: the file must come out of a repair still printable
  holes_small  a few single triangles and vertex fans removed, far apart
  holes_large  one patch of about a tenth of the triangles removed
  flipped      a patch of about a tenth of the triangles turned over
  duplicated   some triangles repeated, by index and with copies of their points
  soup         every triangle with points of its own, written as binary STL
  stray        floating debris away from the body: a lone triangle, an open and a closed tetrahedron
  inner        a small closed solid left inside the body's material, facing outwards
  pinched      a second copy of the body, mirrored through an extreme corner, touching it there only
               (the two shells still touch once the point is split: marked self_touching)
  sliver       zero-area triangles: T-junctions closed by a flat triangle, and corners at one place
  inside_out   every triangle turned over
  intersect    a shifted copy of the body overlapping it (self-intersections: excluded)
  mix3         three of the kinds above, at random
Needs numpy; run with /usr/bin/python3.
"""
import argparse
import hashlib
import json
import os
import struct
import sys
from fractions import Fraction

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
SHARED = "/work/shared/meshes"
MIXABLE = ["holes_small", "holes_large", "flipped", "duplicated", "sliver", "inside_out",
           "stray", "inner", "pinched", "soup"]
SINGLE = ["holes_small", "holes_large", "flipped", "duplicated", "soup", "stray", "inner", "pinched",
          "sliver", "inside_out"]


# ---------------------------------------------------------------- base shapes (closed, outward)

def cube(n):
    """A unit cube, each face an n x n grid: dyadic coordinates, so that midpoints are exact."""
    pts, index, tris = [], {}, []

    def pid(p):
        if p not in index:
            index[p] = len(pts)
            pts.append(p)
        return index[p]
    for axis in range(3):
        for side in (0, n):
            u, v = (axis + 1) % 3, (axis + 2) % 3
            for i in range(n):
                for j in range(n):
                    quad = []
                    for di, dj in ((0, 0), (1, 0), (1, 1), (0, 1)):
                        p = [0, 0, 0]
                        p[axis], p[u], p[v] = side, i + di, j + dj
                        quad.append(pid(tuple(c / n for c in p)))
                    a, b, c, d = quad
                    # (u, v) is right-handed about +axis: keep it on the far face, turn it on the near.
                    tris += [(a, b, c), (a, c, d)] if side == n else [(a, c, b), (a, d, c)]
    return np.array(pts, float), np.array(tris, np.int64)


def icosphere(level, radius=1.0):
    t = (1 + 5 ** 0.5) / 2
    pts = [(-1, t, 0), (1, t, 0), (-1, -t, 0), (1, -t, 0), (0, -1, t), (0, 1, t), (0, -1, -t), (0, 1, -t),
           (t, 0, -1), (t, 0, 1), (-t, 0, -1), (-t, 0, 1)]
    pts = [np.array(p, float) / np.linalg.norm(p) for p in pts]
    tris = [(0, 11, 5), (0, 5, 1), (0, 1, 7), (0, 7, 10), (0, 10, 11), (1, 5, 9), (5, 11, 4), (11, 10, 2),
            (10, 7, 6), (7, 1, 8), (3, 9, 4), (3, 4, 2), (3, 2, 6), (3, 6, 8), (3, 8, 9), (4, 9, 5),
            (2, 4, 11), (6, 2, 10), (8, 6, 7), (9, 8, 1)]
    for _ in range(level):
        cache, new = {}, []

        def mid(a, b):
            key = (min(a, b), max(a, b))
            if key not in cache:
                m = pts[a] + pts[b]
                pts.append(m / np.linalg.norm(m))
                cache[key] = len(pts) - 1
            return cache[key]
        for a, b, c in tris:
            ab, bc, ca = mid(a, b), mid(b, c), mid(c, a)
            new += [(a, ab, ca), (b, bc, ab), (c, ca, bc), (ab, bc, ca)]
        tris = new
    return np.array(pts) * radius, np.array(tris, np.int64)


def torus(n, m, radius=3.0):
    u, v = np.meshgrid(np.arange(n) * 2 * np.pi / n, np.arange(m) * 2 * np.pi / m, indexing="ij")
    p = np.stack([(radius + np.cos(v)) * np.cos(u), (radius + np.cos(v)) * np.sin(u), np.sin(v)], -1)
    i, j = np.meshgrid(np.arange(n), np.arange(m), indexing="ij")
    a, b, c, d = i * m + j, (i + 1) % n * m + j, (i + 1) % n * m + (j + 1) % m, i * m + (j + 1) % m
    t = np.stack([np.stack([a, b, c], -1), np.stack([a, c, d], -1)], 2)
    return p.reshape(-1, 3), t.reshape(-1, 3).astype(np.int64)


def read_obj(path):
    pts, tris = [], []
    with open(path) as f:
        for line in f:
            w = line.split()
            if not w:
                continue
            if w[0] == "v":
                pts.append([float(x) for x in w[1:4]])
            elif w[0] == "f":
                idx = [int(x.split("/")[0]) - 1 for x in w[1:]]
                tris += [(idx[0], idx[k], idx[k + 1]) for k in range(1, len(idx) - 1)]
    return np.array(pts, float), np.array(tris, np.int64)


# ---------------------------------------------------------------- adjacency, patches, insideness

def adjacency(T):
    """Triangles across each side: a dict from an unordered side to the triangles that have it."""
    sides = {}
    for t, (a, b, c) in enumerate(T.tolist()):
        for x, y in ((a, b), (b, c), (c, a)):
            sides.setdefault((min(x, y), max(x, y)), []).append(t)
    return sides


def patch(T, rng, size):
    """About `size` triangles grown breadth-first through shared sides from a random triangle."""
    sides = adjacency(T)
    start = int(rng.integers(len(T)))
    seen, queue = {start}, [start]
    while queue and len(seen) < size:
        t = queue.pop(0)
        a, b, c = T[t].tolist()
        for x, y in ((a, b), (b, c), (c, a)):
            for u in sides[(min(x, y), max(x, y))]:
                if u not in seen and len(seen) < size:
                    seen.add(u)
                    queue.append(u)
    return np.array(sorted(seen), np.int64)


def box(P):
    return P.min(0), P.max(0)


def winding(P, T, q):
    """The generalized winding number of the closed mesh (P, T) about q (1 inside, 0 outside)."""
    a, b, c = P[T[:, 0]] - q, P[T[:, 1]] - q, P[T[:, 2]] - q
    la, lb, lc = (np.linalg.norm(x, axis=1) for x in (a, b, c))
    det = np.einsum("ij,ij->i", a, np.cross(b, c))
    den = la * lb * lc + np.einsum("ij,ij->i", a, b) * lc + np.einsum("ij,ij->i", b, c) * la + \
        np.einsum("ij,ij->i", c, a) * lb
    return np.arctan2(det, den).sum() / (2 * np.pi)


# ---------------------------------------------------------------- damages: (P, T, rng) -> (P, T, record)

def holes_small(P, T, rng):
    used, removed, record = set(), set(), []
    star = {}
    for t, tri in enumerate(T.tolist()):
        for v in tri:
            star.setdefault(v, []).append(t)
    want = 3 if len(T) < 1000 else 6
    for v in rng.permutation(len(P)).tolist():
        if len(record) == want:
            break
        if v not in star:
            continue
        ring = {w for t in star[v] for w in T[t].tolist()}
        if ring & used:
            continue
        fan = star[v] if rng.random() < 0.5 else [star[v][0]]
        removed.update(fan)
        record.append(len(fan))
        used |= {w for r in ring for t in star[r] for w in T[t].tolist()}
    keep = np.array([t not in removed for t in range(len(T))])
    return P, T[keep], {"holes": record}


def holes_large(P, T, rng):
    gone = patch(T, rng, max(6, len(T) // 10))
    keep = np.ones(len(T), bool)
    keep[gone] = False
    return P, T[keep], {"removed": int(len(gone))}


def flipped(P, T, rng):
    turn = patch(T, rng, max(4, len(T) // 10))
    T = T.copy()
    T[turn] = T[turn][:, ::-1]
    return P, T, {"flipped": int(len(turn))}


def duplicated(P, T, rng):
    k = max(3, len(T) // 50)
    pick = rng.choice(len(T), k, replace=False)
    copies = [np.roll(T[t], int(rng.integers(3))) for t in pick[: k // 2]]
    extra = []
    for t in pick[k // 2:]:
        base = len(P) + len(extra)
        extra += [P[v] for v in T[t]]
        copies.append(np.array([base, base + 1, base + 2]))
    if extra:
        P = np.vstack([P, extra])
    return P, np.vstack([T, copies]), {"by_index": int(k // 2), "by_place": int(k - k // 2)}


def inside_out(P, T, rng):
    return P, T[:, ::-1].copy(), {"flipped": int(len(T))}


def stray(P, T, rng):
    lo, hi = box(P)
    size = float((hi - lo).max())
    s = size / 32
    parts, record = [], []
    tet = np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]], float)
    tet_t = np.array([[0, 2, 1], [0, 1, 3], [0, 3, 2], [1, 2, 3]])
    for k, faces in enumerate((tet_t[:1], tet_t[:3], tet_t)):
        corner = hi + size * np.array([0.25 + 0.2 * k, 0.1 * rng.random(), 0.1 * rng.random()])
        parts.append((corner + tet * s * (1 + rng.random()), faces))
        record.append(len(faces))
    for p, f in parts:
        T = np.vstack([T, f + len(P)])
        P = np.vstack([P, p])
    return P, T, {"shells_triangles": record}


def clearance(P, T, q):
    """A lower bound of the distance from q to every triangle: for each, the larger of the distance to
    its plane and the distance to its nearest corner less its longest side."""
    a, b, c = P[T[:, 0]], P[T[:, 1]], P[T[:, 2]]
    n = np.cross(b - a, c - a)
    plane = np.abs(np.einsum("ij,ij->i", n, q - a)) / np.maximum(np.linalg.norm(n, axis=1), 1e-300)
    near = np.minimum(np.minimum(np.linalg.norm(a - q, axis=1), np.linalg.norm(b - q, axis=1)),
                      np.linalg.norm(c - q, axis=1))
    side = np.maximum(np.maximum(np.linalg.norm(b - a, axis=1), np.linalg.norm(c - b, axis=1)),
                      np.linalg.norm(a - c, axis=1))
    return float(np.maximum(plane, near - side).min())


def interior_point(P, T):
    """A point inside the closed mesh, as far from its triangles as a few tries find, and that distance
    (a lower bound), or None."""
    lo, hi = box(P)
    size = float((hi - lo).max())
    candidates = [(lo + hi) / 2, P.mean(0)]
    normals = np.cross(P[T[:, 1]] - P[T[:, 0]], P[T[:, 2]] - P[T[:, 0]])
    normals /= np.maximum(np.linalg.norm(normals, axis=1, keepdims=True), 1e-300)
    for t in range(0, len(T), max(1, len(T) // 64)):
        candidates += [P[T[t]].mean(0) - normals[t] * depth * size for depth in (0.2, 0.1, 0.05)]
    best = None
    for q in candidates:
        clear = clearance(P, T, q)
        if clear > 0 and (best is None or clear > best[1]) and winding(P, T, q) > 0.5:
            best = (q, clear)
    return best


def inner(P, T, rng):
    found = interior_point(P, T)
    if found is None or found[1] <= 0:
        raise ValueError("no room inside for an inner shell")
    q, clear = found
    sp, st = icosphere(1, clear * 0.5)
    return np.vstack([P, sp + q]), np.vstack([T, st + len(P)]), {"inner_triangles": int(len(st))}


def pinched(P, T, rng):
    used = np.unique(T)
    d = rng.normal(size=3)
    v = int(used[np.argmax(P[used] @ d)])
    # Mirrored through the corner: every other point moves to the far side of the plane through it.
    Q = 2 * P[v] - P
    by_index = bool(rng.random() < 0.5)
    U = T[:, ::-1] + len(P)
    if by_index:
        U = np.where(U == v + len(P), v, U)
    return np.vstack([P, Q]), np.vstack([T, U]), {"shared": "index" if by_index else "place"}


def exact_midpoint(a, b):
    m = (a + b) / 2
    fa, fb, fm = ([Fraction(float(x)) for x in p] for p in (a, b, m))
    u = [fb[i] - fa[i] for i in range(3)]
    w = [fm[i] - fa[i] for i in range(3)]
    cross = [u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]]
    return m if all(c == 0 for c in cross) and not np.array_equal(m, a) and not np.array_equal(m, b) else None


def sliver(P, T, rng):
    """Splits a side AB of triangle ABC at M on it: AMC, MBC, and the flat (A, B, M) closing the
    crack against the triangle across AB. M is the exact midpoint where doubles hold it, else a
    copy of A (then AMC is flat too)."""
    T = [list(t) for t in T.tolist()]
    P = [p for p in P]
    touched, record = set(), {"t_junction": 0, "corner_at_one_place": 0}
    want = 3 if len(T) < 1000 else 8
    for t in rng.permutation(len(T)).tolist():
        if sum(record.values()) == want:
            break
        a, b, c = T[t]
        if {a, b, c} & touched:
            continue
        m = exact_midpoint(P[a], P[b]) if rng.random() < 0.7 else None
        record["t_junction" if m is not None else "corner_at_one_place"] += 1
        P.append(P[a].copy() if m is None else m)
        M = len(P) - 1
        T[t] = [a, M, c]
        T.append([M, b, c])
        T.append([a, b, M])
        touched |= {a, b, c}
    return np.array(P), np.array(T, np.int64), record


def intersect(P, T, rng):
    lo, hi = box(P)
    shift = (hi - lo) * np.array([0.3, 0.2, 0.1]) * (1 + 0.1 * rng.random())
    return np.vstack([P, P + shift]), np.vstack([T, T + len(P)]), {"copies": 2}


def soup(P, T, rng):
    return P[T.reshape(-1)].copy(), np.arange(3 * len(T)).reshape(-1, 3), {"soup": True}


DAMAGES = {f.__name__: f for f in (holes_small, holes_large, flipped, duplicated, inside_out, stray, inner,
                                       pinched, sliver, intersect, soup)}
# Kinds that change triangles in place go before those that add shells, so that the added shells
# stay whole; soup goes last, as it is a way of writing the file.
ORDER = ["sliver", "duplicated", "holes_small", "holes_large", "flipped", "inside_out", "inner", "stray",
         "pinched", "intersect", "soup"]


# ---------------------------------------------------------------- writers

def write_off(path, P, T):
    with open(path, "w") as f:
        f.write(f"OFF\n{len(P)} {len(T)} 0\n")
        f.writelines(f"{x!r} {y!r} {z!r}\n" for x, y, z in P.tolist())
        f.writelines(f"3 {a} {b} {c}\n" for a, b, c in T.tolist())


def write_obj(path, P, T):
    with open(path, "w") as f:
        f.writelines(f"v {x!r} {y!r} {z!r}\n" for x, y, z in P.tolist())
        f.writelines(f"f {a + 1} {b + 1} {c + 1}\n" for a, b, c in T.tolist())


def write_ply(path, P, T):
    head = ("ply\nformat binary_little_endian 1.0\nelement vertex %d\nproperty double x\nproperty double y\n"
            "property double z\nelement face %d\nproperty list uchar int vertex_indices\nend_header\n"
            % (len(P), len(T)))
    faces = np.zeros(len(T), np.dtype([("n", "u1"), ("v", "<i4", 3)]))
    faces["n"], faces["v"] = 3, T
    with open(path, "wb") as f:
        f.write(head.encode())
        f.write(np.asarray(P, "<f8").tobytes())
        f.write(faces.tobytes())


def write_stl(path, P, T):
    a, b, c = P[T[:, 0]], P[T[:, 1]], P[T[:, 2]]
    n = np.cross(b - a, c - a)
    n /= np.maximum(np.linalg.norm(n, axis=1, keepdims=True), 1e-300)
    rec = np.zeros(len(T), np.dtype([("n", "<f4", 3), ("v", "<f4", 9), ("attr", "<u2")]))
    rec["n"], rec["v"] = n, np.hstack([a, b, c])
    with open(path, "wb") as f:
        f.write(b"damaged mesh".ljust(80, b" "))
        f.write(struct.pack("<I", len(T)))
        f.write(rec.tobytes())


WRITERS = {"off": write_off, "obj": write_obj, "ply": write_ply, "stl": write_stl}


# ---------------------------------------------------------------- the corpora

def subdivided(P, T):
    """Each triangle in four at the midpoints of its sides: the same surface, four times the triangles."""
    P, mids, new = list(P), {}, []

    def mid(a, b):
        key = (min(a, b), max(a, b))
        if key not in mids:
            P.append((P[a] + P[b]) / 2)
            mids[key] = len(P) - 1
        return mids[key]
    for a, b, c in T.tolist():
        ab, bc, ca = mid(a, b), mid(b, c), mid(c, a)
        new += [(a, ab, ca), (b, bc, ab), (c, ca, bc), (ab, bc, ca)]
    return np.array(P), np.array(new, np.int64)


def bases(which):
    """The closed shapes damaged: 48 to 144 triangles (small), 1,700 to 5,900 (medium), about 20,000
    (large, the size of many printed parts)."""
    if which == "small":
        return {"cube": cube(2), "sphere": icosphere(1), "torus": torus(12, 6)}
    spot = read_obj(os.path.join(SHARED, "spot.obj"))
    if which == "medium":
        return {"cube": cube(12), "sphere": icosphere(4), "torus": torus(64, 24), "spot": spot}
    return {"cube": cube(40), "sphere": icosphere(5), "torus": torus(160, 64), "spot": subdivided(*spot)}


def plan(which, rng):
    """(name, base, kinds) for every file of the corpus."""
    rows = []
    names = list(bases_names(which))
    seeds = 1 if which == "small" else 3
    for base in names:
        rows.append((f"{base}-clean", base, []))
        for kind in SINGLE:
            for s in range(seeds):
                rows.append((f"{base}-{kind}-{s}", base, [kind]))
        for s in range(2 if which == "small" else 4):
            kinds = sorted(rng.choice(MIXABLE, 3, replace=False).tolist(), key=ORDER.index)
            rows.append((f"{base}-mix3-{s}", base, kinds))
    for base in names[:1] if which == "small" else names:
        rows.append((f"{base}-intersect", base, ["intersect"]))
    return rows


def bases_names(which):
    return ["cube", "sphere", "torus"] + ([] if which == "small" else ["spot"])


def file_rng(seed, name):
    return np.random.default_rng(int.from_bytes(hashlib.sha256(f"{seed}:{name}".encode()).digest()[:8], "little"))


def build(which, out, seed):
    os.makedirs(out, exist_ok=True)
    shapes = bases(which)
    formats = ["off", "ply", "obj"]
    manifest = []
    for k, (name, base, kinds) in enumerate(plan(which, np.random.default_rng(seed))):
        rng = file_rng(seed, name)
        P, T = shapes[base]
        if "soup" in kinds:
            P = P.astype(np.float32).astype(float)  # STL holds floats: damage what the file will hold
        record = {}
        for kind in kinds:
            P, T, done = DAMAGES[kind](P, T, rng)
            record[kind] = done
        fmt = "stl" if "soup" in kinds else formats[k % len(formats)]
        path = os.path.join(out, f"{name}.{fmt}")
        WRITERS[fmt](path, P, T)
        group = name.split("-")[1]
        manifest.append({"file": os.path.basename(path), "base": base, "group": group, "kinds": kinds or ["clean"],
                         "damage": record, "points": int(len(P)), "triangles": int(len(T)),
                         "self_intersecting": "intersect" in kinds,
                         "self_touching": "pinched" in kinds})
    if which != "small":
        # The shared meshes as they come: a scan with open holes, and two with self-intersections.
        for name, kinds, crossing in (("stanford-bunny", ["open_scan"], False), ("suzanne", ["as_modelled"], True),
                                      ("teapot", ["as_modelled"], True)):
            P, T = read_obj(os.path.join(SHARED, name + ".obj"))
            write_ply(os.path.join(out, name + ".ply"), P, T)
            manifest.append({"file": name + ".ply", "base": name, "group": kinds[0], "kinds": kinds, "damage": {},
                             "points": int(len(P)), "triangles": int(len(T)), "self_intersecting": crossing,
                             "self_touching": False})
    with open(os.path.join(out, "manifest.json"), "w") as f:
        json.dump({"seed": seed, "corpus": which, "files": manifest}, f, indent=1)
        f.write("\n")
    return manifest


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("which", choices=["small", "medium", "large"])
    parser.add_argument("out")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    manifest = build(args.which, args.out, args.seed)
    size = sum(os.path.getsize(os.path.join(args.out, m["file"])) for m in manifest)
    print(f"{len(manifest)} files, {size // 1024} KiB in {args.out}", file=sys.stderr)


if __name__ == "__main__":
    main()
