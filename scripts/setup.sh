#!/usr/bin/env bash
# Installs the Debian packages the build needs, but only those that are missing.
# Safe to run again and again; it does nothing when everything is present.
set -euo pipefail

PACKAGES=(
  g++ clang cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libeigen3-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-liberation2
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libssl-dev
  libsdl2-dev nlohmann-json3-dev
  # The window tests run under a virtual X server and click through it.
  xvfb xdotool
  # References for the chemistry checks: test data and a second toolkit to
  # compare with. They are never linked into the libraries.
  rdkit-data python3-rdkit
)
# The benchmarks measure against other implementations in the same run.
if [[ "${PYX_SETUP_BENCH:-0}" == "1" ]]; then
  PACKAGES+=(libsqlite3-dev librdkit-dev libboost-dev openbabel)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
