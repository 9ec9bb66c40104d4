#!/usr/bin/env bash
# Builds the library and runs every test: the release build (all SIMD targets), the Python package,
# a relocated install and the reference check, then the same
# tests under AddressSanitizer + UndefinedBehaviorSanitizer. RUX_SKIP_SANITIZERS=1 skips the second.
set -euo pipefail
cd "$(dirname "$0")/.."
# The Python package's tests compare with numpy, SciPy, OpenCV and scikit-image's photographs.
tools/deps.sh python3-numpy python3-scipy python3-opencv python3-skimage
jobs=$(nproc)
start=$SECONDS
cmake --preset release > /dev/null
cmake --build --preset release -j "$jobs"
echo "release build: $((SECONDS - start)) s"
ctest --preset release -j "$jobs"
# The Python package against the build tree (Debian's interpreter, where the packages above
# live), the interpreter-lock measurement, a relocated install with pkg-config, find_package
# and Python consumers, and the API reference with every export on a page.
start=$SECONDS
export PYTHONDONTWRITEBYTECODE=1
RUXIP_LIBRARY="$PWD/build/release/libruxi.so" PYTHONPATH="$PWD/python" \
  /usr/bin/python3 -m unittest discover -s python/tests
RUXIP_LIBRARY="$PWD/build/release/libruxi.so" PYTHONPATH="$PWD/python" /usr/bin/python3 python/tests/test_ruxip.py
tools/check-install.sh build/release
/usr/bin/python3 tools/gen_reference.py build/reference --check
echo "python, install and reference checks: $((SECONDS - start)) s"
if [ "${RUX_SKIP_SANITIZERS:-0}" != 1 ]; then
  start=$SECONDS
  cmake --preset asan > /dev/null
  cmake --build --preset asan -j "$jobs"
  echo "sanitizer build: $((SECONDS - start)) s"
  ctest --preset asan -j "$jobs"
fi
