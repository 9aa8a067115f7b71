#!/bin/sh
# The whole test suite: the native unit tests (ASan, UBSan) and the Windows build with its tests under
# Wine in a throwaway prefix under build/win64.
set -eu
cd "$(dirname "$0")/.."
sh tools/install-deps.sh
start=$(date +%s)
cmake --preset native
cmake --build --preset native -j2
ctest --preset native -j2
cmake --preset win64
cmake --build --preset win64 -j2
ctest --preset win64 -j2
echo "Test suite passed in $(( $(date +%s) - start )) s"
