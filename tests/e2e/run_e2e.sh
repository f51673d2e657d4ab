#!/usr/bin/env bash
# End-to-end test: generates a nested site of a few hundred pages, serves it with nginx on
# 127.0.0.1, crawls it with the headless program in both scopes (with --dedup and --out), and
# checks the printed table and the sitemap files against the pages the generator expects.
# Usage: run_e2e.sh PATH/TO/tovren-sitemap
set -euo pipefail

program=$(realpath "${1:?usage: run_e2e.sh PATH/TO/tovren-sitemap}")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/nginx_site.sh"

if ! command -v nginx >/dev/null && [[ ! -x /usr/sbin/nginx ]] || ! command -v xmllint >/dev/null; then
  "$here/../../scripts/install-deps.sh" --test
fi

work=$(mktemp -d /tmp/tovren_e2e.XXXXXX)
cleanup() {
  stop_nginx
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

host=www.e2esite.localhost
port=$(free_port)
python3 "$here/make_site.py" --out "$work" --host "$host" --port "$port" --pages 650 \
  --min-links 4 --max-links 9 --traps --seed 7
start_nginx "$work/site" "$port" "$work/nginx" "$host"

status=0
for scope in second all; do
  args=(--crawl "$host:$port" --dedup --out "$work/out-$scope")
  [[ $scope == all ]] && args+=(--all)
  rc=0
  timeout 120 "$program" "${args[@]}" >"$work/$scope.tsv" 2>"$work/$scope.err" || rc=$?
  tail -n 1 "$work/$scope.err"
  if [[ $rc -ne 0 ]]; then
    echo "FAIL ($scope): exit status $rc" >&2
    tail -n 20 "$work/$scope.err" >&2
    status=1
    continue
  fi
  python3 "$here/check_result.py" --expected "$work/expected.json" --scope "$scope" \
    --table "$work/$scope.tsv" --out "$work/out-$scope" --per-file 500 || status=1
done
exit $status
