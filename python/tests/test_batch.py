"""meshaudit.batch on a real Dask cluster: a scheduler and two workers on 127.0.0.1."""
import json
import os
import pathlib
import re
import signal
import subprocess
import sys
import time

import pytest
from distributed import Client

import meshaudit
from meshaudit import batch

COMMAND = os.environ["MESHAUDIT_COMMAND"]
RECORD = {"profile": "closed", "settings": None, "command": f"meshaudit {meshaudit.__version__}"}
BUILD = pathlib.Path(batch.__file__).resolve().parents[2]  # <build>/python/meshaudit/batch.py
TETRAHEDRON = "OFF\n4 4 0\n0 0 0\n{0} 0 0\n0 {0} 0\n0 0 {0}\n3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n"
TRIANGLE = "OFF\n3 1 0\n0 0 0\n{0} 0 0\n0 {0} 0\n3 0 1 2\n"  # a border: fails the closed profile
BROKEN = "OFF\n3 1 0\n0 0 {0}x\n"


def crashing_checker(paths, options):
    """Takes down the worker process running it when crash.off is among its files."""
    if any(path.endswith("crash.off") for path in paths):
        os._exit(3)
    return batch.run_command(paths, options)


@pytest.fixture(scope="module")
def dataset(tmp_path_factory):
    """210 files, a third each passing, failing and unreadable, and crash.off, a
    good file; the command's own lines for each; a FIFO that hangs whoever reads it."""
    root = tmp_path_factory.mktemp("meshes")
    verdicts = {}
    for i in range(210):
        verdict, text = [("pass", TETRAHEDRON), ("fail", TRIANGLE), ("error", BROKEN)][i % 3]
        os.makedirs(root / str(i % 7), exist_ok=True)
        (root / str(i % 7) / f"{i}.off").write_text(text.format(i + 1))
        verdicts[str(root / str(i % 7) / f"{i}.off")] = verdict
    (root / "crash.off").write_text(TETRAHEDRON.format(2))
    verdicts[str(root / "crash.off")] = "pass"
    lines = subprocess.run([COMMAND, "check", "--json", str(root)], capture_output=True).stdout.decode()
    direct = {json.loads(line)["file"]: line for line in lines.splitlines(keepends=True)}
    os.mkfifo(root.parent / "hang.off")
    return root, verdicts, direct, str(root.parent / "hang.off")


@pytest.fixture(scope="module")
def cluster(tmp_path_factory):
    address = tmp_path_factory.mktemp("dask") / "scheduler.json"
    # Worker deaths within a second attempt; one task at a time per worker.
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path), DASK_DISTRIBUTED__SCHEDULER__ALLOWED_FAILURES="1",
               DASK_DISTRIBUTED__SCHEDULER__WORKER_SATURATION="1.0")
    common = ["--scheduler-file", str(address), "--no-dashboard", "--host", "127.0.0.1"]
    processes = [subprocess.Popen([name, *common, *more], env=env, start_new_session=True, stderr=subprocess.DEVNULL)
                 for name, more in [("dask-scheduler", ["--port", "0"])] + [("dask-worker", ["--nthreads", "1"])] * 2]
    while not address.exists():
        time.sleep(0.1)
    client = Client(scheduler_file=str(address))
    client.wait_for_workers(2, timeout=60)
    yield client, processes
    client.close()
    for process in processes:
        os.killpg(process.pid, signal.SIGKILL) if process.poll() is None else None
        process.wait()


def test_each_file_once_with_its_verdict_through_hangs_crashes_and_a_lost_worker(cluster, dataset):
    client, processes = cluster
    root, verdicts, direct, fifo = dataset
    reports = []
    for report in batch.check_files(batch.expand([str(root), fifo]), client, timeout=2, checker=crashing_checker):
        reports.append(report)
        if len(reports) == 1:  # the second worker goes, with the task it was running
            os.killpg(processes[2].pid, signal.SIGKILL)
    assert sorted(r.path for r in reports) == sorted([*verdicts, fifo])
    documents = {r.path: r.documents[0] for r in reports}
    expected = dict(verdicts, **{fifo: "error", str(root / "crash.off"): "error"})
    assert {path: document["verdict"] for path, document in documents.items()} == expected
    assert documents[fifo]["error"] == f"{fifo}: not checked within the timeout of 2 s"
    assert documents[str(root / "crash.off")]["error"].startswith(f"{root}/crash.off: the process checking it died")
    # Byte for byte the command's own result, for every file the crash and the hang spared.
    assert {r.path: r.lines for r in reports if r.path in direct and "crash" not in r.path} == {
        path: [line] for path, line in direct.items() if "crash" not in path}
    assert len(client.nthreads()) == 1


def test_a_rerun_records_what_is_missing_after_a_truncated_line(cluster, dataset, tmp_path):
    client, _ = cluster
    root, verdicts, direct, _ = dataset
    output = tmp_path / "results.jsonl"
    kept = "".join(list(direct.values())[:50])
    output.write_text(kept + list(direct.values())[50][:70])
    (tmp_path / "results.jsonl.run.json").write_text(json.dumps(RECORD))
    command = [sys.executable, "-m", "meshaudit.batch", str(root), "-o", str(output),
               "--scheduler", client.scheduler.address, "--command", COMMAND]
    for already in (50, 211):  # the second run has nothing left to do
        run = subprocess.run(command, capture_output=True, text=True)
        assert run.returncode == 2, run.stderr  # unreadable files are errors
        assert run.stdout == f"checked 211 files: 71 passed, 70 failed, 70 errors ({already} already in {output})\n"
    text = output.read_text()
    assert text.startswith(kept)
    assert sorted(text.splitlines(keepends=True)) == sorted(direct.values())


@pytest.mark.parametrize("change, words", [
    (["-p", "surface"], "made with profile closed, not surface"),
    (["-s", "strict.json"], "made with other settings"),
    ("version", f"made with command meshaudit 0.0.1, not meshaudit {meshaudit.__version__}"),
    ("no record", "it has no record of how its results were made"),
])
def test_a_rerun_resumes_only_results_made_alike_or_restarts(cluster, tmp_path, change, words):
    client, _ = cluster
    (tmp_path / "t.off").write_text(TETRAHEDRON.format(1))
    (tmp_path / "strict.json").write_text('{"points": {"Epsilon": 0.5}}')
    output, sidecar = tmp_path / "out.jsonl", tmp_path / "out.jsonl.run.json"
    output.write_text('{"schema":5,"file":"/elsewhere.off","verdict":"pass"}\n')
    if change != "no record":
        sidecar.write_text(json.dumps(dict(RECORD, command="meshaudit 0.0.1") if change == "version" else RECORD))
    options = change if isinstance(change, list) else []
    command = [sys.executable, "-m", "meshaudit.batch", "t.off", "-o", "out.jsonl", *options,
               "--scheduler", client.scheduler.address]
    refused = subprocess.run(command, capture_output=True, text=True, cwd=tmp_path)
    assert (refused.returncode, refused.stdout) == (2, "") and words in refused.stderr, refused.stderr
    assert "give --restart" in refused.stderr
    restarted = subprocess.run(command + ["--restart"], capture_output=True, text=True, cwd=tmp_path)
    assert (restarted.returncode, restarted.stdout) == (0, "checked 1 files: 1 passed, 0 failed, 0 errors (0 already in out.jsonl)\n")
    alone = subprocess.run([COMMAND, "check", "--json", *options, str(tmp_path / "t.off")], capture_output=True, cwd=tmp_path)
    assert output.read_bytes() == alone.stdout
    assert json.loads(sidecar.read_text()) == dict(RECORD, profile="surface") if "-p" in options else dict(
        RECORD, settings={"points": {"Epsilon": 0.5}} if options else None)


def test_the_summary_names_the_workers_that_died_and_dask_logs_nothing(cluster, dataset, tmp_path):
    client, _ = cluster
    root = dataset[0]
    code = ("import sys, test_batch; from meshaudit import batch; batch.run_command = test_batch.crashing_checker;"
            " sys.exit(batch.main(sys.argv[1:]))")
    run = subprocess.run([sys.executable, "-c", code, str(root / "crash.off"), str(root / "0" / "0.off"), "-o",
                          "out.jsonl", "--scheduler", client.scheduler.address], capture_output=True, text=True,
                         cwd=tmp_path, env=dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path)))
    summary, lost = run.stdout.splitlines()
    assert (run.returncode, run.stderr, summary) == (2, "", "checked 2 files: 1 passed, 0 failed, 1 error (0 already in out.jsonl)")
    # The task runs on the worker and on its replacement, killing each; then alone, in a child of the next.
    assert re.fullmatch(r"2 workers died while checking: tcp://127\.0\.0\.1:\d+, tcp://127\.0\.0\.1:\d+", lost), lost


@pytest.mark.skipif(not (BUILD / "cmake_install.cmake").exists(), reason="the package is not a build's")
@pytest.mark.parametrize("destdir", [False, True])
def test_the_installed_batch_runs_the_installed_command_on_each_real_file_once(tmp_path, destdir):
    tmp_path = pathlib.Path(os.path.realpath(tmp_path))
    named = "/opt/meshaudit-test" if destdir else str(tmp_path / "m")  # DESTDIR=stage puts it under stage
    env = dict(os.environ, DESTDIR=str(tmp_path / "stage")) if destdir else dict(os.environ)
    subprocess.run(["cmake", "--install", str(BUILD), "--prefix", named], env=env, check=True, capture_output=True)
    prefix = tmp_path / f"stage{named}" if destdir else tmp_path / "m"
    manifest = (BUILD / "install_manifest.txt").read_text().splitlines()
    assert f"{named}/lib/python3/dist-packages/meshaudit/command.path" in manifest
    assert [p for p in manifest if not (p.startswith(f"{named}/") and os.path.isfile(f"{prefix}{p[len(named):]}"))] == []
    assert not os.path.exists("/opt/meshaudit-test")
    (tmp_path / "d").mkdir()
    (tmp_path / "d/t.off").write_text(TETRAHEDRON.format(1))
    (tmp_path / "d/u.off").write_text(TRIANGLE.format(1))
    (tmp_path / "link.off").symlink_to(tmp_path / "d/t.off")
    # A fresh shell: no meshaudit on PATH or in the environment, only the installed package.
    fresh = {k: v for k, v in os.environ.items() if not k.startswith(("MESHAUDIT", "PYTHON"))}
    fresh.update(PATH="/usr/bin:/bin", PYTHONPATH=str(prefix / "lib/python3/dist-packages"), PYTHONNOUSERSITE="1")
    run = subprocess.run([sys.executable, "-m", "meshaudit.batch", "d", "link.off", str(tmp_path / "d/t.off"), "-o",
                          "out.jsonl"], cwd=tmp_path, env=fresh, capture_output=True, text=True)
    assert (run.returncode, run.stderr) == (1, "")
    assert run.stdout == "checked 2 files: 1 passed, 1 failed, 0 errors (0 already in out.jsonl)\n"
    lines = (tmp_path / "out.jsonl").read_text().splitlines()
    assert [json.loads(line)["file"] for line in lines] == [str(tmp_path / "d/t.off"), str(tmp_path / "d/u.off")]


@pytest.mark.parametrize("workers, sizes, expected", [
    (2, [0] * 40, [10, 8, 8, 8, 6]),  # a quarter of what is left, down to 8 files
    (1, [0] * 40, [40]),  # alone, a worker waits for no one
    (3, [3 << 20] * 4, [1, 1, 1, 1]),  # 12 MiB: each group reaches its 2 MiB share with one file
    # Large files alone and largest first; then 2.5, 1.875, 1.5 and 1.125 MiB, then 1 MiB at least.
    (2, [1 << 19] * 10 + [5 << 20, 9 << 20] + [1 << 19] * 10, [1, 1, 5, 3, 3, 2, 2, 2, 2, 1]),
])
def test_groups_shrink_towards_the_end_in_files_or_bytes(tmp_path, workers, sizes, expected):
    paths = []
    for i, size in enumerate(sizes):
        paths.append(str(tmp_path / f"{i}.stl"))
        with open(paths[-1], "wb") as stream:
            stream.truncate(size)
    groups = batch._groups(paths, workers)
    assert [len(g) for g in groups] == expected
    large = sorted((p for p, s in zip(paths, sizes) if s >= batch.LARGE_FILE), key=os.path.getsize, reverse=True)
    assert sum(groups, []) == large + [p for p, s in zip(paths, sizes) if s < batch.LARGE_FILE]


def test_folders_and_formats_as_the_command_finds_them(tmp_path):
    """Links to folders are followed once each (a link back up does not
    loop), and the batch reads the formats the command's table lists."""
    for folder in ("root/a", "elsewhere"):
        (tmp_path / folder).mkdir(parents=True)
        (tmp_path / folder / "x.off").write_text(TETRAHEDRON.format(1))
    (tmp_path / "root" / "a" / "up").symlink_to(tmp_path / "root")
    (tmp_path / "root" / "ext").symlink_to(tmp_path / "elsewhere")
    real = sorted(os.path.realpath(tmp_path / f / "x.off") for f in ("root/a", "elsewhere"))
    assert sorted(batch.expand([str(tmp_path / "root")])) == real
    lines = subprocess.run([COMMAND, "check", "--json", str(tmp_path / "root")], capture_output=True, text=True).stdout
    assert sorted(os.path.realpath(json.loads(line)["file"]) for line in lines.splitlines()) == real
    table = subprocess.run([COMMAND, "formats"], capture_output=True, text=True, check=True).stdout.splitlines()[1:]
    assert {e for row in table for e in row.split()[1].split(",")} == set(batch.MESH_EXTENSIONS)


CUBE = [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0], [0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 1, 1]]
OPEN_BOX = [[0, 2, 1], [0, 3, 2], [4, 5, 6], [4, 6, 7], [0, 1, 5], [0, 5, 4], [3, 7, 6], [3, 6, 2], [1, 2, 6], [1, 6, 5]]


def test_repair_to_writes_whole_checked_copies_once_and_records_them(cluster, tmp_path, write_off):
    client, _ = cluster
    data, out = tmp_path / "data", tmp_path / "fixed"
    (data / "sub").mkdir(parents=True)
    os.replace(write_off("open.off", CUBE, OPEN_BOX), data / "sub" / "open.off")  # a side missing: filled
    (data / "t.off").write_text(TETRAHEDRON.format(1))  # nothing to repair
    (data / "bad.off").write_text(BROKEN.format(1))  # unreadable: no copy
    (data / "blocked.off").write_text(TETRAHEDRON.format(2))
    (out / "blocked.off").mkdir(parents=True)  # a folder where its copy goes: the rename fails
    (out / "sub").mkdir()
    (out / "sub" / ".open.off.meshaudit-part").write_text("left by a killed run")
    command = [sys.executable, "-m", "meshaudit.batch", str(data), "-o", str(tmp_path / "r.jsonl"), "--repair-to",
               str(out), "--scheduler", client.scheduler.address, "--command", COMMAND]
    run = subprocess.run(command, capture_output=True, text=True)
    assert run.returncode == 2 and "meshaudit" not in run.stderr, run.stderr  # unreadable: an error
    assert run.stdout.splitlines()[1] == f"repaired 2 files into {out}: 2 pass, 0 fail, 2 not repaired"
    documents = {pathlib.Path(d["file"]).name: d for d in map(json.loads, open(tmp_path / "r.jsonl"))}
    records = {name: d["repair"] for name, d in documents.items()}
    steps = dict.fromkeys(["NonFinite", "MergePoints", "Degenerate", "Duplicates", "NonManifold", "Stitch", "Orient",
                           "FillHoles", "SmallShells", "ResolveIntersections", "UnusedPoints"], 0)
    assert records["open.off"] == {"output": str(out / "sub/open.off"), "steps": dict(steps, FillHoles=2),
                                   "holes_open": 0, "verdict": "pass", "passes": True}
    assert records["t.off"] == {"output": str(out / "t.off"), "steps": steps, "holes_open": 0, "verdict": "pass",
                                "passes": True}
    # The same words as the check's for a file that cannot be read.
    assert records["bad.off"] == {"output": str(out / "bad.off"), "error": documents["bad.off"]["error"]}
    assert records["blocked.off"] == {"output": str(out / "blocked.off"), "steps": steps, "holes_open": 0,
                                      "passes": False, "error": f"{out}/blocked.off: cannot write: Is a directory"}
    # The copy is the command's own; nothing partial is left anywhere.
    subprocess.run([COMMAND, "repair", str(data / "sub/open.off"), "-o", str(tmp_path / "direct.off")], check=True,
                   capture_output=True)
    assert (out / "sub/open.off").read_bytes() == (tmp_path / "direct.off").read_bytes()
    assert sorted(str(p.relative_to(out)) for p in out.rglob("*")) == ["blocked.off", "sub", "sub/open.off", "t.off"]
    # A rerun repairs nothing again; another folder needs --restart.
    made = (out / "t.off").stat().st_mtime_ns
    again = subprocess.run(command, capture_output=True, text=True)
    assert again.stdout.startswith(f"checked 4 files: 2 passed, 1 failed, 1 error (4 already in {tmp_path}/r.jsonl)")
    assert (out / "t.off").stat().st_mtime_ns == made
    other = subprocess.run([str(tmp_path / "else") if c == str(out) else c for c in command], capture_output=True, text=True)
    assert other.returncode == 2 and f"repair_to {out}, not {tmp_path}/else" in other.stderr
