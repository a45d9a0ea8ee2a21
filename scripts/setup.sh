#!/usr/bin/env bash
# Installs what the project needs and builds it into build/ (Linux).
# ZUB_BUILD_TYPE picks the CMake build type (default RelWithDebInfo; CI
# builds Release, the shipping configuration).
set -euo pipefail
cd "$(dirname "$0")/.."
ZUB_WINDOWS=${ZUB_WINDOWS:-0} ZUB_FUZZ=${ZUB_FUZZ:-0} scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="${ZUB_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build build
