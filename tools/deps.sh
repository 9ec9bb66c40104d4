#!/usr/bin/env bash
# Installs the Debian packages the build needs when they are missing (as root), or names them.
# Usage: tools/deps.sh [extra packages...]
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config python3 libhwy-dev libgtest-dev libbenchmark-dev "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
else
  echo "missing packages: ${missing[*]} (run: sudo apt-get install ${missing[*]})" >&2
  exit 1
fi
