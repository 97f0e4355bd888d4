"""Checks a whole dataset of mesh files on a Dask cluster.

    /usr/bin/python3 -m meshaudit.batch PATHS... -o results.jsonl [--scheduler tcp://HOST:8786] [--repair-to DIR]

Each Dask task runs the ``meshaudit`` command (``meshaudit check --json``) on
a group of files in a subprocess, so every result line is byte for byte what
the command prints for that file, a hanging file can be killed at its timeout
and a crash of the command never takes the worker down. Results are appended
to the output as they come back; a rerun skips the files already recorded,
once it has made sure that they were checked as this run would check them
(the record beside the output, OUTPUT.run.json).

With --repair-to DIR, each task also runs ``meshaudit repair`` on its files,
checks each repaired copy as its input was checked, and renames it into
DIR (at the file's path relative to the folder given) once it is whole:
DIR never holds a partial file, and a rerun skips the files whose result
line, which records the repair, is already in the output.
"""

import argparse
import codecs
import contextlib
import ctypes
import functools
import json
import logging
import math
import os
import pickle
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass

MESH_EXTENSIONS = (".stl", ".obj", ".ply", ".off", ".3mf")
# Files from this size on get a task of their own; smaller ones share a task
# of at most GROUP_FILES files and GROUP_BYTES bytes, so that the start of a
# subprocess and a task's round trip are paid once per group, not per file
# (on 2,000-triangle files a group of 64 still spent a fifth of its time
# on them). Groups shrink toward the end, down to LAST_GROUP_FILES files or
# LAST_GROUP_BYTES bytes (some 20 ms of checking, twice what a task costs to
# start), so that the workers finish together.
LARGE_FILE = 4 << 20
GROUP_FILES = 256
GROUP_BYTES = 16 << 20
LAST_GROUP_FILES = 8
LAST_GROUP_BYTES = 1 << 20


def _hex_bytes(error):
    # The command writes each byte of a name that is not UTF-8 as "\xNN".
    return "".join(f"\\x{b:02X}" for b in error.object[error.start:error.end]), error.end


def file_key(path):
    """The "file" value of the command's JSON document for ``path``."""
    data = os.fsencode(path)
    try:
        return data.decode()
    except UnicodeDecodeError:
        # Registered here: on a worker this module arrives by value, never imported.
        codecs.register_error("meshaudit-hex", _hex_bytes)
        return data.decode("utf-8", "meshaudit-hex")


# The command's JSON schema (`meshaudit check --json`), which the documents
# this module writes follow.
SCHEMA = 5


def error_line(path, message):
    """An error document, laid out as the command lays out its own."""
    document = {"schema": SCHEMA, "file": file_key(path), "verdict": "error", "error": file_key(message)}
    return json.dumps(document, ensure_ascii=False, separators=(",", ":")) + "\n"


def _stopped(returncode):
    if returncode is not None and returncode < 0:
        return f"killed by signal {-returncode} ({signal.Signals(-returncode).name})"
    return f"exit status {returncode}"


_HEAD = '{"schema":%d,"file":"' % SCHEMA


def _file_of(text):
    """The "file" value of one of the command's JSON lines. It comes first,
    so it is read without decoding the whole document."""
    if text.startswith(_HEAD):
        return json.decoder.scanstring(text, len(_HEAD))[0]
    return json.loads(text)["file"]


def _verdict_of(text):
    """The "verdict" value of one of the command's JSON lines. A quote inside
    a JSON string is escaped, so the first '"verdict":"' is the key itself."""
    at = text.find('"verdict":"')
    if at < 0:
        return json.loads(text)["verdict"]
    at += len('"verdict":"')
    return text[at:text.index('"', at)]


def _expires(process, out, timeout):
    """Waits for the command to end; True when it checked no further file
    for ``timeout`` seconds (its output stopped growing) and must be killed."""
    if timeout is None:
        process.wait()
        return False
    size, deadline = 0, time.monotonic() + timeout
    while True:
        try:
            process.wait(timeout=max(0.0, min(0.05, deadline - time.monotonic())))
            return False
        except subprocess.TimeoutExpired:
            grown = os.fstat(out.fileno()).st_size
            if grown != size:
                size, deadline = grown, time.monotonic() + timeout
            elif time.monotonic() >= deadline:
                return True


def packaged_command():
    """The ``meshaudit`` command that this package was built or installed
    with, or None. The build and ``cmake --install`` write its path, relative
    to this folder (so that an installed prefix can be moved as a whole), into
    ``command.path`` beside this module."""
    here = os.path.dirname(os.path.abspath(__file__))
    try:
        with open(os.path.join(here, "command.path"), encoding="utf-8") as stream:
            path = os.path.normpath(os.path.join(here, stream.read().strip()))
    except OSError:
        return None
    return path if os.access(path, os.X_OK) else None


def _program(options):
    """The command a worker runs: ``--command``, else the worker's
    MESHAUDIT_COMMAND, else the client's packaged command when the worker has
    it at the same place (always so on a local cluster), else PATH's."""
    packaged = options.get("packaged")
    return (options.get("command") or os.environ.get("MESHAUDIT_COMMAND")
            or (packaged if packaged and os.access(packaged, os.X_OK) else None) or "meshaudit")


def _cannot_run(program, why):
    return RuntimeError(f"cannot run {program}: {why} (give the meshaudit command's path with --command,"
                        " or set MESHAUDIT_COMMAND on the workers)")


def _cwd(options):
    """Where the command runs: the client's folder, where the worker has it,
    so that a relative ``--command`` names the same file."""
    return options["cwd"] if os.path.isdir(options["cwd"]) else None


def command_version(options):
    """The version line of the command that the workers run ("meshaudit 0.1.0")."""
    program = _program(options)
    try:
        done = subprocess.run([program, "--version"], capture_output=True, cwd=_cwd(options), timeout=60)
    except FileNotFoundError:
        raise _cannot_run(program, "no such program") from None
    except (OSError, subprocess.TimeoutExpired) as error:
        raise _cannot_run(program, error) from None
    version = done.stdout.decode(errors="replace").strip()
    if done.returncode != 0 or not version.startswith("meshaudit "):
        raise _cannot_run(program, f"`{program} --version` did not print meshaudit's version")
    return version


def _run_once(paths, options):
    """Runs the command on ``paths`` until it ends or one file passes the
    timeout. Returns the lines of the files it reported, in order, and the
    message for the next file when it stopped early (None when it did not)."""
    timeout = options.get("timeout")
    cwd = _cwd(options)
    command = [_program(options), "check", "--json", "-q", "-j", "1"]
    for flag in ("profile", "settings"):
        if options.get(flag):
            command += [f"--{flag}", options[flag]]
    # The command dies with this worker rather than hang on in an orphan.
    # util-linux's setpriv asks for that before it runs the command; Python
    # code run between fork and exec would need a full fork of this large
    # process, which cost a group of small files 30 to 50 ms.
    program, setpriv = command[0], shutil.which("setpriv")
    if setpriv:
        # A relative path names a file in the folder the command runs in.
        relative = os.sep in program and not os.path.isabs(program) and cwd is not None
        if shutil.which(os.path.join(cwd, program) if relative else program) is None:
            raise _cannot_run(program, "no such program")
        command = [setpriv, "--pdeathsig", "KILL", "--", *command]
        prepare = None
    else:
        prctl = ctypes.CDLL(None, use_errno=True).prctl
        prepare = lambda: prctl(1, int(signal.SIGKILL))  # noqa: E731
    # The command writes into files, not pipes: this worker then sleeps until
    # it ends instead of waking for every line (two wake-ups a file, which on
    # small files cost a tenth of the command's own time), and a file that
    # keeps growing is what shows that the command moves on.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            # Its own session, so that a kill reaches the command's own workers.
            process = subprocess.Popen(command + ["--", *paths], stdout=out, stderr=err,
                                       cwd=cwd, start_new_session=True, preexec_fn=prepare)
        except OSError as error:
            raise _cannot_run(program, error.strerror or error) from error
        expired = False
        try:
            expired = _expires(process, out, timeout)
        except BaseException:
            expired = True
            raise
        finally:
            if expired:
                os.killpg(process.pid, signal.SIGKILL)
            process.wait()
        out.seek(0)
        lines = out.read().split(b"\n")[:-1]  # the last is empty, or cut short by a kill
        err.seek(max(0, os.fstat(err.fileno()).st_size - 2000))
        stderr = err.read()
    keys = [file_key(p) for p in paths]
    done, late = [], None
    for line in lines:
        text = line.decode()
        name = _file_of(text)
        # A 3MF file gives a line per object, one after the other.
        if not done or name != keys[len(done) - 1]:
            if len(done) == len(keys):
                raise RuntimeError(f"{program} reported {name!r} beyond its files")
            done.append([])
        done[-1].append(text + "\n")
    if expired and len(done) < len(paths):
        late = f"{paths[len(done)]}: not checked within the timeout of {timeout:g} s"
    if late is None and len(done) < len(paths):
        detail = stderr.decode(errors="replace").strip()
        if not done and process.returncode == 2 and detail:
            # It rejected its options: no file is to blame.
            raise RuntimeError(detail.splitlines()[-1].removeprefix("meshaudit: "))
        late = f"{paths[len(done)]}: the check command stopped: {_stopped(process.returncode)}"
        late += f": {detail.splitlines()[-1]}" if detail else ""
    return done, late


def run_command(paths, options):
    """The checker: the command's JSON lines for each of ``paths``. A file that
    hangs or stops the command gets an error line and the rest go on."""
    results = []
    while len(results) < len(paths):
        done, late = _run_once(paths[len(results):], options)
        results += done
        if late is not None:
            results.append([error_line(paths[len(results)], late)])
    return results


# A repaired copy is copied under this name beside its target and renamed
# into place once whole: the target never holds a partial file, and a part
# that a killed run left is overwritten when its file comes again.
PART = ".meshaudit-part"


def _unlink(path):
    with contextlib.suppress(OSError):
        os.unlink(path)


def _run_repair(path, out, log, options):
    """``meshaudit repair PATH -o OUT --log LOG``: None, or why it failed."""
    command = [_program(options), "repair", path, "-o", out, "--log", log]
    setpriv = shutil.which("setpriv")  # the command dies with this worker, as in _run_once
    try:
        done = subprocess.run(([setpriv, "--pdeathsig", "KILL", "--"] if setpriv else []) + command,
                              capture_output=True, cwd=_cwd(options), timeout=options.get("timeout"))
    except subprocess.TimeoutExpired:
        return f"{path}: not repaired within the timeout of {options['timeout']:g} s"
    except OSError as error:
        raise _cannot_run(command[0], error.strerror or error) from error
    if done.returncode != 0:
        detail = done.stderr.decode(errors="replace").strip().splitlines()
        return (detail[-1].removeprefix("meshaudit: ") if detail else f"{path}: the repair command stopped: "
                f"{_stopped(done.returncode)}")
    return None


def _repair_one(path, out, options):
    """Repairs ``path`` into ``out`` (a file of the worker's own). Returns the
    record's counts, or its error with ``out`` removed."""
    log = out + ".json"
    try:
        why = _run_repair(path, out, log, options)
        if why is None:
            with open(log, encoding="utf-8") as stream:
                document = json.load(stream)
            return {"steps": {s["step"]: s["changes"] for s in document["steps"] if s["ran"]},
                    "holes_open": sum(h["outcome"] != "filled" for h in document["holes"])}
    finally:
        _unlink(log)
    _unlink(out)
    return {"error": file_key(why)}


def _place(out, target):
    """Copies ``out`` to a part beside ``target`` and renames it into place:
    None, or why it could not be written (nothing is left then)."""
    folder, name = os.path.split(target)
    part = os.path.join(folder, f".{name}{PART}")
    try:
        os.makedirs(folder, exist_ok=True)
        shutil.copyfile(out, part)
        os.replace(part, target)
        return None
    except OSError as error:
        _unlink(part)
        return f"{target}: cannot write: {error.strerror or error}"


def repair_files(paths, results, options):
    """Repairs each of ``paths`` into its file of ``options["targets"]`` (a
    path without one is left alone): the repaired copy is made in a folder of
    the worker's own, checked as its input was (the same profile and
    settings), then written beside its target and renamed into place.
    Returns ``results`` (the check's lines for each path) with a "repair"
    record added to each file's first line: the output, the changes of each
    step that ran, the holes left open, the copy's verdict and whether it
    passes; or the error that left no copy."""
    targets = [options["targets"].get(path) for path in paths]
    records = [None] * len(paths)
    with tempfile.TemporaryDirectory(prefix="meshaudit-repair-") as staging:
        outs = {}
        for i, (path, target) in enumerate(zip(paths, targets)):
            if target:
                out = os.path.join(staging, f"{i}{os.path.splitext(target)[1]}")
                records[i] = dict({"output": file_key(target)}, **_repair_one(path, out, options))
                outs.update({} if "error" in records[i] else {i: out})
        checked = run_command(list(outs.values()), options) if outs else []
        for (i, out), lines in zip(outs.items(), checked):
            # The worst of its lines (a 3MF file has one per object).
            verdict = max((_verdict_of(line) for line in lines), key=lambda v: {"pass": 0, "fail": 1}.get(v, 2))
            why = _place(out, targets[i])
            records[i].update({"verdict": verdict, "passes": verdict == "pass"} if why is None else
                              {"passes": False, "error": why})
    done = []
    for record, lines in zip(records, results):
        if record is not None:
            text = json.dumps(record, ensure_ascii=False, separators=(",", ":"))
            lines = [lines[0].rstrip("\n")[:-1] + ',"repair":' + text + "}\n", *lines[1:]]
        done.append(lines)
    return done


def _checked(checker, paths, options):
    """The checker's lines for ``paths``, with their repairs when asked."""
    results = checker(paths, options)
    return repair_files(paths, results, options) if options.get("targets") else results


def _isolated(checker, paths, options):
    """``checker`` in a child process, so that whatever kills it leaves the
    worker alive: the way back in for files whose workers died."""
    read, write = os.pipe()
    pid = os.fork()
    if pid == 0:
        try:
            os.close(read)
            try:
                answer = ("ok", checker(paths, options))
            except BaseException as error:  # the child must reach its _exit below
                answer = ("raise", f"{type(error).__name__}: {error}")
            with os.fdopen(write, "wb") as pipe:
                pipe.write(pickle.dumps(answer))
        finally:
            os._exit(0)
    os.close(write)
    with os.fdopen(read, "rb") as pipe:
        data = pipe.read()
    status = os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1])
    try:
        kind, value = pickle.loads(data)
    except Exception:
        return [[error_line(p, f"{p}: the process checking it died: {_stopped(status)}")] for p in paths]
    if kind == "raise":
        raise RuntimeError(value)
    return value


def _check_task(paths, checker, options, isolated):
    run = functools.partial(_checked, checker)
    return _isolated(run, paths, options) if isolated else run(paths, options)


@dataclass
class Report:
    """One file's result: the command's JSON lines for it (one, or one per
    object of a 3MF file)."""

    path: str
    lines: list

    @property
    def documents(self):
        return [json.loads(line) for line in self.lines]

    @property
    def status(self):
        """As the command's exit status: 0 passed, 1 failed, 2 not checked."""
        return max({"pass": 0, "fail": 1}.get(_verdict_of(line), 2) for line in self.lines)


def _mesh_files(folder):
    """The mesh files beneath ``folder``, as ``meshaudit check`` finds them:
    links to folders are followed, each real folder once (a link back up
    would loop), and walked by their real path, so that every file found
    lies beneath real folders; links to files are included. Unsorted pairs
    of the file's entry and its name relative to ``folder`` (through the
    links, as the folder shows it)."""
    found, folders, seen = [], [(folder, "")], set()
    while folders:
        path, relative = folders.pop()
        try:
            info = os.stat(path)
            if (info.st_dev, info.st_ino) in seen:
                continue
            seen.add((info.st_dev, info.st_ino))
            with os.scandir(path) as entries:
                for entry in entries:
                    name = os.path.join(relative, entry.name)
                    if entry.is_dir():
                        folders.append((os.path.realpath(entry.path) if entry.is_symlink() else entry.path, name))
                    elif entry.name.lower().endswith(MESH_EXTENSIONS) and entry.is_file():
                        found.append((entry, name))
        except OSError:  # an unreadable folder is skipped, as the command does
            pass
    return found


def expand_named(paths):
    """The files to check, as ``meshaudit check`` finds them: a folder stands
    for the mesh files beneath it, sorted; one without any stands for itself,
    so that the command reports it. Each file is named by its real path
    (absolute, without symbolic links) and only once: a file given as a
    relative path, an absolute one or through a link is one file, in the
    output and on a rerun from any folder. Returns pairs of that path and
    the file's name relative to the folder given (its own name for a file
    given), in the order of ``paths``; a file found twice keeps its first."""
    files = {}
    for path in paths:
        # Folders are walked by their real paths: only links to files need
        # resolving, which spares resolving every component of every path (a
        # second per 20,000 files).
        real = os.path.realpath(path)
        found = sorted(_mesh_files(real), key=lambda e: os.fsencode(e[0].path)) if os.path.isdir(real) else []
        for entry, name in found or [(None, os.path.basename(real))]:
            files.setdefault(real if entry is None else os.path.realpath(entry.path) if entry.is_symlink()
                             else entry.path, name)
    return list(files.items())


def expand(paths):
    """The real paths of ``expand_named``: the files to check."""
    return [path for path, _ in expand_named(paths)]


def _size(path):
    try:
        return os.stat(path).st_size
    except OSError:
        return 0


def _groups(paths, workers):
    """Large files alone and first (the longest tasks should start first);
    small ones in groups, each of half a worker's share of what is left, in
    files or in bytes, whichever is reached first. The first groups are then
    large, which keeps tasks few, and the last small: when a worker runs
    slower than the others, or files take longer than their size says, the
    others wait at the end for a small group, not a large one. One worker
    alone waits for no one, and its groups stay large. A folder (one without
    mesh files) is alone too: the command reports such folders before its
    files, out of their turn."""
    sizes = {p: LARGE_FILE if os.path.isdir(p) else _size(p) for p in paths}
    large = sorted((p for p in paths if sizes[p] >= LARGE_FILE), key=sizes.get, reverse=True)
    small = [p for p in paths if sizes[p] < LARGE_FILE]
    left_files, left_bytes = len(small), sum(sizes[p] for p in small)
    groups, group, group_bytes = [[p] for p in large], [], 0
    for path in small:
        if group and (len(group) == most or group_bytes + sizes[path] > most_bytes):
            groups.append(group)
            group, group_bytes = [], 0
        if not group:
            most, most_bytes = GROUP_FILES, GROUP_BYTES
            if workers > 1:
                most = min(most, max(LAST_GROUP_FILES, math.ceil(left_files / (2 * workers))))
                most_bytes = min(most_bytes, max(LAST_GROUP_BYTES, left_bytes // (2 * workers)))
        group.append(path)
        group_bytes += sizes[path]
        left_files, left_bytes = left_files - 1, left_bytes - sizes[path]
    return groups + ([group] if group else [])


def _local_client(verbose=False):
    import dask
    from distributed import Client, LocalCluster

    # One task at a time per worker: a worker that dies then takes no queued
    # task down with it.
    with dask.config.set({"distributed.scheduler.worker-saturation": 1.0}):
        cluster = LocalCluster(n_workers=len(os.sched_getaffinity(0)), threads_per_worker=1, processes=True,
                               dashboard_address=":0", silence_logs=logging.INFO if verbose else logging.CRITICAL)
    return Client(cluster), cluster


def _options(profile=None, settings=None, timeout=None, command=None):
    """What the tasks need to know: the checks' options and where to find the
    command (see _program)."""
    return {"profile": profile, "settings": settings and os.path.abspath(settings), "timeout": timeout,
            "command": command, "packaged": packaged_command(), "cwd": os.getcwd()}


def _lost_workers(client, keys):
    """The addresses of the workers that left the cluster while they ran one
    of ``keys``, from the scheduler's log of events, in order."""
    try:
        events = client.get_events("all")
    except Exception:  # an older scheduler or a lost connection: only KilledWorker names them
        return []
    return [e["worker"] for _, e in events if isinstance(e, dict) and e.get("action") == "remove-worker"
            and not keys.isdisjoint(e.get("processing-tasks", ()))]


def check_files(paths, client=None, *, profile=None, settings=None, timeout=None, command=None, checker=None,
                lost_workers=None, verbose=False, targets=None):
    """Checks the files ``paths`` (a folder stands for its mesh files) on the
    Dask ``client``'s cluster, or on a local cluster of one worker process per
    core, and yields a ``Report`` for each file as it finishes.

    ``checker(paths, options)`` runs on the workers and returns the JSON lines
    of each path: ``run_command`` (the default) runs the ``meshaudit``
    command, found by ``command``, else the worker's MESHAUDIT_COMMAND, else
    the command this package was installed with, else PATH. A file whose
    workers die is checked again alone in a child process of a worker; if
    that dies too, its report is an error. At the end, the addresses of the
    workers that died while running these checks are added to the list
    ``lost_workers``, when one is given. ``verbose`` shows the local cluster's
    own logging. ``targets`` maps files to the paths their repaired copies go
    to (``repair_files``): each such file's first line then holds its repair.
    """
    import cloudpickle
    from distributed import as_completed
    from distributed.scheduler import KilledWorker

    paths = expand(paths)
    if not paths:
        return
    # Sent by value, the tasks need no meshaudit package on the workers.
    cloudpickle.register_pickle_by_value(sys.modules[__name__])
    cluster = None
    if client is None:
        client, cluster = _local_client(verbose)
    options = _options(profile, settings, timeout, command)
    checker = checker or run_command
    jobs, pending, keys, killed = {}, as_completed(), set(), []

    def submit(group, isolated):
        mine = options if targets is None else dict(options, targets={p: targets.get(p) for p in group})
        future = client.submit(_check_task, group, checker, mine, isolated, pure=False)
        jobs[future.key] = group, isolated
        keys.add(future.key)
        pending.add(future)

    try:
        for group in _groups(paths, sum(client.nthreads().values())):
            submit(group, False)
        for future in pending:
            group, isolated = jobs.pop(future.key)
            try:
                results = future.result()
            except KilledWorker as error:
                killed.append(getattr(error.last_worker, "address", str(error.last_worker)))
                if not isolated:
                    for path in group:
                        submit([path], True)
                    continue
                results = [[error_line(p, f"{p}: the workers checking it died")] for p in group]
            except RuntimeError:
                raise
            except Exception as error:
                raise RuntimeError(f"a task failed: {type(error).__name__}: {error}") from error
            future.release()
            for path, lines in zip(group, results):
                yield Report(path, lines)
        # Only once every file is in: a run that stops early asks the
        # scheduler nothing more.
        if lost_workers is not None:
            lost_workers += [w for w in dict.fromkeys(_lost_workers(client, keys) + killed) if w not in lost_workers]
    finally:
        client.cancel(list(pending.futures))
        if cluster is not None:
            client.close()
            cluster.close()


def recorded(output):
    """The worst status of each file already in ``output``. A last line cut
    short by a killed run is cut off; so is a 3MF file's run of object lines
    before it, which may lack objects."""
    if not os.path.isfile(output):  # nothing yet, or a pipe or device to write to
        return {}
    with open(output, "rb") as stream:
        data = stream.read()
    lines = data.splitlines(keepends=True)
    if lines and not lines[-1].endswith(b"\n"):
        lines.pop()
        tail = lines and json.loads(lines[-1])
        while lines and "object" in tail and json.loads(lines[-1]).get("file") == tail["file"]:
            lines.pop()
        os.truncate(output, sum(map(len, lines)))
    statuses = {}
    for line in lines:
        document = json.loads(line)
        status = {"pass": 0, "fail": 1}.get(document["verdict"], 2)
        statuses[document["file"]] = max(status, statuses.get(document["file"], 0))
    return statuses


def _plural(count, noun):
    return f"{count} {noun}{'' if count == 1 else 's'}"


class Progress:
    """The line on standard error: files done and in all, the rate, the errors."""

    def __init__(self, total, shown):
        self.total, self.shown, self.done, self.errors = total, shown, 0, 0
        self.start = self.drawn = None

    def newline(self):
        """What ends the line before a message, if one was drawn."""
        return "\n" if self.shown and 0 < self.done < self.total else ""

    def add(self, report):
        self.done += 1
        self.errors += report.status == 2
        now = time.monotonic()
        # The rate from the first result on: starting the cluster is no part of it.
        self.start = self.start or now
        if self.shown and (self.drawn is None or now - self.drawn > 0.1 or self.done == self.total):
            self.drawn = now
            rate = (self.done - 1) / (now - self.start) if now > self.start else 0.0
            sys.stderr.write(f"\r{self.done}/{self.total} files, {rate:.1f} files/s, {_plural(self.errors, 'error')} ")
            sys.stderr.write("\n" if self.done == self.total else "")
            sys.stderr.flush()


def run_record(profile, settings, version, repair_to=None):
    """What decides a file's result besides the file: the profile, the
    settings file's content (parsed, so that its layout does not count), the
    command's version and the folder of the repaired copies, if any. Raises
    OSError when the settings cannot be read."""
    content = None
    if settings:
        with open(settings, "rb") as stream:
            data = stream.read()
        try:
            content = json.loads(data)
        except ValueError:  # the command will say what is wrong with it
            content = data.decode(errors="replace")
    record = {"profile": profile or "closed", "settings": content, "command": version}
    # Only when given: records of runs without repairs stay as they were.
    return dict(record, repair_to=os.path.abspath(repair_to)) if repair_to else record


def _changes(old, new):
    """How the record ``old`` of an output differs from this run's ``new``, in words."""
    if not isinstance(old, dict):
        return "it has no record of how its results were made"
    said = []
    for key in ("profile", "settings", "command", "repair_to"):
        if old.get(key) != new.get(key):
            said.append("other settings" if key == "settings" else f"{key} {old.get(key)}, not {new.get(key)}")
    return "its results were made with " + " and ".join(said) if said else ""


def _resume(output, record, restart):
    """Makes ``output`` ready for this run's results: what it holds is kept
    only when it was made as this run would make it (``record``, kept beside
    it in OUTPUT.run.json) and thrown away with ``restart``. Returns None, or
    why the output cannot be resumed. A pipe or a device holds nothing to
    resume and gets no record."""
    if os.path.exists(output) and not os.path.isfile(output):
        return None
    sidecar = output + ".run.json"
    if os.path.isfile(output) and os.path.getsize(output) > 0:
        if restart:
            os.truncate(output, 0)
        else:
            try:
                with open(sidecar, encoding="utf-8") as stream:
                    old = json.load(stream)
            except (OSError, ValueError):
                old = None
            why = _changes(old, record)
            if why:
                return f"{why} (see {sidecar}): give --restart to check every file again, or another --output"
    temporary = sidecar + ".tmp"
    with open(temporary, "w", encoding="utf-8") as stream:
        json.dump(record, stream, ensure_ascii=False, indent=1)
        stream.write("\n")
    os.replace(temporary, sidecar)
    return None


def _quiet_dask(verbose):
    """Dask's own logging (workers joining, leaving and restarting, tasks
    retried, stale folders purged) only with --verbose: what matters of it
    is in the summary. Each process of a local cluster sets its logging up
    when it imports distributed, from its environment: the workers started
    later inherit the setting from this one's. asyncio's logger too: when a
    worker dies, the client may leave a connection attempt's timeout
    unretrieved, and asyncio reports it on standard error when the future is
    collected, which happens at any time, sometimes after the summary."""
    if not verbose:
        os.environ.setdefault("DASK_LOGGING__DISTRIBUTED", "critical")
        for name in ("distributed", "distributed.client", "asyncio"):
            logging.getLogger(name).setLevel(logging.CRITICAL)


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python3 -m meshaudit.batch", description=__doc__.splitlines()[0])
    parser.add_argument("paths", nargs="+", metavar="PATH", help="mesh files and folders")
    parser.add_argument("-o", "--output", required=True, help="JSON Lines file to append results to")
    parser.add_argument("--scheduler", help="address of a Dask scheduler (default: a local cluster)")
    parser.add_argument("-p", "--profile", help="the built-in profile to judge by")
    parser.add_argument("-s", "--settings", help="settings file refining the profile")
    parser.add_argument("--timeout", type=float, help="seconds a file may take before it is an error")
    parser.add_argument("--command", help="the meshaudit command on the workers (default: their"
                        " MESHAUDIT_COMMAND, else the one installed with this package, else PATH's)")
    parser.add_argument("--repair-to", metavar="DIR", help="also write each file's repaired copy (meshaudit repair,"
                        " every step) into DIR, at its path relative to the folder given, in its own format")
    parser.add_argument("--restart", action="store_true",
                        help="throw away the results in the output and check every file again")
    parser.add_argument("-q", "--quiet", action="store_true", help="no progress line")
    parser.add_argument("-v", "--verbose", action="store_true", help="show Dask's own logging")
    args = parser.parse_args(argv)
    if args.timeout is not None and not args.timeout > 0:
        parser.error("--timeout takes a number of seconds above 0")
    _quiet_dask(args.verbose)

    with contextlib.ExitStack() as closing:  # the client, when there is one
        return _run(args, closing)


def _run(args, closing):
    named = expand_named(args.paths)
    if args.repair_to:
        # Copies already made are no input: DIR may lie inside a folder given.
        inside = os.path.join(os.path.realpath(args.repair_to), "")
        named = [(f, name) for f, name in named if not f.startswith(inside)]
    files = [f for f, _ in named]
    client = None
    try:
        # The version of the command that the workers will run: asked of a
        # worker when they are elsewhere.
        options = _options(command=args.command)
        if args.scheduler:
            import cloudpickle
            from distributed import Client

            cloudpickle.register_pickle_by_value(sys.modules[__name__])
            client = closing.enter_context(Client(args.scheduler))
            version = client.submit(command_version, options, pure=False).result()
        else:
            version = command_version(options)
        why = _resume(args.output, run_record(args.profile, args.settings, version, args.repair_to), args.restart)
    except (OSError, RuntimeError) as error:
        print(f"meshaudit: {error}", file=sys.stderr)
        return 2
    if why:
        print(f"meshaudit: {args.output}: {why}", file=sys.stderr)
        return 2
    try:
        statuses = recorded(args.output)
    except (OSError, ValueError, KeyError, TypeError) as error:
        print(f"meshaudit: {args.output}: cannot read the results already there: {error}", file=sys.stderr)
        return 2
    targets = None
    if args.repair_to:
        # Two files of one name (given from two folders) would overwrite each
        # other's copy: the later is not repaired.
        owners = {}
        for path, name in named:
            owners.setdefault(os.path.join(os.path.abspath(args.repair_to), name), path)
        targets = {path: target for target, path in owners.items()}
    todo = [f for f in files if file_key(f) not in statuses]
    repaired = [0, 0, 0]  # passing, failing, not repaired
    progress = Progress(len(todo), sys.stderr.isatty() and not args.quiet)
    lost = []
    try:
        with open(args.output, "ab", buffering=0) as output:
            for report in check_files(todo, client, profile=args.profile, settings=args.settings,
                                      timeout=args.timeout, command=args.command, lost_workers=lost,
                                      verbose=args.verbose, targets=targets):
                data = memoryview("".join(report.lines).encode())
                while data:
                    data = data[output.write(data):]
                statuses[file_key(report.path)] = report.status
                if targets is not None:
                    record = report.documents[0].get("repair", {})
                    repaired[0 if record.get("passes") else 2 if "error" in record or not record else 1] += 1
                progress.add(report)
    except (OSError, RuntimeError) as error:
        print(f"{progress.newline()}meshaudit: {error}", file=sys.stderr)
        return 2
    except KeyboardInterrupt:
        print(f"{progress.newline()}meshaudit: interrupted: run the same command again to go on", file=sys.stderr)
        return 130
    counts = [0, 0, 0]
    for path in files:
        counts[statuses[file_key(path)]] += 1
    print(f"checked {len(files)} files: {counts[0]} passed, {counts[1]} failed, {_plural(counts[2], 'error')}"
          f" ({len(files) - len(todo)} already in {args.output})")
    if targets is not None:
        print(f"repaired {sum(repaired[:2])} files into {args.repair_to}: {repaired[0]} pass, {repaired[1]} fail,"
              f" {repaired[2]} not repaired")
    if lost:
        print(f"{_plural(len(lost), 'worker')} died while checking: {', '.join(lost)}")
    return max((s for s, n in enumerate(counts) if n), default=0)

if __name__ == "__main__":
    # Through the package, so that the tasks are this module's functions and
    # not __main__'s.
    from meshaudit.batch import main as batch_main

    sys.exit(batch_main())
