#!/usr/bin/env bash
# Builds the program and starts it. Arguments are passed on (e.g. --crawl ADDRESS).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTOVREN_TESTS=OFF >/dev/null
cmake --build build/release -j2 --target tovren-sitemap
# Without a display the program says so in one line and points to the headless mode.
exec build/release/tovren-sitemap "$@"
