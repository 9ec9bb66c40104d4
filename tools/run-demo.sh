#!/usr/bin/env bash
# Builds the library and the demo, then runs the demo: it writes PNG images of its steps and an
# index.html contact sheet to build/demo-output (open it in any browser).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake --preset release > /dev/null
cmake --build --preset release --target rux_demo -j "$(nproc)"
mkdir -p build/demo-output
./build/release/examples/rux_demo build/demo-output
echo "contact sheet: build/demo-output/index.html"
