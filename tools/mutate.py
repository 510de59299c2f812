#!/usr/bin/env python3
"""Puts each hand-written mutant of tests/mutants/mutants.txt into a copy of the tree, one at a
time, builds what its tests need, runs them and takes the mutant out again; prints which
mutants no test caught, and those whose expression no longer changes its file.

Usage: mutate.py SOURCE_ROOT WORK_DIR [NAME...]   (names pick mutants; default all)

The copy is WORK_DIR/tree, refreshed from the source tree on every run and built there
incrementally (the first run builds what the tests need from scratch); the working tree is
never changed. The mutants file holds blocks:

    file hosts/HostsEdit.cpp
    native hosts_tests fuzz_corpus_tests       # targets of the native build
    win64 hosts_tests                           # targets of the 64-bit Windows build
    tests hosts_tests hosts_tests.wine          # CTest names, run in the native build
    mutant NAME: SED-EXPRESSION                 # sed -E, applied to the file
"""
import os
import re
import shutil
import subprocess
import sys
import time


class Block:
    def __init__(self, path):
        self.path = path
        self.native = []
        self.win64 = []
        self.tests = []
        self.mutants = []  # (name, expression)


def read_mutants(path):
    blocks = []
    for number, raw in enumerate(open(path, encoding="utf-8"), 1):
        line = raw.rstrip("\n")
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        word, _, rest = line.partition(" ")
        if word == "file":
            blocks.append(Block(rest.strip()))
            continue
        if not blocks:
            sys.exit(f"{path}:{number}: a '{word}' line before any 'file' line")
        block = blocks[-1]
        if word in ("native", "win64", "tests"):
            getattr(block, word).extend(rest.split())
        elif word == "mutant":
            name, sep, expression = rest.partition(": ")
            if not sep:
                sys.exit(f"{path}:{number}: a mutant is 'mutant NAME: EXPRESSION'")
            block.mutants.append((name.strip(), expression))
        else:
            sys.exit(f"{path}:{number}: unknown line '{word}'")
    for block in blocks:
        if not block.tests:
            sys.exit(f"{path}: {block.path} names no tests")
    return blocks


def run(command, log, cwd=None, timeout=None):
    with open(log, "ab") as out:
        out.write(("\n$ " + " ".join(command) + "\n").encode())
        out.flush()
        try:
            return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                  timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            out.write(b"\n(timed out)\n")
            return -1


def refresh_tree(source, tree):
    """Copies the tracked and new files of the source tree; unchanged files keep their times, so
    the copy's builds stay incremental."""
    listed = subprocess.run(["git", "-C", source, "ls-files", "-co", "--exclude-standard", "-z"],
                            check=True, capture_output=True).stdout
    for name in filter(None, listed.decode().split("\0")):
        origin, copy = os.path.join(source, name), os.path.join(tree, name)
        if not os.path.isfile(origin) or os.path.islink(origin):
            continue
        here, there = os.stat(origin), os.stat(copy) if os.path.exists(copy) else None
        if there is None or (here.st_size, here.st_mtime_ns) != (there.st_size, there.st_mtime_ns):
            os.makedirs(os.path.dirname(copy), exist_ok=True)
            shutil.copy2(origin, copy)


def configure(tree, log):
    native = ["cmake", "-S", tree, "-B", f"{tree}/build/native", "-DCMAKE_BUILD_TYPE=RelWithDebInfo"]
    win64 = ["cmake", "-S", tree, "-B", f"{tree}/build/win64",
             f"-DCMAKE_TOOLCHAIN_FILE={tree}/cmake/mingw-x86_64.cmake", "-DCMAKE_BUILD_TYPE=Release"]
    for command in (win64, native):
        if run(command, log) != 0:
            sys.exit(f"mutate: configuring the copy failed, see {log}")


def build(tree, block, jobs, log):
    for arch, targets in (("native", block.native), ("win64", block.win64)):
        if targets and run(["cmake", "--build", f"{tree}/build/{arch}", "-j", str(jobs), "--target",
                            *targets], log) != 0:
            return False
    return True


def run_tests(tree, block, log):
    pattern = "^(" + "|".join(re.escape(name) for name in block.tests) + ")$"
    return run(["ctest", "--test-dir", f"{tree}/build/native", "-R", pattern, "--stop-on-failure",
                "--timeout", "600", "--output-on-failure"], log, timeout=1800) == 0


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    source = os.path.realpath(sys.argv[1])
    work = os.path.realpath(sys.argv[2])
    chosen = set(sys.argv[3:])
    jobs = int(os.environ.get("JOBS", "2"))
    blocks = read_mutants(os.path.join(source, "tests/mutants/mutants.txt"))
    tree = os.path.join(work, "tree")
    logs = os.path.join(work, "logs")
    shutil.rmtree(logs, ignore_errors=True)
    os.makedirs(logs)
    start = time.monotonic()
    refresh_tree(source, tree)
    configure(tree, os.path.join(logs, "configure.log"))

    results = {"caught": [], "survived": [], "stale": [], "unbuilt": [], "baseline": []}
    for block in blocks:
        mutants = [m for m in block.mutants if not chosen or m[0] in chosen]
        if not mutants:
            continue
        target = os.path.join(tree, block.path)
        original = open(target, "rb").read()
        # The unchanged file must build and pass its tests, or a mutant's failure says nothing.
        baseline_log = os.path.join(logs, block.path.replace("/", "_") + ".baseline.log")
        if not (build(tree, block, jobs, baseline_log) and run_tests(tree, block, baseline_log)):
            print(f"{block.path}: its tests fail without a mutant (log: {baseline_log})", flush=True)
            results["baseline"].append(block.path)
            continue
        for name, expression in mutants:
            log = os.path.join(logs, name + ".log")
            try:
                applied = subprocess.run(["sed", "-E", "-i", "-e", expression, target], capture_output=True)
                mutated = open(target, "rb").read()
                if applied.returncode != 0 or mutated == original:
                    verdict = "stale"
                elif not build(tree, block, jobs, log):
                    verdict = "unbuilt"
                elif run_tests(tree, block, log):
                    verdict = "survived"
                else:
                    verdict = "caught"
            finally:
                # A new time, so the next build compiles the file again whatever it built last.
                with open(target, "wb") as out:
                    out.write(original)
            results[verdict].append(f"{name} ({block.path})")
            print(f"{verdict:8} {name} ({block.path})", flush=True)
        if not build(tree, block, jobs, os.path.join(logs, "rebuild.log")):
            print(f"{block.path}: the unchanged file no longer builds in the copy", flush=True)

    minutes = (time.monotonic() - start) / 60
    total = sum(len(v) for k, v in results.items() if k in ("caught", "survived"))
    print(f"\n{len(results['caught'])} of {total} mutants caught in {minutes:.1f} min (logs: {logs})")
    for verdict, heading in (("survived", "not caught by any test"),
                             ("stale", "expression no longer changes its file (refresh it)"),
                             ("unbuilt", "did not build (fix the expression)"),
                             ("baseline", "files whose tests fail unchanged")):
        if results[verdict]:
            print(f"{heading}:")
            for entry in results[verdict]:
                print(f"  {entry}")
    return 1 if any(results[k] for k in ("survived", "stale", "unbuilt", "baseline")) else 0


if __name__ == "__main__":
    sys.exit(main())
