#!/usr/bin/env python3
"""Seeded mutation testing of the framework library.

Copies the tracked sources into build-mutate/src, builds them once, then applies N single-token
mutations one at a time to the library's .cpp files (flip a comparison, move a bound or a literal
by one, negate a condition, drop a statement, swap true and false, return early), rebuilds
incrementally, runs the test suite until its first failure and reports the share of mutants the
tests kill and the mutants that survive. A mutant that does not compile is drawn again, so N
mutants are always judged.

The same seed draws the same mutants from the same library sources, so two runs that differ only
in their tests compare their fault-finding power. A run takes hours on a small machine: with
--report, every verdict is written as it is reached, and a run started again with the same
report, seed and tree goes on where the last one stopped.
"""
import argparse
import filecmp
import hashlib
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time

LIBRARY_DIRS = ("platform", "services", "plugin", "manager", "mdi", "sync", "package")

# Binary operators are written with spaces around them here, which tells them from template
# brackets, arrows and stream operators without parsing C++.
SWAPS = [
    (" == ", " != "), (" != ", " == "),
    (" < ", " <= "), (" <= ", " < "), (" > ", " >= "), (" >= ", " > "),
    (" && ", " || "), (" || ", " && "),
    (" + 1", " - 1"), (" - 1", " + 1"),
    ("true", "false"), ("false", "true"),
]
INTEGER = re.compile(r"(?<![\w.])(\d+)(?![\w.'])")
STATEMENT = re.compile(r"^(\s*)([A-Za-z_][\w:]*(?:(?:\.|->)[A-Za-z_]\w*)*\s*(?:\(.*\)|[-+*/|&]?=\s.*|\+\+|--));\s*$")
CONDITION = re.compile(r"\b(if|while) \(")


def code_part(line):
    """The line without string and character literals and without a trailing comment; None
    for lines that hold no code to mutate."""
    stripped = line.strip()
    if not stripped or stripped.startswith(("//", "#", "*", "/*", "static_assert")):
        return None
    out, quote, i = [], None, 0
    while i < len(line):
        c = line[i]
        if quote:
            out.append(" ")
            if c == "\\":
                out.append(" ")
                i += 1
            elif c == quote:
                quote = None
        elif c in "\"'":
            quote = c
            out.append(" ")
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


def matching_paren(text, open_at):
    depth = 0
    for i in range(open_at, len(text)):
        if text[i] == "(":
            depth += 1
        elif text[i] == ")":
            depth -= 1
            if depth == 0:
                return i
    return -1


def sites(path, lines):
    """Every mutation the line allows, as (path, line index, description, new line)."""
    found = []
    for n, line in enumerate(lines):
        code = code_part(line)
        if code is None:
            continue
        for old, new in SWAPS:
            # Words are swapped only where they stand alone, never inside a longer name.
            pattern = re.escape(old) if not old.isalpha() else r"\b%s\b" % old
            for m in re.finditer(pattern, code):
                found.append((path, n, f"'{old.strip()}' -> '{new.strip()}'",
                              line[:m.start()] + new + line[m.end():]))
        for m in INTEGER.finditer(code):
            value = int(m.group(1))
            found.append((path, n, f"{value} -> {value + 1}", line[:m.start(1)] + str(value + 1) + line[m.end(1):]))
        for m in CONDITION.finditer(code):
            open_at = m.end() - 1
            close = matching_paren(code, open_at)
            if close > 0:
                found.append((path, n, f"negated {m.group(1)}",
                              line[:open_at + 1] + "!(" + line[open_at + 1:close] + ")" + line[close:]))
        statement = STATEMENT.match(code)
        if statement and not code.lstrip().startswith(("return", "throw", "case", "default")):
            found.append((path, n, "dropped statement", statement.group(1) + ";\n"))
        if code.rstrip().endswith("{") and re.search(r"\)\s*(const\s*)?(noexcept\s*)?\{$", code.rstrip()) \
                and re.match(r"^\s*void ", code) and "(" in code:
            found.append((path, n, "returns early", line.rstrip("\n") + " return;\n"))
    return found


def run(cmd, cwd, timeout=None, env=None):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=timeout, env=env)


def copy_tree(root, dest):
    """Brings the copy up to the tracked files and returns a digest of them; this script is left
    out of the digest, so a fix to it does not throw away the verdicts of a run it resumes."""
    digest = hashlib.sha256()
    files = sorted(filter(None, run(["git", "ls-files", "-z"], root).stdout.split("\0")))
    tracked = set()
    for f in files:
        src, copy = os.path.join(root, f), os.path.join(dest, f)
        if not os.path.isfile(src):
            continue
        tracked.add(os.path.normpath(copy))
        # A file whose text is already there keeps its time; any other gets a new one. Times
        # never go back, so an object built from a mutant of a stopped run is always rebuilt.
        if not (os.path.isfile(copy) and filecmp.cmp(src, copy, shallow=False)):
            os.makedirs(os.path.dirname(copy), exist_ok=True)
            shutil.copyfile(src, copy)
            shutil.copymode(src, copy)
        if f != "tools/mutate.py":
            with open(src, "rb") as data:
                digest.update(f.encode() + b"\0" + data.read() + b"\0")
    for dirpath, _, names in os.walk(dest):
        for name in names:
            if os.path.normpath(os.path.join(dirpath, name)) not in tracked:
                os.remove(os.path.join(dirpath, name))
    return digest.hexdigest()


def write_report(path, state):
    # Written whole and renamed, so a run stopped at any moment leaves the last complete state.
    judged = state["judged"]
    state["rate"] = 100.0 * state["killed"] / judged if judged else 0.0
    with open(path + ".tmp", "w", encoding="utf-8") as f:
        json.dump(state, f, indent=1)
    os.replace(path + ".tmp", path)


def earlier_state(path, seed, count, tree):
    try:
        with open(path, encoding="utf-8") as f:
            state = json.load(f)
    except (OSError, ValueError):
        return None
    if (state.get("seed"), state.get("count"), state.get("tree")) != (seed, count, tree):
        print("the report belongs to another seed, count or tree: starting afresh", flush=True)
        return None
    return state


def tests_pass(build, env, timeout):
    # First failure ends the run: a mutant is killed by one failing test.
    r = run(["ctest", "--test-dir", build, "-j", str(os.cpu_count() or 2), "--stop-on-failure",
             "--timeout", str(timeout)], build, env=env)
    return r.returncode == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("count", nargs="?", type=int, default=200)
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--report", default=None, help="write the result as JSON to this file")
    parser.add_argument("--timeout", type=int, default=60, help="seconds a single test may take")
    args = parser.parse_args()

    # A stopped run must put the mutated line back: SystemExit runs the finally clauses, which
    # the default handling of SIGTERM would skip.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    root = run(["git", "rev-parse", "--show-toplevel"], os.getcwd()).stdout.strip()
    work = os.path.join(root, "build-mutate")
    src, build = os.path.join(work, "src"), os.path.join(work, "build")
    tree = copy_tree(root, src)
    launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if shutil.which("ccache") else []
    # Executables are not relinked when only the shared library changes: each mutant rebuilds
    # one object and the library.
    r = run(["cmake", "-S", src, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug", "-DZARIX_WERROR=OFF",
             "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON", "-DCMAKE_CXX_FLAGS=-O1"] + launcher, root)
    if r.returncode:
        sys.exit("configure failed:\n" + r.stdout[-4000:])
    env = dict(os.environ, CCACHE_DISABLE="1")
    print("building the unmutated tree...", flush=True)
    r = run(["cmake", "--build", build], root)
    if r.returncode:
        sys.exit("build failed:\n" + r.stdout[-4000:])
    if not tests_pass(build, env, args.timeout):
        sys.exit("the unmutated tests fail: fix them first")

    candidates = []
    for d in LIBRARY_DIRS:
        for dirpath, _, names in os.walk(os.path.join(src, d)):
            for name in sorted(names):
                if name.endswith(".cpp"):
                    path = os.path.join(dirpath, name)
                    with open(path, encoding="utf-8") as f:
                        candidates += sites(path, f.readlines())
    candidates.sort(key=lambda s: (s[0], s[1], s[2]))
    rng = random.Random(args.seed)
    rng.shuffle(candidates)

    state = (args.report and earlier_state(args.report, args.seed, args.count, tree)) or {
        "seed": args.seed, "count": args.count, "tree": tree, "position": 0,
        "judged": 0, "killed": 0, "uncompiled": 0, "seconds": 0, "verdicts": []}
    if state["judged"]:
        print(f"going on after {state['judged']} mutants judged earlier", flush=True)
    started = time.time() - state["seconds"]
    for position in range(state["position"], len(candidates)):
        path, n, what, new_line = candidates[position]
        if state["judged"] == args.count:
            break
        with open(path, encoding="utf-8") as f:
            lines = f.readlines()
        original = lines[n]
        lines[n] = new_line
        with open(path, "w", encoding="utf-8") as f:
            f.writelines(lines)
        try:
            built = run(["cmake", "--build", build], root, env=env).returncode == 0
            if built:
                where = f"{os.path.relpath(path, src)}:{n + 1}"
                verdict = "SURVIVED" if tests_pass(build, env, args.timeout) else "killed"
        finally:
            lines[n] = original
            with open(path, "w", encoding="utf-8") as f:
                f.writelines(lines)
        state["position"] = position + 1
        state["seconds"] = round(time.time() - started)
        if not built:
            state["uncompiled"] += 1
        else:
            state["judged"] += 1
            state["killed"] += verdict == "killed"
            state["verdicts"].append({"where": where, "mutation": what, "line": original.strip(),
                                      "verdict": verdict})
            print(f"[{state['judged']}/{args.count}] {verdict:8} {where}: {what}", flush=True)
        if args.report:
            write_report(args.report, state)
    # Leave the build matching the unmutated sources for the next run.
    run(["cmake", "--build", build], root, env=env)

    judged, killed = state["judged"], state["killed"]
    rate = 100.0 * killed / judged if judged else 0.0
    print(f"\n{killed} of {judged} mutants killed ({rate:.1f}%), {state['uncompiled']} did not compile, "
          f"{time.time() - started:.0f} s")
    for v in state["verdicts"]:
        if v["verdict"] == "SURVIVED":
            print(f"  survived: {v['where']}: {v['mutation']}    {v['line']}")


if __name__ == "__main__":
    main()
