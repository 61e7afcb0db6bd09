#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is needed, builds Ferrotap with its tests and runs the whole suite headless.
#   tools/test.sh                 normal build in build/
#   tools/test.sh address,undefined   the suite under AddressSanitizer and UBSan (build-asan/)
#   tools/test.sh thread          the serial layer's and the core's tests under ThreadSanitizer (build-tsan/)
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
export QT_QPA_PLATFORM=offscreen
sanitize="${1:-}"
case "$sanitize" in
  "")
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build -j2
    ctest --test-dir build --output-on-failure -j1
    ;;
  address,undefined)
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFERROTAP_SANITIZE=address,undefined \
      -DFERROTAP_BUILD_BENCH=OFF
    cmake --build build-asan -j2
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
      ctest --test-dir build-asan --output-on-failure -j1
    ;;
  thread)
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFERROTAP_SANITIZE=thread \
      -DFERROTAP_BUILD_BENCH=OFF
    cmake --build build-tsan -j2 --target serial_core_tests core_tests
    # die_after_fork=0: a file test forks a child while other threads run.
    TSAN_OPTIONS=halt_on_error=1:die_after_fork=0 ctest --test-dir build-tsan --output-on-failure \
      -R '^(serial_core_tests|core_tests)$'
    ;;
  *)
    echo "unknown mode: $sanitize" >&2
    exit 2
    ;;
esac
