"""Installs the railfmt package into a fresh virtual environment, as a user
would, and runs its pytest suite with that environment's interpreter.

    venv_install.py REPO_ROOT [LIBRARY]

LIBRARY (an already built librailfmt.so) is handed to the build hook
through RAILFMT_PREBUILT_LIBRARY so the library is not compiled twice; the
package is still built and installed by pip.
"""
import os
import shutil
import subprocess
import sys
import tempfile

root = os.path.abspath(sys.argv[1])
env = {k: v for k, v in os.environ.items()
       if k not in ("PYTHONPATH", "RAILFMT_LIBRARY", "VIRTUAL_ENV")}
env["PYTHONDONTWRITEBYTECODE"] = "1"
if len(sys.argv) > 2:
    env["RAILFMT_PREBUILT_LIBRARY"] = os.path.abspath(sys.argv[2])

work = tempfile.mkdtemp(prefix="railfmt-venv-")
try:
    venv = os.path.join(work, "v")
    # the system interpreter, so the venv sees Debian's numpy, pandas and pytest
    subprocess.check_call(["/usr/bin/python3", "-m", "venv", "--system-site-packages", venv])
    py = os.path.join(venv, "bin", "python")
    subprocess.check_call([py, "-m", "pip", "install", "--quiet", "--no-build-isolation",
                           "--no-index", os.path.join(root, "python") + "[pandas]"],
                          env=env, cwd=work)
    tests = os.path.join(root, "tests", "python_package")
    rc = subprocess.call([py, "-m", "pytest", "-q", "-p", "no:cacheprovider", "--rootdir", tests, tests],
                         env=env, cwd=work)
    sys.exit(rc)
finally:
    shutil.rmtree(work, ignore_errors=True)
