#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (ASan+UBSan) into build-fuzz/
# and runs each for the given seconds (default 60):  fuzz/build.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
out=build-fuzz
mkdir -p $out
flags="-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I. -DZUBPROV_BUILD -DABRU2_BUILD"
common=$(ls framework/*.cpp platform/*_posix.cpp)
clang++ $flags fuzz/path_fuzz.cpp $common sim/*.cpp middleware/*.cpp events/*.cpp classes/*.cpp classes/*/*.cpp \
  -o $out/path_fuzz -lpthread
clang++ $flags fuzz/topology_fuzz.cpp sim/*.cpp -o $out/topology_fuzz -lpthread
for t in path_fuzz topology_fuzz; do
  mkdir -p $out/corpus-$t
  $out/$t -max_total_time="$secs" -max_len=4096 $out/corpus-$t
done
