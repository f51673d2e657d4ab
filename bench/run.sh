#!/usr/bin/env bash
# The crawl benchmark, one command: builds the Release program, installs the peer crawler from
# npm (version pinned in bench/package.json), generates a site of 5,000 pages, serves it with
# nginx on 127.0.0.1, crawls it with our headless mode, GNU wget and sitemap-generator-cli,
# measures nginx with wrk, and prints one table.
# Options (environment): BENCH_PAGES (5000), BENCH_RUNS (1; >1 keeps each tool's median run),
# BENCH_SKIP_THROTTLED=1 leaves out the peer CLI with its defaults, whose crawler starts at most
# four requests a second (about 25 minutes for 5,000 pages).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
pages=${BENCH_PAGES:-5000}
runs=${BENCH_RUNS:-1}

scripts/install-deps.sh --test
if ! command -v npm >/dev/null; then
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi

cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTOVREN_TESTS=OFF -DTOVREN_WITH_QT=OFF >/dev/null
cmake --build build/bench -j2 --target tovren-sitemap >/dev/null
(cd bench && npm install --no-audit --no-fund --loglevel=error >/dev/null)

source tests/e2e/nginx_site.sh
work=$(mktemp -d /tmp/tovren_bench.XXXXXX)
cleanup() {
  stop_nginx
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

port=$(free_port)
python3 tests/e2e/make_site.py --out "$work" --host 127.0.0.1 --port "$port" --pages "$pages" \
  --min-links 10 --max-links 30 --skip-links --seed 11 >&2
start_nginx "$work/site" "$port" "$work/nginx" 127.0.0.1 2

python3 bench/bench.py --program "$repo/build/bench/tovren-sitemap" --typed "127.0.0.1:$port" \
  --work "$work" --expected "$work/expected.json" --paths "$work/paths.txt" \
  --access-log "$work/nginx/access.log" --peer "$repo/bench/node_modules/.bin/sitemap-generator" \
  --peer-unthrottled "$repo/bench/peer_unthrottled.js" \
  --runs "$runs" ${BENCH_SKIP_THROTTLED:+--skip-throttled}
