#!/usr/bin/python3
"""Seeded mutation sampler for the library's test suite.

Measures how many small faults in src/ the GoogleTest programs catch, so that
a change to the tests (a cut, a rewrite) can be shown to keep their
fault-finding power: run the same fixed sample of mutants against the
revision before and the revision after, and compare.

A mutant is one edited line of src/*.cpp or src/*.h (recursively): a
comparison flipped to its neighbour or its negation, +1/-1 on an integer
literal, && swapped with ||, a simple expression statement dropped, or a
constant changed (0 <-> 1, true <-> false). Comments, string and character
literals, preprocessor lines, static_assert and assert lines are never
touched. Each mutant records its file, 1-based line, the exact original line,
the operator and the exact mutated line; at run time the original text is
looked up near the recorded line, so unrelated edits that shift lines do not
matter, and a mutant whose line has changed is reported as "gone".

Usage (Python is /usr/bin/python3, standard library only):

  mutants.py sample --seed 1 --count 120 -o scripts/mutants_sample.json
      Picks the sample from src/ as committed at HEAD (--rev REV for
      another commit), so that edits in progress do not leak in. Files are
      weighted by length and capped, every area of src/ gets a share, and
      about a quarter of the mutants are in headers (a header edit rebuilds
      more).

  mutants.py run --sample scripts/mutants_sample.json --rev REV -o OUT.json [--jobs 1] [--resume]
      Checks REV out into the detached worktree /work/mutants/tree-<rev>,
      builds /work/mutants/build-<rev> (Release, ccache if installed, no benchmarks, no
      command unless the tests need it) and the test programs test_containers,
      test_model, test_geometry, test_analysis, test_interface, test_solid and test_repair
      that exist at REV. They must pass unmutated; their times set the limit
      max(20 s, 5 x unmutated) per program. Then for each mutant in turn:
      apply it, rebuild those targets (a failed build is "build-error"), run
      the programs (the one for the mutant's own area of src/ first, then the
      rest in the order above) and stop at the first failure: "killed",
      "timeout" (counted as killed) or "survived". The file is restored after
      every mutant, also on Ctrl-C, and the worktree is checked clean at the
      end. OUT.json is rewritten after every mutant; --resume skips mutants
      it already holds. --jobs is the number of compile jobs of each build
      (default 2); mutants always run one at a time.

  mutants.py compare BEFORE.json AFTER.json
      Lists the mutants killed before but not after (and the reverse) and
      both kill rates.

Kill rate = (killed + timeout) / (killed + timeout + survived).
"""

import argparse
import json
import math
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORK = "/work/mutants"
PROGRAMS = ["test_containers", "test_model", "test_geometry", "test_analysis", "test_interface", "test_solid",
            "test_repair"]
OPERATORS = ["compare", "literal", "logic", "drop", "constant"]
KILLED = ("killed", "timeout")


def git(*args, cwd=REPO, strip=True):
    r = subprocess.run(["git", "-C", cwd] + list(args), capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit("git %s failed:\n%s" % (" ".join(args), r.stderr))
    return r.stdout.strip() if strip else r.stdout


# ---------------------------------------------------------------- lexing


def code_masks(text):
    """Per line, a copy in which every character that is not code (comments,
    string and character literals) is replaced by a backtick. Numbers are
    consumed whole so that digit separators are not read as quotes."""
    out = []
    cur = []
    i = 0
    n = len(text)
    state = None  # None, 'block'
    while i < n:
        c = text[i]
        if c == "\n":
            out.append("".join(cur))
            cur = []
            i += 1
            continue
        if state == "block":
            if text.startswith("*/", i):
                cur.append("``")
                i += 2
                state = None
            else:
                cur.append("`")
                i += 1
            continue
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            cur.append("`" * (j - i))
            i = j
            continue
        if text.startswith("/*", i):
            cur.append("``")
            i += 2
            state = "block"
            continue
        m = re.match(r'R"([^(\s]*)\(', text[i:i + 20]) if c == "R" and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")) else None
        if m:
            end = text.find(")" + m.group(1) + '"', i)
            end = n if end < 0 else end + len(m.group(1)) + 2
            for ch in text[i:end]:
                if ch == "\n":
                    out.append("".join(cur))
                    cur = []
                else:
                    cur.append("`")
            i = end
            continue
        if c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            cur.append(c + "`" * (j - i - 2) + (c if j - i >= 2 else ""))
            i = j
            continue
        if c.isdigit() and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            j = i
            while j < n and (text[j].isalnum() or text[j] in "_.'" or (text[j] in "+-" and text[j - 1] in "eEpP")):
                j += 1
            cur.append(text[i:j])
            i = j
            continue
        cur.append(c)
        i += 1
    out.append("".join(cur))
    return out


NUMBER = re.compile(r"(?<![\w.'])(0[xX][0-9a-fA-F]+|\d+)([uUlLzZ]*)(?![\w.'])")
EXPR_START = re.compile(
    r"^(\+\+|--)?\*?[A-Za-z_]\w*(\s*(\.|->|::)\s*~?[A-Za-z_]\w*|\s*\[[^\]]*\])*\s*(\+\+|--|=(?!=)|[-+*/%&|^]=|<<=|>>=|\()"
)
DECL_WORDS = re.compile(
    r"^(return|const|constexpr|static|auto|using|typedef|typename|template|struct|class|enum|union|friend|"
    r"inline|extern|thread_local|delete|new|throw|goto|case|default|if|else|for|while|do|switch|"
    r"co_return|co_yield|co_await|unsigned|signed|int|long|short|char|bool|float|double|void)\b"
)


def comparison_options(tok):
    return {
        "<": ["<=", ">="],
        "<=": ["<", ">"],
        ">": [">=", "<="],
        ">=": [">", "<"],
        "==": ["!="],
        "!=": ["=="],
    }[tok]


def line_sites(lines, masks):
    """All candidate mutants of one file: (line index, operator, column, old, new)."""
    sites = []
    in_macro = False
    prev_code = ""
    depth = 0  # parenthesis depth carried over lines
    scopes = []  # per open brace: True in a function body or block, False in a namespace or type
    recent = ""  # code since the last ; { or }
    for idx, (line, mask) in enumerate(zip(lines, masks)):
        in_body = bool(scopes) and scopes[-1]
        if not mask.lstrip().startswith("#"):
            for ch in mask:
                if ch == "{":
                    scopes.append(not re.search(r"\b(class|struct|union|namespace|enum|extern)\b", recent))
                    recent = ""
                elif ch == "}":
                    if scopes:
                        scopes.pop()
                    recent = ""
                elif ch == ";":
                    recent = ""
                else:
                    recent += ch
            recent += " "
        code = mask.strip()
        continuing_macro = in_macro
        in_macro = code.endswith("\\") and (continuing_macro or code.startswith("#"))
        start_depth = depth
        depth = max(0, depth + mask.count("(") - mask.count(")"))
        if not code or code.replace("`", "").strip() == "":
            continue
        skip = (
            continuing_macro
            or code.startswith("#")
            or "static_assert" in mask
            or re.search(r"\bassert\s*\(", mask)
        )
        last_prev = prev_code
        prev_code = code.replace("`", "").rstrip() or prev_code
        if skip:
            continue
        tmpl = "template" in mask or "operator" in mask

        # comparisons
        if not tmpl:
            for m in re.finditer(r"(?<![=!<>])(==|!=)(?![=])|(?<=\s)(<=|>=|<|>)(?=\s)", mask):
                tok = m.group(0)
                for new in comparison_options(tok):
                    sites.append((idx, "compare", m.start(), tok, new))
        # && <-> ||
        # && <-> || where the line holds the one logical operator of a
        # condition closed on that line: a mix would only trip -Wparentheses
        logic = list(re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", mask))
        if len(logic) == 1 and len(re.findall(r"&&|\|\|", mask)) == 1 and mask.count("(") == mask.count(")") \
                and start_depth == 0:
            m = logic[0]
            tok = m.group(0)
            sites.append((idx, "logic", m.start(), tok, "||" if tok == "&&" else "&&"))
        declaration = bool(DECL_WORDS.match(code)) or not EXPR_START.match(code)
        # literals and constants
        for m in NUMBER.finditer(mask):
            body, suffix = m.group(1), m.group(2)
            before = mask[: m.start()]
            if re.search(r"[\d.][eEpP][+-]$", before):
                continue
            # the bound of a declared array: a larger one changes nothing
            if declaration and re.search(r"\w\s*\[$", before) and mask[m.end():].startswith("]"):
                continue
            value = int(body, 16) if body[:2].lower() == "0x" else int(body)
            hexa = body[:2].lower() == "0x"

            def fmt(v):
                if not hexa:
                    return str(v)
                digits = body[2:]
                s = format(v, "X" if any(ch.isupper() for ch in digits) else "x")
                return body[:2] + s.rjust(len(digits), "0")

            if value in (0, 1):
                sites.append((idx, "constant", m.start(), m.group(0), fmt(1 - value) + suffix))
            else:
                for new in (value + 1, value - 1):
                    sites.append((idx, "literal", m.start(), m.group(0), fmt(new) + suffix))
        for m in re.finditer(r"\b(true|false)\b", mask):
            tok = m.group(0)
            sites.append((idx, "constant", m.start(), tok, "false" if tok == "true" else "true"))
        # dropped statement: one whole simple statement on its own line
        stmt = code.replace("`", "x")
        if (
            stmt.endswith(";")
            and start_depth == 0
            and in_body
            and mask.count("(") == mask.count(")")
            and mask.count("{") == 0
            and mask.count("}") == 0
            and last_prev[-1:] in (";", "{", "}", ":")
            and not DECL_WORDS.match(stmt)
            and EXPR_START.match(stmt)
            and not tmpl
        ):
            indent = line[: len(line) - len(line.lstrip())]
            sites.append((idx, "drop", len(indent), line[len(indent):], ""))
    return sites


def apply_site(line, site):
    _, op, col, old, new = site
    if op == "drop":
        return ""
    assert line[col:col + len(old)] == old, (line, site)
    return line[:col] + new + line[col + len(old):]


def file_sites(text, path):
    lines = text.split("\n")
    masks = code_masks(text)
    assert len(lines) == len(masks), path
    out = []
    seen = set()
    for site in line_sites(lines, masks):
        idx = site[0]
        mutated = apply_site(lines[idx], site)
        key = (lines[idx], mutated)
        if key in seen or mutated == lines[idx]:
            continue
        seen.add(key)
        out.append({"line": idx + 1, "op": site[1], "original": lines[idx], "mutated": mutated})
    return out, len(lines)


# ---------------------------------------------------------------- sample


def cmd_sample(args):
    rng = random.Random(args.seed)
    full = git("rev-parse", "--verify", args.rev + "^{commit}")
    files = []
    for rel in sorted(git("ls-tree", "-r", "--name-only", full, "--", "src").splitlines()):
        if rel.endswith((".cpp", ".h")):
            sites, length = file_sites(git("show", "%s:%s" % (full, rel), strip=False), rel)
            if sites:
                files.append({"file": rel, "length": length, "sites": sites,
                              "area": rel.split("/")[1], "header": rel.endswith(".h")})
    count = args.count
    cap = max(2, math.ceil(count / 20))
    quota = {True: round(count * 0.25), False: count - round(count * 0.25)}
    chosen = []
    taken = {f["file"]: 0 for f in files}

    def take(f):
        by_op = {}
        for s in f["sites"]:
            by_op.setdefault(s["op"], []).append(s)
        op = rng.choice(sorted(by_op))
        site = rng.choice(by_op[op])
        f["sites"].remove(site)
        taken[f["file"]] += 1
        quota[f["header"]] -= 1
        chosen.append(dict(file=f["file"], **site))

    def pick(pool):
        pool = [f for f in pool if f["sites"] and taken[f["file"]] < cap]
        if not pool:
            return False
        take(rng.choices(pool, weights=[f["length"] for f in pool])[0])
        return True

    # Every area of src/ first, two mutants in its .cpp files (its headers if
    # it has none), then the rest weighted by length.
    for area in sorted({f["area"] for f in files}):
        in_area = [f for f in files if f["area"] == area]
        for _ in range(2):
            pick([f for f in in_area if not f["header"]] or in_area)
    for header in (False, True):
        while quota[header] > 0 and pick([f for f in files if f["header"] == header]):
            pass
    while len(chosen) < count and pick(files):
        pass
    chosen.sort(key=lambda m: (m["file"], m["line"], m["op"], m["mutated"]))
    mutants = [dict(id="m%03d" % (i + 1), **m) for i, m in enumerate(chosen)]
    out = {"seed": args.seed, "count": len(mutants), "from": git("rev-parse", "--short", full), "mutants": mutants}
    with open(args.output, "w") as f:
        json.dump(out, f, indent=1)
        f.write("\n")
    per_op = {}
    per_area = {}
    for m in mutants:
        per_op[m["op"]] = per_op.get(m["op"], 0) + 1
        area = m["file"].split("/")[1]
        per_area[area] = per_area.get(area, 0) + 1
    headers = sum(m["file"].endswith(".h") for m in mutants)
    print("%d mutants in %d files (%d in headers)" % (len(mutants), len({m["file"] for m in mutants}), headers))
    print("operators:", ", ".join("%s %d" % kv for kv in sorted(per_op.items())))
    print("areas:    ", ", ".join("%s %d" % kv for kv in sorted(per_area.items())))


# ---------------------------------------------------------------- run


class Interrupted(Exception):
    pass


def on_signal(signum, frame):
    raise Interrupted("signal %d" % signum)




def locate(lines, original, near):
    """Index of the line equal to `original` nearest to the 0-based `near`."""
    hits = [i for i, line in enumerate(lines) if line == original]
    return min(hits, key=lambda i: (abs(i - near), i)) if hits else None


def run_program(build, prog, limit, fail_fast=True):
    exe = os.path.join(build, "tests", prog)
    cmd = ["nice", "-n", "10", exe, "--gtest_brief=1"] + (["--gtest_fail_fast"] if fail_fast else [])
    start = time.monotonic()
    p = subprocess.Popen(cmd, cwd=os.path.join(build, "tests"), stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, start_new_session=True)
    try:
        out, _ = p.communicate(timeout=limit)
        fate = "passed" if p.returncode == 0 else "killed"
    except subprocess.TimeoutExpired:
        os.killpg(p.pid, signal.SIGKILL)
        out, _ = p.communicate()
        fate = "timeout"
    except BaseException:
        os.killpg(p.pid, signal.SIGKILL)
        p.communicate()
        raise
    elapsed = time.monotonic() - start
    text = out.decode("utf-8", "replace")
    failed = re.findall(r"^\[  FAILED  \] (\S+)", text, re.M)
    detail = failed[0] if failed else ("exit %d" % p.returncode if fate == "killed" else "")
    return fate, elapsed, detail, text


def build(build_dir, targets, jobs):
    cmd = ["nice", "-n", "10", "cmake", "--build", build_dir, "-j", str(jobs), "--target"] + targets
    r = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return r.returncode == 0, r.stdout


def configure(tree, build_dir, cli):
    cmd = ["cmake", "-S", tree, "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
           "-DMESHAUDIT_BENCH=OFF", "-DMESHAUDIT_TESTS=ON", "-DMESHAUDIT_CLI=" + ("ON" if cli else "OFF")]
    # ccache spares the unchanged files of each mutant's build; without it
    # every build is whole, slower but the same.
    if shutil.which("ccache"):
        cmd += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
    r = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if r.returncode != 0:
        sys.exit("configure failed:\n" + r.stdout[-4000:])
    r = subprocess.run(["cmake", "--build", build_dir, "--target", "help"], capture_output=True, text=True)
    return set(re.findall(r"^(\w+):", r.stdout, re.M))


def tally(results):
    totals = {k: 0 for k in ("killed", "timeout", "survived", "build-error", "gone")}
    for r in results:
        totals[r["fate"]] += 1
    judged = totals["killed"] + totals["timeout"] + totals["survived"]
    rate = (totals["killed"] + totals["timeout"]) / judged if judged else 0.0
    return totals, rate


def short(text, width=60):
    text = text.strip()
    return text if len(text) <= width else text[: width - 3] + "..."


def cmd_run(args):
    with open(args.sample) as f:
        sample = json.load(f)
    full = git("rev-parse", "--verify", args.rev + "^{commit}")
    rev = git("rev-parse", "--short", full)
    suffix = rev + ("-" + args.tag if args.tag else "")
    tree = os.path.join(WORK, "tree-" + suffix)
    build_dir = os.path.join(WORK, "build-" + suffix)
    os.makedirs(WORK, exist_ok=True)
    if os.path.isdir(tree):
        if git("rev-parse", "HEAD", cwd=tree) != full:
            sys.exit("%s exists but is not at %s" % (tree, full))
    else:
        git("worktree", "add", "--detach", tree, full)
    if git("status", "--porcelain", cwd=tree):
        sys.exit("%s is not clean" % tree)

    def has_tests(prog):
        folder = os.path.join(tree, "tests", prog[len("test_"):])
        return os.path.isdir(folder) and any(n.endswith("_test.cpp") for n in os.listdir(folder))

    wanted = [p for p in PROGRAMS if has_tests(p)]
    cli = False
    targets = configure(tree, build_dir, cli)
    if not all(p in targets for p in wanted):
        cli = True
        targets = configure(tree, build_dir, cli)
    programs = [p for p in wanted if p in targets]
    if not programs:
        sys.exit("no test programs at %s" % rev)
    print("rev %s  tree %s  build %s  (command %s)" % (rev, tree, build_dir, "on" if cli else "off"), flush=True)
    print("programs: " + " ".join(programs), flush=True)

    t0 = time.monotonic()
    ok, log = build(build_dir, programs, args.jobs)
    if not ok:
        sys.exit("the unmutated build failed:\n" + log[-4000:])
    print("unmutated build %.0f s" % (time.monotonic() - t0), flush=True)
    baseline = {}
    for prog in programs:
        fate, secs, detail, text = run_program(build_dir, prog, 3600, fail_fast=False)
        if fate != "passed":
            sys.exit("%s fails unmutated (%s):\n%s" % (prog, detail, text[-4000:]))
        baseline[prog] = round(secs, 2)
    limits = {p: max(20.0, 5 * s) for p, s in baseline.items()}
    print("unmutated: " + ", ".join("%s %.1f s" % kv for kv in baseline.items()), flush=True)

    done = {}
    if args.resume and os.path.exists(args.output):
        with open(args.output) as f:
            old = json.load(f)
        if old.get("rev") == full:
            done = {r["id"]: r for r in old.get("mutants", [])}
    results = []
    report = {"rev": full, "short": rev, "tree": tree, "build": build_dir, "sample": os.path.abspath(args.sample),
              "seed": sample.get("seed"), "command_built": cli, "programs": programs, "unmutated_seconds": baseline,
              "limits_seconds": limits, "started": time.strftime("%Y-%m-%d %H:%M:%S"), "mutants": results}

    def save(final=False):
        totals, rate = tally(results)
        report["totals"] = totals
        report["kill_rate"] = round(rate, 4)
        report["complete"] = final
        tmp = args.output + ".tmp"
        with open(tmp, "w") as f:
            json.dump(report, f, indent=1)
            f.write("\n")
        os.replace(tmp, args.output)

    old_handlers = {s: signal.signal(s, on_signal) for s in (signal.SIGTERM, signal.SIGHUP)}
    interrupted = None
    try:
        wanted_ids = None
        if args.ids:
            text = open(args.ids[1:]).read() if args.ids.startswith("@") else args.ids
            wanted_ids = set(text.replace(",", " ").split())
        for m in sample["mutants"]:
            if wanted_ids is not None and m["id"] not in wanted_ids:
                continue
            if m["id"] in done:
                results.append(done[m["id"]])
                continue
            result = run_mutant(m, tree, build_dir, programs, limits, args.jobs)
            results.append(result)
            save()
            print("%s %-11s %s:%d  %-8s %s -> %s  %.1f s" % (
                m["id"], result["fate"], m["file"], result.get("applied_line") or m["line"], m["op"],
                short(m["original"]), short(m["mutated"]) or "(dropped)", result["seconds"]), flush=True)
    except (KeyboardInterrupt, Interrupted) as e:
        interrupted = e
    finally:
        for s, h in old_handlers.items():
            signal.signal(s, h)
    dirty = git("status", "--porcelain", cwd=tree)
    report["finished"] = time.strftime("%Y-%m-%d %H:%M:%S")
    report["tree_clean"] = not dirty
    save(final=interrupted is None)
    totals, rate = tally(results)
    print("killed %d (timeout %d)  survived %d  build-error %d  gone %d  kill rate %.3f  (%d of %d mutants)" % (
        totals["killed"] + totals["timeout"], totals["timeout"], totals["survived"], totals["build-error"],
        totals["gone"], rate, len(results), len(sample["mutants"])))
    if dirty:
        sys.exit("the worktree %s is not clean:\n%s" % (tree, dirty))
    print("worktree clean; results in %s" % args.output)
    if interrupted is not None:
        sys.exit("interrupted (%s); rerun with --resume to go on" % interrupted)


def run_mutant(m, tree, build_dir, programs, limits, jobs):
    path = os.path.join(tree, m["file"])
    start = time.monotonic()
    result = {k: m[k] for k in ("id", "file", "line", "op", "original", "mutated")}
    with open(path, "rb") as f:
        original_bytes = f.read()
    lines = original_bytes.decode("utf-8").split("\n")
    at = locate(lines, m["original"], m["line"] - 1)
    if at is None:
        result.update(fate="gone", seconds=0.0)
        return result
    result["applied_line"] = at + 1
    lines[at] = m["mutated"]
    try:
        with open(path, "wb") as f:
            f.write("\n".join(lines).encode("utf-8"))
        ok, log = build(build_dir, programs, jobs)
        if not ok:
            errors = [l for l in log.splitlines() if "error:" in l]
            result.update(fate="build-error", detail=short(errors[0] if errors else log[-200:], 200))
        else:
            area = "test_" + m["file"].split("/")[1]
            order = ([area] if area in programs else []) + [p for p in programs if p != area]
            result["fate"] = "survived"
            for prog in order:
                fate, secs, detail, _ = run_program(build_dir, prog, limits[prog])
                if fate != "passed":
                    result.update(fate=fate, program=prog, detail=detail)
                    break
    finally:
        with open(path, "wb") as f:
            f.write(original_bytes)
    result["seconds"] = round(time.monotonic() - start, 1)
    return result


# ---------------------------------------------------------------- compare


def cmd_compare(args):
    runs = []
    for name in (args.before, args.after):
        with open(name) as f:
            runs.append(json.load(f))
    before, after = ({r["id"]: r for r in run["mutants"]} for run in runs)
    for i in sorted(set(before) & set(after)):
        a, b = before[i], after[i]
        if (a["file"], a["original"], a["mutated"]) != (b["file"], b["original"], b["mutated"]):
            sys.exit("%s differs between the two runs: not the same sample" % i)

    def listing(title, ids, src):
        print("%s: %d" % (title, len(ids)))
        for i in ids:
            r = src[i]
            print("  %s %s:%d %-8s %s -> %s  (now %s)" % (i, r["file"], r["line"], r["op"], short(r["original"]),
                                                          short(r["mutated"]) or "(dropped)", after.get(i, {}).get("fate", "not run")))

    common = sorted(set(before) & set(after))
    lost = [i for i in common if before[i]["fate"] in KILLED and after[i]["fate"] not in KILLED]
    gained = [i for i in common if before[i]["fate"] not in KILLED and after[i]["fate"] in KILLED]
    listing("killed before, not after", lost, before)
    listing("killed after, not before", gained, after)
    other = [i for i in common if before[i]["fate"] != after[i]["fate"] and i not in lost and i not in gained
             and not (before[i]["fate"] in KILLED and after[i]["fate"] in KILLED)]
    if other:
        print("other changes: " + ", ".join("%s %s->%s" % (i, before[i]["fate"], after[i]["fate"]) for i in other))
    for name, run in zip((args.before, args.after), runs):
        totals, rate = tally(run["mutants"])
        print("%-40s rev %s  kill rate %.3f  (killed %d, timeout %d, survived %d, build-error %d, gone %d%s)" % (
            name, run.get("short", "?"), rate, totals["killed"], totals["timeout"], totals["survived"],
            totals["build-error"], totals["gone"], "" if run.get("complete") else ", incomplete"))
    if len(common) != max(len(before), len(after)):
        print("note: only %d mutants are in both runs" % len(common))
    return 1 if lost else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("sample", help="pick a seeded sample of mutants from src/")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--count", type=int, default=120)
    p.add_argument("--rev", default="HEAD", help="the commit whose src/ is sampled (default HEAD)")
    p.add_argument("-o", "--output", required=True)
    p = sub.add_parser("run", help="run a sample against a revision")
    p.add_argument("--sample", required=True)
    p.add_argument("--rev", required=True)
    p.add_argument("-o", "--output", required=True)
    p.add_argument("--jobs", type=int, default=2, help="parallel compile jobs of each build (default 2)")
    p.add_argument("--resume", action="store_true")
    p.add_argument("--ids", help="only these mutant ids: comma-separated, or @FILE of ids")
    p.add_argument("--tag", help="a suffix for the worktree and build folders, so that two runs of "
                                 "one revision can go side by side on disjoint --ids")
    p = sub.add_parser("compare", help="compare two runs of the same sample")
    p.add_argument("before")
    p.add_argument("after")
    args = parser.parse_args()
    if args.command == "sample":
        cmd_sample(args)
    elif args.command == "run":
        cmd_run(args)
    else:
        sys.exit(cmd_compare(args))


if __name__ == "__main__":
    main()
