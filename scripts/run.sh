#!/usr/bin/env bash
# Builds the program and starts it. Arguments are passed on (e.g. --crawl ADDRESS).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTOVREN_TESTS=OFF >/dev/null
cmake --build build/release -j2 --target tovren-sitemap
if [[ $# -eq 0 && -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "No display found: the window needs one. Use the headless mode, e.g. scripts/run.sh --crawl example.localhost --all" >&2
  exit 1
fi
exec build/release/tovren-sitemap "$@"
