"""A newcomer's first hour, as tests: the demo passes every time, the README's
tour is what tools/tour.sh prints, and the README's Python and C examples run
as shown.

Environment: RAILFMT_SOURCE_DIR (the checkout), RAILFMT_BUILD_DIR (its build/
folder, holding the tool and the library)."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.path.abspath(os.environ.get("RAILFMT_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", "..")))
BUILD = os.path.abspath(os.environ.get("RAILFMT_BUILD_DIR", os.path.join(SOURCE, "build")))
README = os.path.join(SOURCE, "README.md")
TOOL = os.path.join(BUILD, "railfmt")

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_tour  # noqa: E402


def readme_text():
    with open(README, encoding="utf-8") as f:
        return f.read()


def block_after(text, lang, marker):
    """The first fenced block of this language that starts after the first
    occurrence of marker (a phrase of the README's prose)."""
    at = text.find(marker)
    if at < 0:
        raise AssertionError("README: the text %r is gone" % marker)
    for m in re.finditer(r"^```(\w*)\n(.*?)^```$", text, re.S | re.M):
        if m.start() > at and m.group(1) == lang:
            return m.group(2)
    raise AssertionError("README: no ```%s block after %r" % (lang, marker))


def scratch_like_the_tour(folder):
    """What the tour leaves in its scratch folder and the examples use: the
    example files and the raw download RUN1.37."""
    shutil.copytree(os.path.join(SOURCE, "examples"), os.path.join(folder, "examples"))
    subprocess.run([TOOL, "sample", "--kind", "l2000", "--seed", "7", "-o", "RUN1.37"], cwd=folder,
                   check=True, capture_output=True)


class DemoTest(unittest.TestCase):
    def test_demo_passes_twenty_times_in_a_row(self):
        results = []
        for _ in range(20):
            p = subprocess.run(["bash", os.path.join(SOURCE, "tools", "demo.sh")], capture_output=True)
            results.append(p.returncode)
        self.assertEqual(results, [0] * 20, p.stderr.decode(errors="replace"))
        out = p.stdout.decode(errors="replace")
        self.assertIn("railfmt is %s" % TOOL, out)
        self.assertIn('export PATH="%s:$PATH"' % BUILD, out)
        self.assertIn("make install-local", out)


class TourTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        p = subprocess.run(["bash", os.path.join(SOURCE, "tools", "tour.sh")], capture_output=True)
        cls.rc = p.returncode
        cls.transcript = [l.rstrip() for l in p.stdout.decode("utf-8", "replace").splitlines()]
        cls.readme = check_tour.tour_lines(readme_text())

    def test_every_command_of_the_tour_succeeds(self):
        self.assertEqual(self.rc, 0, "\n".join(self.transcript[-20:]))
        self.assertFalse([l for l in self.transcript if l.startswith("tour: ")])

    def test_readme_shows_what_the_tour_prints(self):
        self.assertEqual(check_tour.compare(self.readme, self.transcript), [])

    def test_a_drifted_readme_is_caught(self):
        shown = [i for i, l in enumerate(self.readme) if l != "..." and not l.startswith("$ ")]
        commands = [i for i, l in enumerate(self.readme) if l.startswith("$ ")]
        self.assertTrue(shown and commands)
        for i in (shown[0], shown[len(shown) // 2], shown[-1]):  # output lines changed
            drifted = list(self.readme)
            drifted[i] = re.sub(r"\d", "9", drifted[i]) + " (old)"
            self.assertNotEqual(check_tour.compare(drifted, self.transcript), [], drifted[i])
        drifted = list(self.readme)
        drifted[commands[-1]] += " --old-option"  # a command changed
        self.assertNotEqual(check_tour.compare(drifted, self.transcript), [])
        drifted = [l for k, l in enumerate(self.readme) if k != commands[3]]  # a command left out
        self.assertNotEqual(check_tour.compare(drifted, self.transcript), [])

    def test_the_tour_creates_the_folders_it_uses(self):
        commands = [l[2:] for l in self.readme if l.startswith("$ ")]
        for folder in ("dl", "downloads"):
            made = [k for k, c in enumerate(commands) if re.search(r"\bmkdir (-p )?%s\b" % folder, c)]
            used = [k for k, c in enumerate(commands) if re.search(r"(--from |batch )%s\b" % folder, c)]
            self.assertTrue(made and used and made[0] < used[0], folder)


# The README's phrases that introduce the examples.
PYTHON_INSTALL = "The Python package `railfmt` carries"
PYTHON_EXAMPLE = "Then, with `v/bin/python`"
C_EXAMPLE = "A whole program, `host.c`"
C_BUILD = "Built against the installed package"


# ---------------------------------------------------------------- Python
def python_for_readme(checkout, work):
    """The interpreter and environment the README's Python example runs with
    after the README's install step: the package installed with pip into a
    fresh virtual environment made with Debian's python3. The library the
    build already made is handed to the package build (RAILFMT_PREBUILT_LIBRARY)
    so that it is not compiled a second time; pip still builds and installs
    the package."""
    env = {k: v for k, v in os.environ.items() if k not in ("PYTHONPATH", "RAILFMT_LIBRARY", "VIRTUAL_ENV")}
    env["PYTHONDONTWRITEBYTECODE"] = "1"
    env["RAILFMT_PREBUILT_LIBRARY"] = os.path.join(BUILD, "librailfmt.so")
    venv = os.path.join(work, "v")
    subprocess.run(["/usr/bin/python3", "-m", "venv", "--system-site-packages", venv], check=True)
    line = block_after(readme_text(), "sh", PYTHON_INSTALL).strip()
    make, pip = (part.strip() for part in line.split("&&"))
    assert make.endswith(" v") and pip.startswith("v/bin/pip "), line
    # The README's pip command, in the checkout, with this test's venv for v/.
    subprocess.run(venv + pip[1:] + " --quiet --no-index", shell=True, cwd=checkout, env=env, check=True)
    env.pop("RAILFMT_PREBUILT_LIBRARY")
    return [os.path.join(venv, "bin", "python")], env


class PythonExampleTest(unittest.TestCase):
    def test_the_python_example_runs_as_shown(self):
        text = readme_text()
        code = block_after(text, "python", PYTHON_EXAMPLE)
        expected = block_after(text, "text", PYTHON_EXAMPLE)
        work = tempfile.mkdtemp(prefix="railfmt-readme-py-")
        try:
            scratch_like_the_tour(work)
            with open(os.path.join(work, "example.py"), "w", encoding="utf-8") as f:
                f.write(code)
            python, env = python_for_readme(SOURCE, work)
            p = subprocess.run(python + ["example.py"], cwd=work, env=env, capture_output=True)
            self.assertEqual(p.returncode, 0, p.stderr.decode(errors="replace"))
            shown = [l.rstrip() for l in expected.splitlines()]
            self.assertEqual([l.rstrip() for l in p.stdout.decode("utf-8").splitlines()], shown)
        finally:
            shutil.rmtree(work, ignore_errors=True)


# ---------------------------------------------------------------- C
class CExampleTest(unittest.TestCase):
    def test_the_c_host_example_builds_against_the_installed_package_and_runs(self):
        text = readme_text()
        program = block_after(text, "c", C_EXAMPLE)
        build_and_run = block_after(text, "sh", C_BUILD)
        expected = block_after(text, "text", C_BUILD)
        home = tempfile.mkdtemp(prefix="railfmt-readme-c-")
        try:
            # the README's install step (make install-local) with HOME here
            subprocess.run(["cmake", "--install", BUILD, "--prefix", os.path.join(home, ".local")],
                           check=True, capture_output=True)
            work = os.path.join(home, "tour")
            os.makedirs(work)
            scratch_like_the_tour(work)
            with open(os.path.join(work, "host.c"), "w", encoding="utf-8") as f:
                f.write(program)
            env = {k: v for k, v in os.environ.items() if k not in ("LD_LIBRARY_PATH", "PKG_CONFIG_PATH")}
            env["HOME"] = home
            env["PATH"] = os.path.join(home, ".local", "bin") + os.pathsep + env["PATH"]  # as the README says
            p = subprocess.run(["bash", "-e", "-c", build_and_run], cwd=work, env=env, capture_output=True)
            self.assertEqual(p.returncode, 0, p.stderr.decode(errors="replace"))
            shown = [l.rstrip() for l in expected.splitlines()]
            self.assertEqual([l.rstrip() for l in p.stdout.decode("utf-8").splitlines()], shown)
            # the program found the installed library, not the build's
            ldd = subprocess.run(["ldd", os.path.join(work, "host")], capture_output=True, text=True).stdout
            self.assertIn(os.path.join(home, ".local"), ldd)
        finally:
            shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
