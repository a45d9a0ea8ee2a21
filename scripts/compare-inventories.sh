#!/usr/bin/env bash
# compare-inventories.sh: lists every class on the built-in topology with
# the Linux build's zubcim and, under Wine, with the Windows build's, and
# diffs the JSON. Both must give the same records; only EventTime (the
# local time of building) may differ.
#
#   scripts/compare-inventories.sh LINUX_BUILD WIN_BUILD
#
# Exits 0 when the inventories match, 1 when they differ, 2 on bad use or
# when a zubcim fails.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 LINUX_BUILD WIN_BUILD" >&2
  exit 2
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
lin_exe="$1/bin/zubcim"
win_build="$(cd "$2" && pwd)"
win_exe="$win_build/bin/zubcim.exe"
for exe in "$lin_exe" "$win_exe"; do
  if [ ! -f "$exe" ]; then
    echo "$exe not found; build it first" >&2
    exit 2
  fi
done
# shellcheck source=scripts/windows-wine-env.sh
. "$root/scripts/windows-wine-env.sh" "$win_build"

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

# A fixed computer name: the host name would differ between runs anyway.
common=(--json --computer-name ZUBCOMPARE)

class_args=(list --all)

# Wine's console turns line ends into CR LF; EventTime is the clock.
normalise() {
  tr -d '\r' | sed -E 's/"EventTime": *"([^"\\]|\\.)*"/"EventTime":"<time>"/g'
}

if ! "$lin_exe" "${common[@]}" "${class_args[@]}" >"$out/linux.raw" 2>"$out/linux.err"; then
  echo "Linux zubcim failed:" >&2
  cat "$out/linux.err" >&2
  exit 2
fi
if ! wine "$win_exe" "${common[@]}" "${class_args[@]}" >"$out/windows.raw" 2>"$out/windows.err"; then
  echo "Windows zubcim failed under Wine:" >&2
  cat "$out/windows.err" >&2
  exit 2
fi
normalise <"$out/linux.raw" >"$out/linux.json"
normalise <"$out/windows.raw" >"$out/windows.json"

lines=$(wc -l <"$out/linux.json")
if [ "$lines" -eq 0 ]; then
  echo "Linux zubcim printed nothing" >&2
  exit 2
fi
if ! diff -u --label linux "$out/linux.json" --label windows "$out/windows.json"; then
  echo "inventories differ between Linux and Windows" >&2
  exit 1
fi
echo "inventories match: $lines classes listed"
