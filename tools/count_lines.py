#!/usr/bin/env python3
"""Lines of tests against lines of code.

    tools/count_lines.py [--verbose]

Counts non-blank, non-comment lines of tests/ (golden data files included)
and of the code folders src/, include/, cli/, tools/ and python/, and prints
both and their ratio. The project keeps the ratio between 0.28 and 0.38.

Comments: // and /* */ in C and C++ files; # in Python, shell and CMake
files; in Python a string that stands alone as a statement (a docstring)
counts as a comment too. Markdown files and binary files are not counted;
every other text file (golden data) counts each non-blank line.
"""

import io
import os
import subprocess
import sys
import tokenize

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TESTS = ["tests"]
CODE = ["src", "include", "cli", "tools", "python"]
C_LIKE = {".c", ".cc", ".cpp", ".h", ".hpp", ".inc"}
HASH = {".sh", ".cmake", ".in", ".toml", ".txt", ".gitignore", ".typed"}
SKIP_EXT = {".md"}
SKIP_DIRS = {"__pycache__", ".pytest_cache"}


def c_lines(text):
    count, in_block = 0, False
    for line in text.splitlines():
        code, i, n = [], 0, len(line)
        quote = None
        while i < n:
            c = line[i]
            if in_block:
                if line.startswith("*/", i):
                    in_block, i = False, i + 2
                else:
                    i += 1
                continue
            if quote:
                code.append(c)
                if c == "\\":
                    code.append(line[i + 1:i + 2])
                    i += 2
                    continue
                if c == quote:
                    quote = None
                i += 1
                continue
            if line.startswith("//", i):
                break
            if line.startswith("/*", i):
                in_block, i = True, i + 2
                continue
            if c in "\"'":
                quote = c
            code.append(c)
            i += 1
        if "".join(code).strip():
            count += 1
    return count


def hash_lines(text):
    return sum(1 for line in text.splitlines() if line.strip() and not line.strip().startswith("#"))


def python_lines(text):
    code = set()
    try:
        tokens = list(tokenize.generate_tokens(io.StringIO(text).readline))
    except (tokenize.TokenError, SyntaxError):
        return hash_lines(text)
    skip = {tokenize.COMMENT, tokenize.NL, tokenize.NEWLINE, tokenize.INDENT,
            tokenize.DEDENT, tokenize.ENDMARKER}
    logical = []
    for tok in tokens:
        if tok.type in skip:
            if tok.type == tokenize.NEWLINE and logical:
                if not (len(logical) == 1 and logical[0].type == tokenize.STRING):
                    for t in logical:
                        code.update(range(t.start[0], t.end[0] + 1))
                logical = []
            continue
        logical.append(tok)
    for t in logical:
        code.update(range(t.start[0], t.end[0] + 1))
    lines = text.splitlines()
    return sum(1 for no in code if 0 < no <= len(lines) and lines[no - 1].strip())


def count_file(path):
    name = os.path.basename(path)
    ext = os.path.splitext(name)[1].lower() or name.lower()
    if ext in SKIP_EXT:
        return None
    with open(path, "rb") as f:
        data = f.read()
    if b"\0" in data:
        return None
    text = data.decode("utf-8", errors="replace")
    if ext in C_LIKE:
        return c_lines(text)
    if ext == ".py" or text.startswith("#!/usr/bin/env python"):
        return python_lines(text)
    if ext in HASH or name == "CMakeLists.txt" or text.startswith("#!"):
        return hash_lines(text)
    return sum(1 for line in text.splitlines() if line.strip())


def files_of(folder):
    """The files of a folder that git tracks (build products left out); in a
    tree without git, every file under it."""
    try:
        out = subprocess.run(["git", "-C", ROOT, "ls-files", "-z", "--", folder],
                             capture_output=True, check=True).stdout
        return sorted(os.path.join(ROOT, p) for p in out.decode("utf-8", "replace").split("\0") if p)
    except (OSError, subprocess.CalledProcessError):
        paths = []
        for dirpath, dirs, files in os.walk(os.path.join(ROOT, folder)):
            dirs[:] = sorted(d for d in dirs if d not in SKIP_DIRS)
            paths.extend(os.path.join(dirpath, name) for name in sorted(files))
        return paths


def count(folders, verbose):
    total = 0
    for folder in folders:
        for path in files_of(folder):
            if not os.path.isfile(path):
                continue
            n = count_file(path)
            if n is None:
                continue
            if verbose:
                print(f"{n:7d} {os.path.relpath(path, ROOT)}")
            total += n
    return total


def main():
    verbose = "--verbose" in sys.argv[1:]
    tests = count(TESTS, verbose)
    code = count(CODE, verbose)
    ratio = tests / code if code else 0.0
    print(f"test lines {tests}, code lines {code} ({', '.join(CODE)}); ratio {ratio:.2f} (target 0.28-0.38)")


if __name__ == "__main__":
    main()
