#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan+UBSan) into build-fuzz/ through
# CMake (-DZUB_FUZZ=ON: the same source lists as the library) and runs each
# for the given seconds (default 60):
#
#   fuzz/build.sh [SECONDS]
#
# Each target keeps its corpus in build-fuzz/corpus-NAME. Exits non-zero when
# a target does not build or a run finds a crash, a leak or undefined
# behaviour (libFuzzer leaves the input in build-fuzz/crash-*).
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
out=build-fuzz

cmake -S . -B "$out" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUB_FUZZ=ON -DZUB_TESTS=OFF >/dev/null
cmake --build "$out" --target zub_fuzz

status=0
for source in fuzz/*_fuzz.cpp; do
  t=$(basename "$source" .cpp)
  mkdir -p "$out/corpus-$t"
  # libFuzzer's progress goes to a log; a failing run shows its end.
  if (cd "$out" && "bin/$t" -max_total_time="$secs" -max_len=4096 "corpus-$t" >"$t.log" 2>&1); then
    echo "$t: $(grep -E '^Done [0-9]+ runs' "$out/$t.log" || echo done)"
  else
    tail -n 40 "$out/$t.log" >&2
    echo "$t FAILED: full output in $out/$t.log, the input in $out/crash-* (or leak-*, timeout-*)" >&2
    status=1
  fi
done
exit $status
