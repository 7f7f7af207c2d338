"""Build hook of the railfmt Python package.

build_py builds the shared library from the repository's sources with CMake
(or takes the one named by RAILFMT_PREBUILT_LIBRARY) and places it inside the
package, together with the ctypes core python/railfmt.py as railfmt/core.py.
The metadata lives in pyproject.toml.
"""

import os
import shutil
import subprocess
import sys
import tempfile

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CORE = os.path.join(HERE, "railfmt.py")
LIB_NAME = "railfmt.dll" if sys.platform == "win32" else "librailfmt.so"


def _build_library(work):
    """Configures and builds only the shared-library target; answers its path."""
    build = os.path.join(work, "cmake-build")
    config = [
        "cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
        "-DRAILFMT_TESTS=OFF", "-DRAILFMT_CLI=OFF", "-DRAILFMT_BENCH=OFF",
    ]
    if shutil.which("ninja"):
        config += ["-G", "Ninja"]
    subprocess.check_call(config)
    jobs = os.environ.get("RAILFMT_BUILD_JOBS", "2")
    subprocess.check_call(["cmake", "--build", build, "--target", "railfmt", "-j", jobs])
    path = os.path.join(build, LIB_NAME)
    if not os.path.exists(path):
        raise RuntimeError("the CMake build did not produce %s" % path)
    return path


class BuildWithLibrary(build_py):
    def run(self):
        super().run()
        if not os.path.exists(CORE):
            raise RuntimeError("%s is missing: install from the repository's python folder" % CORE)
        target = os.path.join(self.build_lib, "railfmt")
        os.makedirs(target, exist_ok=True)
        shutil.copyfile(CORE, os.path.join(target, "core.py"))
        prebuilt = os.environ.get("RAILFMT_PREBUILT_LIBRARY")
        if prebuilt:
            if not os.path.isfile(prebuilt):
                raise RuntimeError("RAILFMT_PREBUILT_LIBRARY=%s is not a file" % prebuilt)
            shutil.copyfile(prebuilt, os.path.join(target, LIB_NAME))
            return
        with tempfile.TemporaryDirectory(prefix="railfmt-build-") as work:
            shutil.copyfile(_build_library(work), os.path.join(target, LIB_NAME))


class BinaryDistribution(Distribution):
    """The package carries a native library: the wheel is platform-specific."""

    def has_ext_modules(self):
        return True


setup(cmdclass={"build_py": BuildWithLibrary}, distclass=BinaryDistribution)
