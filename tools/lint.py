#!/usr/bin/env python3
"""Static analysis of the project's own C++: clang-tidy (checks in .clang-tidy) and cppcheck.

Usage: lint.py NATIVE_BUILD WIN32_BUILD WIN64_BUILD [JOBS]

Takes the compile commands of the three builds. The portable code is analysed as the native build
compiles it; the Windows code (and the portable code with Windows branches) as each mingw-w64
build does, with clang told the same target: the 32-bit build's all of it, the 64-bit build's
what the program is made of, since a pointer kept in a LONG, a SOCKET in an int or a size_t cut
to a DWORD narrows only on 64-bit Windows (the test programs, the slowest to analyse, are not
shipped). Prints every finding once and fails on any.
A translation unit that passed is not analysed again until its sources, its compile command,
the checks or clang-tidy change (NATIVE_BUILD/lint/passed).
"""
import concurrent.futures
import hashlib
import json
import os
import re
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINDOWS_TARGETS = {"win32": "--target=i686-w64-mingw32", "win64": "--target=x86_64-w64-mingw32"}
# Findings in the project's own headers are reported; those in system and third-party ones not.
HEADER_FILTER = "^" + re.escape(ROOT) + "/(app|bench|cmake|hosts|optimize|probe|skin|tests)/"
DIAGNOSTIC = re.compile(r"^\S+:\d+:\d+: (warning|error): ")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
CPPCHECK_OPTIONS = [
    "--enable=warning,style,performance,portability",
    "--std=c++17", "--inline-suppr", "--quiet", "--error-exitcode=1",
    "--template={file}:{line}:{column}: {severity}: {message} [{id}]",
    "--library=googletest",
    # cppcheck reads the project's headers only; the system's are clang-tidy's part.
    "--suppress=missingIncludeSystem",
    # A loop that returns at its first match reads plainer than std::any_of with a lambda.
    "--suppress=useStlAlgorithm",
]


def own_entries(build):
    """The compile commands of the project's own sources in build (no third-party code)."""
    with open(os.path.join(build, "compile_commands.json")) as f:
        entries = json.load(f)
    build_root = os.path.dirname(os.path.abspath(build)) + os.sep
    return one_entry_per_file([e for e in entries
                               if e["file"].startswith(ROOT + os.sep) and not e["file"].startswith(build_root)])


def one_entry_per_file(entries):
    """A file a build compiles twice (the corpus replay again with sanitizers) is analysed once,
    as it is compiled without them: the sanitizer options change the code generated, not the
    source the checks read."""
    chosen = {}
    for entry in entries:
        kept = chosen.get(entry["file"])
        if kept is None or (is_sanitized(kept) and not is_sanitized(entry)):
            chosen[entry["file"]] = entry
    return list(chosen.values())


def is_sanitized(entry):
    return "-fsanitize" in json.dumps(entry.get("command", entry.get("arguments")))


def project_sources(path, found):
    """path and the project headers it includes, directly or not, added to found."""
    if path in found or not os.path.isfile(path):
        return found
    with open(path, encoding="utf-8", errors="replace") as f:
        found[path] = f.read()
    for name in INCLUDE.findall(found[path]):
        for base in (os.path.dirname(path), ROOT):
            project_sources(os.path.normpath(os.path.join(base, name)), found)
    return found


def has_windows_branch(path):
    """Whether path or a project header it includes has code for _WIN32 only."""
    return any("_WIN32" in text for text in project_sources(path, {}).values())


def mingw_include_args(compiler, target):
    """The C++ and C library headers the mingw-w64 compiler uses, for clang, which does not find
    Debian's (its version directory is named 12-win32). GCC's own intrinsics headers are left
    to clang's."""
    result = subprocess.run([compiler, "-E", "-v", "-x", "c++", os.devnull],
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=True)
    listed = result.stderr.split("#include <...> search starts here:")[1]
    directories = [os.path.normpath(d) for d in listed.split("End of search list.")[0].split()]
    kept = [d for d in directories if "/include/c++" in d or "/lib/gcc/" not in d]
    return [target, "-nostdlibinc"] + ["-isystem" + d for d in kept]


def compiler_of(entry):
    return entry["arguments"][0] if "arguments" in entry else entry["command"].split()[0]


def write_database(entries, directory):
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, "compile_commands.json"), "w") as f:
        json.dump(entries, f, indent=1)
    return directory


def task_key(entry, compiler_args, tool):
    """What a clang-tidy run depends on besides the system's headers: the tool and its checks,
    the compile command and the project's sources of the translation unit."""
    digest = hashlib.sha256(tool.encode())
    digest.update(json.dumps([entry.get("command", entry.get("arguments")), compiler_args]).encode())
    for path, text in sorted(project_sources(entry["file"], {}).items()):
        digest.update(path.encode() + b"\0" + text.encode() + b"\0")
    return digest.hexdigest()


def uses_googletest(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return "<gtest/gtest.h>" in f.read()


def clang_tidy(database, path, compiler_args):
    command = ["clang-tidy", "-p", database, "--quiet", "--header-filter=" + HEADER_FILTER]
    # The static analyzer follows every EXPECT_ and ASSERT_ deep into GoogleTest: on a test
    # program it takes longer than all other checks together and analyses GoogleTest, not the
    # code under test, which is analysed in its own files.
    if uses_googletest(path):
        command.append("--checks=-clang-analyzer-*")
    command += ["--extra-arg=" + arg for arg in compiler_args] + [path]
    started = time.monotonic()
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    output = result.stdout if result.returncode != 0 else ""
    return path, output, time.monotonic() - started


def split_diagnostics(output):
    """The output's diagnostics, each with its notes and source lines."""
    blocks = []
    for line in output.splitlines():
        if DIAGNOSTIC.match(line):
            blocks.append([line])
        elif blocks and not re.search(r" warnings? generated\.$", line):
            blocks[-1].append(line)
    return ["\n".join(block) for block in blocks]


def cppcheck(database, extra_options):
    command = ["cppcheck", "--project=" + os.path.join(database, "compile_commands.json")]
    command += CPPCHECK_OPTIONS + extra_options
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    findings = [line for line in result.stdout.splitlines() if DIAGNOSTIC.match(line)]
    if result.returncode != 0 and not findings:
        findings = [result.stdout.strip() or "cppcheck failed"]
    return findings


def read_passed(path):
    if not os.path.isfile(path):
        return set()
    with open(path) as f:
        return set(f.read().split())


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__.strip().splitlines()[2])
    native_build = sys.argv[1]
    windows_builds = {"win32": sys.argv[2], "win64": sys.argv[3]}
    jobs = int(sys.argv[4]) if len(sys.argv) == 5 else os.cpu_count() or 1
    started = time.monotonic()

    native = own_entries(native_build)
    native_files = {e["file"] for e in native}
    lint_dir = os.path.join(native_build, "lint")
    native_db = write_database(native, os.path.join(lint_dir, "native"))
    tasks = [(native_db, e, []) for e in native]
    windows_dbs = []
    for name, build in windows_builds.items():
        entries = [e for e in own_entries(build)
                   if (e["file"] not in native_files or has_windows_branch(e["file"]))
                   and (name == "win32" or "/tests/" not in e["file"])]
        database = write_database(entries, os.path.join(lint_dir, name))
        args = mingw_include_args(compiler_of(entries[0]), WINDOWS_TARGETS[name])
        tasks += [(database, e, args) for e in entries]
        windows_dbs.append((database, len(entries)))
    with open(os.path.join(ROOT, ".clang-tidy")) as f:
        tool = subprocess.run(["clang-tidy", "--version"], stdout=subprocess.PIPE, text=True,
                              check=True).stdout + f.read()
    passed_path = os.path.join(lint_dir, "passed")
    passed = read_passed(passed_path)
    keys = {id(task): task_key(task[1], task[2], tool) for task in tasks}
    todo = [task for task in tasks if keys[id(task)] not in passed]
    # The test programs take longest (GoogleTest's headers); started first, they end together.
    todo.sort(key=lambda task: "/tests/" not in task[1]["file"])

    findings = []
    now_passed = {keys[id(task)] for task in tasks if keys[id(task)] in passed}
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        runs = {pool.submit(clang_tidy, task[0], task[1]["file"], task[2]): task for task in todo}
        findings += cppcheck(native_db, [])
        for (database, _), platform in zip(windows_dbs, ("win32W", "win64")):
            findings += cppcheck(database, ["--library=windows", "--platform=" + platform, "-D_WIN32"])
        for run in concurrent.futures.as_completed(runs):
            path, output, seconds = run.result()
            if os.environ.get("LINT_TIMES"):
                print(f"{seconds:6.1f} s  {os.path.relpath(path, ROOT)}", file=sys.stderr)
            diagnostics = split_diagnostics(output)
            findings += diagnostics or ([f"{path}: clang-tidy failed:\n{output}"] if output else [])
            if not output:
                now_passed.add(keys[id(runs[run])])
    with open(passed_path, "w") as f:
        f.write("\n".join(sorted(now_passed)) + "\n")

    unique = list(dict.fromkeys(findings))
    for finding in unique:
        print(finding)
    print(f"lint: {len(tasks)} translation units ({len(native)} native, "
          f"{' and '.join(str(count) for _, count in windows_dbs)} Windows 32- and 64-bit; "
          f"{len(todo)} analysed, the rest unchanged since they passed), {len(unique)} findings, "
          f"{time.monotonic() - started:.0f} s")
    return 1 if unique else 0


if __name__ == "__main__":
    sys.exit(main())
