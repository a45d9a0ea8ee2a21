#!/usr/bin/env bash
# windows-test.sh: runs the whole test suite of a Windows build under Wine,
# through ctest in that build folder.
#
#   scripts/windows-test.sh [BUILD_DIR]    (default /work/build-win)
#
# Wine gets a prefix of its own under the build folder, made once, without
# a display and without asking to install Mono or Gecko. Extra ctest options
# may be passed in ZUB_CTEST_ARGS.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-/work/build-win}" && pwd)"
# shellcheck source=scripts/windows-wine-env.sh
. "$root/scripts/windows-wine-env.sh" "$build"

cd "$build"
# shellcheck disable=SC2086  # ZUB_CTEST_ARGS is a list of options
ctest --output-on-failure --timeout 600 -j "$(nproc)" ${ZUB_CTEST_ARGS:-}
