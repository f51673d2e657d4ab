#!/usr/bin/env bash
# Builds and runs every test: the full build (core, window under Qt's offscreen platform,
# end-to-end tests on nginx), then the core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/test -j2
(cd build/test && ctest --output-on-failure -j2 --timeout 600)

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DTOVREN_SANITIZE=ON -DTOVREN_WITH_QT=OFF >/dev/null
cmake --build build/asan -j2
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j2 --timeout 600 -L core)
