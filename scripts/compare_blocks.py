#!/usr/bin/python3
"""Compares two builds of the library byte for byte on mesh files.

For every file and for two settings (the library's defaults, and every
Enable byte 1), bench/files/block_dump analyses the file once with each
library and prints the four result blocks as hex; the progress line it draws
on standard error is captured too. Both must be identical.

    /usr/bin/python3 scripts/compare_blocks.py --dump build/bench/bench/block_dump \
        --before OLD_LIB_DIR --after NEW_LIB_DIR FILE...

OLD_LIB_DIR and NEW_LIB_DIR hold a libmeshaudit.so each; the dump program
loads the one named through LD_LIBRARY_PATH. Exits 1 on any difference.
"""
import argparse
import hashlib
import os
import subprocess
import sys


def run(dump, libdir, path, mode):
    env = dict(os.environ, LD_LIBRARY_PATH=libdir)
    args = [dump, path] + (["all"] if mode == "all" else [])
    done = subprocess.run(args, env=env, capture_output=True, check=False)
    return done.returncode, done.stdout, done.stderr


def digest(data):
    return hashlib.sha256(data).hexdigest()[:12]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dump", required=True)
    parser.add_argument("--before", required=True)
    parser.add_argument("--after", required=True)
    parser.add_argument("files", nargs="+")
    options = parser.parse_args()
    differ = 0
    print("%-28s %-8s %-14s %-14s %s" % ("file", "enable", "blocks", "progress", "same"))
    for path in options.files:
        for mode in ("default", "all"):
            a = run(options.dump, options.before, path, mode)
            b = run(options.dump, options.after, path, mode)
            same = a == b
            differ += not same
            print("%-28s %-8s %-14s %-14s %s" % (os.path.basename(path), mode, digest(a[1]),
                                                 digest(a[2]), "yes" if same else "NO"))
            if a[0] != 0:
                print("  block_dump failed: %s" % a[2].decode(errors="replace").strip())
    print("%d comparison(s), %d different" % (2 * len(options.files), differ))
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
