#!/usr/bin/env bash
# Installs the Debian packages that building (and, with --test, testing) needs.
# Idempotent: nothing is downloaded when everything is already there.
set -euo pipefail

packages=(build-essential cmake pkg-config libcurl4-openssl-dev qt6-base-dev libgl-dev fonts-wqy-microhei)
if [[ "${1:-}" == "--test" ]]; then
  packages+=(libgtest-dev libssl-dev libxml2-utils nginx-light wrk wget openssl time)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
