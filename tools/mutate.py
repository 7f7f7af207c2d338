#!/usr/bin/env python3
"""Mutation testing of the library sources against the unit tests.

    tools/mutate.py [--mutants N] [--seed S] [--build DIR] [--list] [--only PATH ...]

Every candidate mutant is one small change on one line of src/: an
arithmetic or comparison operator swapped, && and || swapped, an integer
constant plus one, or a statement dropped. The candidates are listed in a
fixed order and N of them are drawn with the seed, so the same N and S pick
the same mutants as long as src/ is unchanged. --only PATH (repeatable)
draws from the candidates of the files under PATH only (src/legacy,
src/handlers/b8.cpp): a quick look at one area, not the project's sample.

For each mutant the file is changed, the unit-test binary is rebuilt
incrementally in its own build folder (build-mutate/ by default), the unit
tests run, and the file is written back. A mutant is killed when the build
succeeds and a test fails, survives when every test passes, and counts as
did-not-build when the compiler rejects it. The score is killed / (killed +
survived).

The tree is always left as it was found: the original text of the file being
mutated is kept in a journal (build-mutate/mutate-journal.json) before the
change, written back after each mutant, on Ctrl-C and on any error, and a
later run first restores whatever an interrupted run (even a killed one)
left in the journal.
"""

import argparse
import json
import os
import random
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SRC = os.path.join(ROOT, "src")
TEST_TARGET = "railfmt_tests"

# Operator swaps, tried in this order at every place on a line where the
# operator stands alone (not part of a longer operator).
SWAPS = [
    ("&&", "||"), ("||", "&&"),
    ("<=", "<"), (">=", ">"), ("==", "!="), ("!=", "=="),
    ("<", "<="), (">", ">="),
    ("+", "-"), ("-", "+"), ("*", "/"), ("/", "*"), ("%", "*"),
    ("<<", ">>"), (">>", "<<"), ("&", "|"), ("|", "&"),
]
OPERATOR_CHARS = set("<>=!&|+-*/%^~?:")
INT_RE = re.compile(r"(?<![\w.])(0[xX][0-9A-Fa-f]+|\d+)([uUlL]*)(?![\w.])")


def strip_comment_and_strings(line):
    """The line with string and character literals and the // comment blanked
    out (same length), so that nothing inside them is mutated."""
    out = []
    i, n = 0, len(line)
    while i < n:
        c = line[i]
        if c in "\"'":
            q = c
            out.append(" ")
            i += 1
            while i < n and line[i] != q:
                if line[i] == "\\" and i + 1 < n:
                    out.append("  ")
                    i += 2
                    continue
                out.append(" ")
                i += 1
            if i < n:
                out.append(" ")
                i += 1
            continue
        if line.startswith("//", i) or line.startswith("/*", i):
            out.append(" " * (n - i))
            break
        out.append(c)
        i += 1
    return "".join(out)


def skip_line(code):
    s = code.strip()
    if not s or s.startswith("#") or s.startswith("*"):
        return True
    if s.startswith(("static_assert", "namespace", "using ", "template", "struct ", "class ",
                     "enum ", "case ", "default:", "public:", "private:", "protected:")):
        return True
    return False


def operator_mutants(code):
    for i in range(len(code)):
        for before, after in SWAPS:
            if not code.startswith(before, i):
                continue
            j = i + len(before)
            prev = code[i - 1] if i > 0 else " "
            nxt = code[j] if j < len(code) else " "
            # Binary operators stand between spaces in this code base; that
            # leaves template brackets, pointers, references, unary signs
            # and longer operators alone.
            if prev != " " or nxt != " ":
                continue
            yield i, before, after
            break


def constant_mutants(code):
    for m in INT_RE.finditer(code):
        text, suffix = m.group(1), m.group(2)
        value = int(text, 16) if text[:2] in ("0x", "0X") else int(text)
        if text.startswith("0") and len(text) > 1 and text[:2] not in ("0x", "0X"):
            continue  # octal-looking
        if text[:2] in ("0x", "0X"):
            new = "0x%0*X" % (len(text) - 2, value + 1)
        else:
            new = str(value + 1)
        new += suffix
        yield m.start(), text + suffix, new


def statement_mutant(code):
    s = code.strip()
    if not s.endswith(";") or s.startswith(("return", "break", "continue", "}")):
        return None
    if "{" in s or "}" in s:
        return None
    # A declaration (type then name) cannot be dropped without breaking the build.
    if re.match(r"^(const\s+|static\s+|constexpr\s+|auto\b|[\w:<>]+\s*[&*]?\s+\w+\s*(=|\(|\[|;|\{))", s):
        return None
    if not re.search(r"=|\w\s*\(", s):
        return None
    return s


def candidates():
    """Every mutant, in a fixed order: (path, line number, before, after, kind)."""
    out = []
    for dirpath, dirnames, filenames in os.walk(SRC):
        dirnames.sort()
        for name in sorted(filenames):
            if not name.endswith((".cpp", ".h")):
                continue
            if name.endswith("_win32.cpp"):
                continue  # not built on this machine, so never tested here
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, ROOT)
            with open(path, encoding="utf-8", errors="surrogateescape") as f:
                lines = f.read().split("\n")
            in_block = False
            for no, line in enumerate(lines, 1):
                s = line.strip()
                if in_block:
                    if "*/" in s:
                        in_block = False
                    continue
                if s.startswith("/*") and "*/" not in s:
                    in_block = True
                    continue
                code = strip_comment_and_strings(line)
                if skip_line(code):
                    continue
                for col, before, after in operator_mutants(code):
                    out.append((rel, no, col, before, after, "operator"))
                for col, before, after in constant_mutants(code):
                    out.append((rel, no, col, before, after, "constant"))
                st = statement_mutant(code)
                if st is not None:
                    out.append((rel, no, -1, st, "", "drop"))
    return out


def apply(lines, no, col, before, after, kind):
    line = lines[no - 1]
    if kind == "drop":
        indent = line[: len(line) - len(line.lstrip())]
        return indent + ";  // dropped by the mutation tester"
    return line[:col] + after + line[col + len(before):]


class Journal:
    """The original text of the file under mutation, kept on disk while it is changed."""

    def __init__(self, build):
        self.path = os.path.join(build, "mutate-journal.json")

    def restore(self):
        if not os.path.exists(self.path):
            return
        with open(self.path, encoding="utf-8") as f:
            entry = json.load(f)
        with open(os.path.join(ROOT, entry["file"]), "w", encoding="utf-8", errors="surrogateescape",
                  newline="") as f:
            f.write(entry["text"])
        os.remove(self.path)

    def keep(self, rel, text):
        tmp = self.path + ".tmp"
        with open(tmp, "w", encoding="utf-8") as f:
            json.dump({"file": rel, "text": text}, f)
        os.replace(tmp, self.path)


def run(cmd, timeout, **kw):
    try:
        return subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout, **kw).returncode
    except subprocess.TimeoutExpired:
        return None


def configure(build):
    if os.path.exists(os.path.join(build, "build.ninja")):
        return
    cmd = ["cmake", "-S", ROOT, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
           "-DRAILFMT_CLI=OFF", "-DRAILFMT_BENCH=OFF", "-DCMAKE_CXX_FLAGS=-O1"]
    if subprocess.run(cmd, stdout=subprocess.DEVNULL).returncode != 0:
        sys.exit("mutate: cmake could not configure " + build)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--mutants", type=int, default=50, help="how many mutants (default 50)")
    ap.add_argument("--seed", type=int, default=1, help="seed of the draw (default 1)")
    ap.add_argument("--build", default=os.path.join(ROOT, "build-mutate"), help="build folder")
    ap.add_argument("--jobs", type=int, default=2, help="build jobs (default 2)")
    ap.add_argument("--list", action="store_true", help="list the drawn mutants and stop")
    ap.add_argument("--part", default="1/1", metavar="K/N",
                    help="run only the K-th of N interleaved parts of the draw (K from 1), "
                         "so that N clones can share one sample")
    ap.add_argument("--only", action="append", default=[], metavar="PATH",
                    help="draw only from files under PATH (repeatable)")
    args = ap.parse_args()

    build = os.path.abspath(args.build)
    os.makedirs(build, exist_ok=True)
    journal = Journal(build)
    journal.restore()

    all_mutants = candidates()
    if args.only:
        keep = tuple(os.path.normpath(p) for p in args.only)
        all_mutants = [m for m in all_mutants
                       if any(m[0] == k or m[0].startswith(k + os.sep) for k in keep)]
    drawn = random.Random(args.seed).sample(all_mutants, min(args.mutants, len(all_mutants)))
    print(f"mutate: {len(drawn)} of {len(all_mutants)} candidate mutants, seed {args.seed}")
    k, n = (int(x) for x in args.part.split("/"))
    if not 1 <= k <= n:
        sys.exit("mutate: --part K/N needs 1 <= K <= N")
    numbered = [(i, m) for i, m in enumerate(drawn, 1) if (i - 1) % n == k - 1]
    if args.list:
        for rel, no, col, before, after, kind in drawn:
            print(f"  {rel}:{no}: {before} -> {after or '(dropped)'}")
        return 0

    def on_signal(signum, frame):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)  # also when started with SIGINT ignored

    configure(build)
    build_cmd = ["cmake", "--build", build, "--target", TEST_TARGET, "-j", str(args.jobs)]
    test_bin = os.path.join(build, "tests", TEST_TARGET)
    print("mutate: building the unmutated tree ...", flush=True)
    try:
        if run(build_cmd, 1800) != 0 or run([test_bin, "--gtest_brief=1"], 600, cwd=build) != 0:
            sys.exit("mutate: the unmutated tree must build and pass its unit tests first")
    except KeyboardInterrupt:
        print("mutate: interrupted before the first mutant; nothing was changed", file=sys.stderr)
        return 130
    results = {"killed": [], "survived": [], "did not build": []}
    started = time.time()
    try:
        for i, m in numbered:
            rel, no, col, before, after, kind = m
            path = os.path.join(ROOT, rel)
            with open(path, encoding="utf-8", errors="surrogateescape", newline="") as f:
                original = f.read()
            lines = original.split("\n")
            mutated_line = apply(lines, no, col, before, after, kind)
            lines[no - 1] = mutated_line
            journal.keep(rel, original)
            try:
                with open(path, "w", encoding="utf-8", errors="surrogateescape", newline="") as f:
                    f.write("\n".join(lines))
                if run(build_cmd, 900) != 0:
                    verdict = "did not build"
                else:
                    rc = run([test_bin, "--gtest_brief=1", "--gtest_fail_fast"], 300, cwd=build)
                    verdict = "survived" if rc == 0 else "killed"
            finally:
                journal.restore()
            results[verdict].append(m)
            label = after if kind != "drop" else "(dropped)"
            print(f"[{i}/{len(drawn)}] {verdict:13} {rel}:{no}: {before} -> {label}", flush=True)
    except KeyboardInterrupt:
        journal.restore()
        print("mutate: interrupted; the tree is as it was", file=sys.stderr)
        return 130
    finally:
        # The restored file is newer than the objects of its last mutant, so
        # the next build of this folder compiles it again.
        journal.restore()

    killed, survived, broken = (len(results[k]) for k in ("killed", "survived", "did not build"))
    judged = killed + survived
    score = 100.0 * killed / judged if judged else 0.0
    print(f"\nkilled {killed}, survived {survived}, did not build {broken}; "
          f"score {score:.1f}% ({killed}/{judged}) in {time.time() - started:.0f} s")
    if survived:
        print("survivors:")
        for rel, no, col, before, after, kind in results["survived"]:
            print(f"  {rel}:{no}: {before} -> {after or '(dropped)'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
