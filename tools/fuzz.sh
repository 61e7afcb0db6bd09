#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets of fuzz/ with clang, ASan and UBSan in build-fuzz/ and runs each for
# the given seconds (default 60), starting from its seeds in fuzz/corpus/NAME/. Inputs found go
# to build-fuzz/corpus/NAME/, failing ones to build-fuzz/crashes/; logs to build-fuzz/logs/.
#   tools/fuzz.sh [seconds] [target...]
# Exit status 1 when a target found a fault.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
bash tools/install-deps.sh fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFERROTAP_FUZZ=ON -DFERROTAP_BUILD_TESTS=OFF -DFERROTAP_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j2 --target ferrotap_fuzz_targets
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
# The readers of lines and the decoder get inputs long enough for a line well past 10 000
# characters (a grid cell of 32767 escaped three times over) and a packet past its 64 KB bound.
declare -A max_len=([ast_file]=131072 [pst_file]=262144 [pdt_file]=131072 [cps_file]=131072
                    [fly_file]=131072 [key_value]=131072 [packet_decoder]=262144)
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
mkdir -p build-fuzz/crashes build-fuzz/logs
status=0
for target in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$target"
  log="build-fuzz/logs/$target.log"
  mkdir -p "$corpus"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="build-fuzz/crashes/$target-")
  [ -f "fuzz/dict/$target.dict" ] && options+=(-dict="fuzz/dict/$target.dict")
  [ -n "${max_len[$target]:-}" ] && options+=(-max_len="${max_len[$target]}")
  if "build-fuzz/fuzz/fuzz_$target" "${options[@]}" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target: clean, ${runs:-?} runs in ${seconds} s"
  else
    echo "$target: FAULT, see $log; the input is in build-fuzz/crashes/"
    grep -m1 -A12 -E 'ERROR|property failed|runtime error' "$log" || tail -20 "$log"
    status=1
  fi
done
exit $status
