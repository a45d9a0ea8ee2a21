#!/usr/bin/env bash
# windows-build.sh: cross-builds the whole project for 64-bit Windows with
# mingw-w64 (toolchain in cmake/mingw-w64.cmake).
#
#   scripts/windows-build.sh [BUILD_DIR]    (default /work/build-win)
#
# It builds Release, the configuration that ships. Extra CMake options may be
# passed in ZUB_CMAKE_ARGS (e.g. -DCMAKE_BUILD_TYPE=Debug, which wins).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-/work/build-win}"

generator=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null; then
  generator=(-G Ninja)
fi

# shellcheck disable=SC2086  # ZUB_CMAKE_ARGS is a list of options
cmake -S "$root" -B "$build" "${generator[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release ${ZUB_CMAKE_ARGS:-}
cmake --build "$build" --parallel "$(nproc)"
