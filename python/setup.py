# SPDX-FileCopyrightText: 2026 Quelix developers
# SPDX-License-Identifier: MIT
"""Builds the extension module quelix with the project's CMake (the engine, report, series,
constant-set and option libraries live beside this folder, in the repository root) for the
interpreter that runs this build, and hands it to setuptools to install.

Needs cmake, a C++20 compiler and the Debian packages pybind11-dev, python3-dev (or the
headers of the interpreter in use), nlohmann-json3-dev and libcli11-dev; ninja-build is used
when present. QUELIX_CMAKE_ARGS adds arguments to the CMake configuration."""

import os
import re
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent


def project_version():
    """The version of project() in the top-level CMakeLists.txt."""
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"project\(\s*Quelix\s+VERSION\s+([0-9.]+)", text)
    if not match:
        sys.exit(f"setup.py: no project(Quelix VERSION ...) in {ROOT / 'CMakeLists.txt'}")
    return match.group(1)


class CMakeBuild(build_ext):
    """Configures the repository with only the module's layers (no window, tests or
    benchmarks) and builds the target quelix_python."""

    def build_extension(self, ext):
        if not (ROOT / "engine").is_dir():
            sys.exit(f"setup.py: {ROOT} is not the Quelix source tree; install from a "
                     "checkout (pip install --no-build-isolation ./python)")
        build = Path(self.build_temp).resolve() / "cmake"
        build.mkdir(parents=True, exist_ok=True)
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build),
            "-DCMAKE_BUILD_TYPE=Release",
            f"-DPython3_EXECUTABLE={sys.executable}",
            "-DQUELIX_BUILD_PYTHON=ON", "-DQUELIX_BUILD_GUI=OFF",
            "-DQUELIX_BUILD_BENCH=OFF", "-DQUELIX_BUILD_TESTS=OFF",
        ]
        if shutil.which("ninja") and not (build / "CMakeCache.txt").exists():
            configure += ["-G", "Ninja"]
        configure += shlex.split(os.environ.get("QUELIX_CMAKE_ARGS", ""))
        subprocess.run(configure, check=True)
        jobs = str(self.parallel or os.cpu_count() or 1)
        subprocess.run(["cmake", "--build", str(build), "--target", "quelix_python",
                        "-j", jobs], check=True)

        built = sorted((build / "python").glob("quelix.*.so")) or sorted(
            (build / "python").glob("quelix*.so"))
        if not built:
            sys.exit(f"setup.py: the build made no module in {build / 'python'}")
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built[0], target)
        # The type stubs beside the module, where editors and type checkers look.
        shutil.copyfile(HERE / "quelix.pyi", target.parent / "quelix.pyi")


setup(
    version=project_version(),
    ext_modules=[Extension("quelix", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)
