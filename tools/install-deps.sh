#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages Ferrotap needs to build, run and test.
#   tools/install-deps.sh        build, run and test
#   tools/install-deps.sh fuzz   the same plus clang and libFuzzer for tools/fuzz.sh
#   tools/install-deps.sh package  the same plus what makes and checks the Debian package
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth unrtf fonts-dejavu-core
)
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev)
fi
if [ "${1:-}" = package ]; then
  # dpkg-shlibdeps and file compute the package's dependencies from the binary, dpkg-buildflags
  # gives the hardening flags, lintian checks the package against Debian policy.
  packages+=(dpkg-dev file desktop-file-utils appstream lintian)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
