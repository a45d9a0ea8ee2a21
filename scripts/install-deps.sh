#!/usr/bin/env bash
# Installs every package the project builds, tests and cross-builds with
# (Debian). Safe to run again; needs root (or sudo).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  ccache
  libcpp-httplib-dev libpugixml-dev libssl-dev sblim-wbemcli openssl
  python3
)
# The Windows build: the mingw-w64 cross compiler and Wine to run its tests.
if [ "${ZUB_WINDOWS:-1}" = 1 ]; then
  packages+=(g++-mingw-w64-x86-64 wine64 wine)
fi
# The fuzz targets: clang with its sanitizer and libFuzzer runtimes.
if [ "${ZUB_FUZZ:-1}" = 1 ]; then
  packages+=(clang libclang-rt-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
