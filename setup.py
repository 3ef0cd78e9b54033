"""The extension module of `pip install .`: built by the project's CMake build
(target _pairseek), never from a second list of sources here."""
import glob
import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


def version():
    """The C++ library's own version (pairseek::version())."""
    with open(os.path.join(ROOT, "matte", "pairMatte.cpp"), encoding="utf-8") as source:
        return re.search(r'version\(\) \{ return "([^"]+)"', source.read()).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        tree = os.path.join(os.path.abspath(self.build_temp), "cmake")
        configure = ["cmake", "-S", ROOT, "-B", tree, "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=OFF",
                     "-DPAIRSEEK_HOST_MODULES=OFF", "-DPAIRSEEK_PYTHON_REQUIRED=ON",
                     f"-DPython3_EXECUTABLE={sys.executable}"]
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", tree, "--target", "_pairseek", "-j", jobs], check=True)
        built = glob.glob(os.path.join(tree, "python", "pairseek", "_pairseek*" + os.path.splitext(
            self.get_ext_filename("x"))[1]))
        if len(built) != 1:
            raise RuntimeError(f"the CMake build left {len(built)} extension modules in {tree}/python/pairseek")
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(built[0], target)


setup(version=version(), ext_modules=[Extension("pairseek._pairseek", sources=[])], cmdclass={"build_ext": CMakeBuild})
