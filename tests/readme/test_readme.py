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
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.abspath(os.environ.get("RAILFMT_SOURCE_DIR", os.path.join(HERE, "..", "..")))
BUILD = os.path.abspath(os.environ.get("RAILFMT_BUILD_DIR", os.path.join(SOURCE, "build")))
TOOL = os.path.join(BUILD, "railfmt")
sys.path[:0] = [HERE, os.path.join(HERE, "..", "support")]
import check_tour  # noqa: E402
from scriptkit import ScratchTest, read  # noqa: E402

README = read(os.path.join(SOURCE, "README.md")).decode("utf-8")


def block_after(lang, marker):
    """The first fenced block of this language after the first occurrence of
    marker (a phrase of the README's prose)."""
    at = README.find(marker)
    blocks = [m.group(2) for m in re.finditer(r"^```(\w*)\n(.*?)^```$", README, re.S | re.M)
              if at >= 0 and m.start() > at and m.group(1) == lang]
    if not blocks:
        raise AssertionError("README: no ```%s block after %r" % (lang, marker))
    return blocks[0]


def bash(script, *args, **kw):  # (exit code, stdout, stderr)
    p = subprocess.run(["bash", *args, script], capture_output=True, **kw)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


class DemoTest(unittest.TestCase):
    def test_demo_passes_twenty_times_in_a_row(self):
        runs = [bash(os.path.join(SOURCE, "tools", "demo.sh")) for _ in range(20)]
        self.assertEqual([rc for rc, _, _ in runs], [0] * 20, runs[-1][2])
        for shown in ("railfmt is %s" % TOOL, 'export PATH="%s:$PATH"' % BUILD, "make install-local"):
            self.assertIn(shown, runs[-1][1])


class TourTest(unittest.TestCase):
    def test_readme_shows_what_the_tour_prints(self):
        rc, out, _ = bash(os.path.join(SOURCE, "tools", "tour.sh"))
        transcript = [l.rstrip() for l in out.splitlines()]
        self.assertEqual(rc, 0, "\n".join(transcript[-20:]))
        self.assertFalse([l for l in transcript if l.startswith("tour: ")])
        readme = check_tour.tour_lines(README)
        self.assertIsNone(check_tour.compare(readme, transcript))
        # a drifted README is caught: output lines changed, a command changed, a command left out
        shown = [i for i, l in enumerate(readme) if l != "..." and not l.startswith("$ ")]
        commands = [i for i, l in enumerate(readme) if l.startswith("$ ")]
        for i in (shown[0], shown[len(shown) // 2], shown[-1], commands[-1], commands[3]):
            for drifted in (re.sub(r"\d", "9", readme[i]) + " (old)", None):
                lines = readme[:i] + [drifted] * (drifted is not None) + readme[i + 1:]
                self.assertIsNotNone(check_tour.compare(lines, transcript), (readme[i], drifted))
        # the tour makes the folders it uses before it uses them
        commands = [readme[k][2:] for k in commands]
        for folder in ("dl", "downloads"):
            made = [k for k, c in enumerate(commands) if re.search(r"\bmkdir (-p )?%s\b" % folder, c)]
            used = [k for k, c in enumerate(commands) if re.search(r"(--from |batch )%s\b" % folder, c)]
            self.assertTrue(made and used and made[0] < used[0], folder)


class ExampleTest(ScratchTest):
    """Runs a README example in a scratch folder like the tour's (the example
    files and the raw download RUN1.37) and compares its output with the
    ```text block the README shows after the marker."""

    def run_example(self, marker, name, code, command, env):
        work = self.path("work")
        shutil.copytree(os.path.join(SOURCE, "examples"), os.path.join(work, "examples"))
        subprocess.run([TOOL, "sample", "--kind", "l2000", "--seed", "7", "-o", "RUN1.37"], cwd=work, check=True,
                       capture_output=True)
        with open(os.path.join(work, name), "w", encoding="utf-8") as f:
            f.write(code)
        rc, out, err = bash(command, "-e", "-c", cwd=work, env=env)
        self.assertEqual(rc, 0, err)
        self.assertEqual([l.rstrip() for l in out.splitlines()],
                         [l.rstrip() for l in block_after("text", marker).splitlines()])
        return work


def clean_env(*drop):
    return {k: v for k, v in os.environ.items() if k not in drop}


class PythonExampleTest(ExampleTest):
    def test_the_python_example_runs_as_shown(self):
        # the README's install step: the package installed with pip into a fresh venv made with
        # Debian's python3, the library already built handed to the package build
        env = clean_env("PYTHONPATH", "RAILFMT_LIBRARY", "VIRTUAL_ENV")
        env.update(PYTHONDONTWRITEBYTECODE="1", RAILFMT_PREBUILT_LIBRARY=os.path.join(BUILD, "librailfmt.so"))
        venv = self.path("v")
        subprocess.run(["/usr/bin/python3", "-m", "venv", "--system-site-packages", venv], check=True)
        make, pip = (part.strip() for part in block_after("sh", "The Python package `railfmt` carries").split("&&"))
        self.assertTrue(make.endswith(" v") and pip.startswith("v/bin/pip "), pip)
        subprocess.run(venv + pip[1:] + " --quiet --no-index", shell=True, cwd=SOURCE, env=env, check=True)
        env.pop("RAILFMT_PREBUILT_LIBRARY")
        marker = "Then, with `v/bin/python`"
        self.run_example(marker, "example.py", block_after("python", marker),
                         os.path.join(venv, "bin", "python") + " example.py", env)


class CExampleTest(ExampleTest):
    def test_the_c_host_example_builds_against_the_installed_package_and_runs(self):
        # the README's install step (make install-local) with HOME in a scratch folder
        home = self.path("home")
        subprocess.run(["cmake", "--install", BUILD, "--prefix", os.path.join(home, ".local")],
                       check=True, capture_output=True)
        env = clean_env("LD_LIBRARY_PATH", "PKG_CONFIG_PATH")
        env.update(HOME=home, PATH=os.path.join(home, ".local", "bin") + os.pathsep + env["PATH"])
        marker = "Built against the installed package"
        work = self.run_example(marker, "host.c", block_after("c", "A whole program, `host.c`"),
                                block_after("sh", marker), env)
        ldd = subprocess.run(["ldd", os.path.join(work, "host")], capture_output=True, text=True).stdout
        self.assertIn(os.path.join(home, ".local"), ldd)  # the installed library, not the build's


if __name__ == "__main__":
    unittest.main()
