#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is needed, builds Ferrotap and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2 --target ferrotap
exec ./build/ferrotap
