"""Throughput of meshaudit.batch on one local worker and on two.

    MESHAUDIT_COMMAND=build/command/cli/meshaudit PYTHONPATH=python \\
        /usr/bin/python3 bench/batch_scaling.py [--files 1000] [--repeat 3]

Writes FILES small closed meshes (a torus of 2,000 triangles each, as OFF) to
a temporary folder, then checks them all with ``check_files`` on a local
cluster of 1 worker process and of 2, REPEAT times each in turn, and prints
the best rate of each and their ratio. Each run starts its own cluster before
the clock, so what is timed is checking the files, not starting Python
processes, and no other cluster idles beside it. Prints the
load average before and after, and the same ratio for the command alone (one
process, then two at once on halves of the files): on a busy machine the
second core is what other processes leave, and that ratio says how much.
"""
import argparse
import math
import os
import subprocess
import tempfile
import time

import dask
from distributed import Client, LocalCluster

from meshaudit import batch


def torus(u, v, shift):
    points = [((2 + math.cos(2 * math.pi * j / v)) * math.cos(2 * math.pi * i / u) + shift,
               (2 + math.cos(2 * math.pi * j / v)) * math.sin(2 * math.pi * i / u),
               math.sin(2 * math.pi * j / v)) for i in range(u) for j in range(v)]
    faces = []
    for i in range(u):
        for j in range(v):
            a, b = i * v + j, ((i + 1) % u) * v + j
            c, d = ((i + 1) % u) * v + (j + 1) % v, i * v + (j + 1) % v
            faces += [(a, b, c), (a, c, d)]
    return "OFF\n%d %d 0\n" % (len(points), len(faces)) + "".join(
        "%r %r %r\n" % p for p in points) + "".join("3 %d %d %d\n" % f for f in faces)


def timed(files, client):
    start = time.perf_counter()
    reports = list(batch.check_files(files, client))
    elapsed = time.perf_counter() - start
    # A torus fails the closed profile on its handle, and only on that.
    assert len(reports) == len(files) and all(r.status == 1 for r in reports)
    return len(files) / elapsed


def command_rate(files, streams):
    """The command alone, on the same files split between ``streams`` processes
    at once: what the machine gives two processes at this moment."""
    command = [os.environ.get("MESHAUDIT_COMMAND", "meshaudit"), "check", "--json", "-q", "-j", "1"]
    start = time.perf_counter()
    runs = [subprocess.Popen(command + files[i::streams], stdout=subprocess.DEVNULL) for i in range(streams)]
    assert all(run.wait() == 1 for run in runs)
    return len(files) / (time.perf_counter() - start)


def cluster_rate(files, workers):
    """The rate of one cluster of ``workers`` processes, started for this run
    and closed after it: a second cluster left idle meanwhile would take its
    housekeeping from the cores the one timed needs. A warm-up on a few files
    first, so that the clock sees no first-task costs."""
    with dask.config.set({"distributed.scheduler.worker-saturation": 1.0}), \
            LocalCluster(n_workers=workers, threads_per_worker=1, dashboard_address=":0") as cluster, \
            Client(cluster) as client:
        timed(files[:4 * workers], client)
        return timed(files, client)


def rates(folder, repeat):
    """The best rate on 1 worker and on 2, timed in turn so that both see the
    same changes of load."""
    files = batch.expand([folder])
    best = {1: 0.0, 2: 0.0, "command 1": 0.0, "command 2": 0.0}
    for _ in range(repeat):
        for workers in (1, 2):
            best[workers] = max(best[workers], cluster_rate(files, workers))
            best[f"command {workers}"] = max(best[f"command {workers}"], command_rate(files, workers))
    return best


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--files", type=int, default=1000)
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()
    print("load before: %.2f %.2f %.2f" % os.getloadavg())
    with tempfile.TemporaryDirectory() as folder:
        for i in range(args.files):
            with open(os.path.join(folder, f"{i:05}.off"), "w") as stream:
                stream.write(torus(40, 25, i))
        best = rates(folder, args.repeat)
    print(f"{args.files} files: 1 worker {best[1]:.1f} files/s, 2 workers {best[2]:.1f} files/s, "
          f"ratio {best[2] / best[1]:.2f}")
    print(f"the command alone: 1 process {best['command 1']:.1f} files/s, 2 at once {best['command 2']:.1f} files/s, "
          f"ratio {best['command 2'] / best['command 1']:.2f}")
    print("load after: %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
