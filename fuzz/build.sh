#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan+UBSan) into build-fuzz/ through
# CMake (-DZUB_FUZZ=ON: the same source lists as the library) and runs each
# for the given seconds (default 60), or only the targets named:
#
#   fuzz/build.sh [SECONDS [TARGET...]]      e.g. fuzz/build.sh 600 method_fuzz
#
# Each target keeps what it finds in build-fuzz/corpus-NAME and starts from
# the checked-in seeds in fuzz/corpus/NAME (read only) and the words of
# fuzz/NAME.dict, where there are such. Exits non-zero when a target does not
# build or a run finds a crash, a leak or undefined behaviour (libFuzzer
# leaves the input in build-fuzz/crash-*). fuzz/README.md says how to run
# longer and on more cores.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
shift || true
out=build-fuzz

cmake -S . -B "$out" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUB_FUZZ=ON -DZUB_TESTS=OFF >/dev/null
cmake --build "$out" --target zub_fuzz

status=0
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
for t in "${targets[@]}"; do
  [ -x "$out/bin/$t" ] || { echo "$t: not built (fuzz/$t.cpp; the WBEM targets need ZUB_WBEM)" >&2; status=1; continue; }
  mkdir -p "$out/corpus-$t"
  args=(-max_total_time="$secs" -max_len=4096)
  [ -f "fuzz/$t.dict" ] && args+=(-dict="../fuzz/$t.dict")
  seeds=()
  [ -d "fuzz/corpus/${t%_fuzz}" ] && seeds+=("../fuzz/corpus/${t%_fuzz}")
  # libFuzzer's progress goes to a log; a failing run shows its end.
  if (cd "$out" && "bin/$t" "${args[@]}" "corpus-$t" "${seeds[@]}" >"$t.log" 2>&1); then
    echo "$t: $(grep -E '^Done [0-9]+ runs' "$out/$t.log" || echo done)"
  else
    tail -n 40 "$out/$t.log" >&2
    echo "$t FAILED: full output in $out/$t.log, the input in $out/crash-* (or leak-*, timeout-*)" >&2
    status=1
  fi
done
exit $status
