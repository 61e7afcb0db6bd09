#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Ferrotap for release and makes its Debian package in build-package/.
#   tools/package.sh        prints the path of the .deb it made
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh package >&2
# Debian's own hardening flags (fortified functions, stack protector, read-only relocations bound
# at start); the release build type chooses the optimisation, and the package carries no debug
# information. No file-prefix map: it names the clone's folder, so every clone would miss the shared
# compiler cache, and the compiler cache already compiles with paths relative to the source tree.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all reproducible=-fixfilepath,-fixdebugpath" DEB_CXXFLAGS_MAINT_STRIP="-g -O2"
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DFERROTAP_BUILD_TESTS=OFF -DFERROTAP_BUILD_BENCH=OFF >&2
cmake --build build-package -j2 >&2
(cd build-package && cpack -G DEB >&2)
ls "$PWD"/build-package/ferrotap_*.deb
