#!/usr/bin/env bash
# Builds Ferrotap for release and makes its Debian package in build-package/.
#   tools/package.sh        prints the path of the .deb it made
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh package >&2
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DFERROTAP_BUILD_TESTS=OFF -DFERROTAP_BUILD_BENCH=OFF >&2
cmake --build build-package -j2 >&2
(cd build-package && cpack -G DEB >&2)
ls "$PWD"/build-package/ferrotap_*.deb
