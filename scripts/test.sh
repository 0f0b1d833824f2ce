#!/bin/sh
# Installs what is missing, builds Tessel and runs every test.
# BUILD_DIR (default: build) selects the build folder.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$top/build}"

"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
