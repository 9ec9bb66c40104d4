#!/usr/bin/env bash
# Installs the release build into a temporary prefix, moves that prefix elsewhere, then builds and
# runs a small C consumer through pkg-config and through find_package(ruxip) against the moved
# install, and imports the Python package from it. Usage: tools/check-install.sh [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
py=/usr/bin/python3
[ -x "$py" ] || py=python3
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cmake --install "$build" --prefix "$root/staged" > /dev/null
mv "$root/staged" "$root/moved"
prefix="$root/moved"
pcdir=$(dirname "$(find "$prefix" -name ruxip.pc | head -1)")
libdir=$(dirname "$(find "$prefix" -name 'libruxi.so' | head -1)")

cat > "$root/consumer.c" <<'C'
#include <stdio.h>
#include "ruxcore.h"
#include "ruxi.h"
/* Adds two 3x2 images with scale factor 1 (ties to even) and checks every sample. */
int main(void) {
  const Rux8u a[6] = {1, 2, 3, 200, 255, 0}, b[6] = {2, 3, 4, 100, 255, 1};
  const Rux8u expect[6] = {2, 2, 4, 150, 255, 0};
  Rux8u d[6] = {0};
  RuxImageSize size = {3, 2};
  if (ruxiAdd_8u_C1RSfs(a, 3, b, 3, d, 3, size, 1) != ruxStatusOk) return 1;
  for (int i = 0; i < 6; ++i)
    if (d[i] != expect[i]) return 2;
  printf("%s: ok\n", ruxiGetLibVersion()->versionText);
  return 0;
}
C

# pkg-config: the flags must name the moved prefix.
flags=$(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags --libs ruxip)
case "$flags" in *"$prefix"*) ;; *) echo "pkg-config flags do not name the install: $flags" >&2; exit 1 ;; esac
cc -std=c99 "$root/consumer.c" -o "$root/pc-consumer" $flags
echo -n "pkg-config consumer: "; LD_LIBRARY_PATH="$libdir" "$root/pc-consumer"

# find_package: the imported targets carry the moved paths (build RPATH included).
mkdir -p "$root/cm"
cat > "$root/cm/CMakeLists.txt" <<'CM'
cmake_minimum_required(VERSION 3.25)
project(consumer C)
find_package(ruxip REQUIRED)
add_executable(consumer ../consumer.c)
target_link_libraries(consumer PRIVATE ruxip::ruxi ruxip::ruxcore)
CM
cmake -S "$root/cm" -B "$root/cm/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" > /dev/null
cmake --build "$root/cm/build" > /dev/null
echo -n "find_package consumer: "; "$root/cm/build/consumer"

# Python: the package finds the library and headers relative to itself.
pydir=$(dirname "$(find "$prefix" -path '*packages/ruxip' -type d | head -1)")
env -u RUXIP_LIBRARY -u RUXIP_INCLUDE -u RUXIP_DATA PYTHONPATH="$pydir" "$py" -c "
import numpy as np, ruxip, sys
assert ruxip._lowlevel.LIBRARY_PATH.startswith(sys.argv[1]), ruxip._lowlevel.LIBRARY_PATH
d = ruxip.add(np.array([[1, 2, 3]], np.uint8), np.array([[2, 3, 4]], np.uint8), scale=1)
assert d.tolist() == [[2, 2, 4]], d
print('python package:', ruxip.version(), 'from', ruxip.__file__)
" "$prefix"
