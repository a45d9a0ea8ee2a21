#!/usr/bin/env bash
# The client walk (scripts/client-walk.py) on the topologies CI checks: the
# built-in one and examples/client-view-topology.json (an AHCI controller
# with no free disk, a degraded volume, a disk predicting failure and a
# spare; a SAS controller with a pool, a mirror and a failed free disk),
# each with the client view and with --records-only.
#   scripts/client-walk-check.sh [BUILD_DIR]       (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
walk=(python3 scripts/client-walk.py --zubcim "$build/bin/zubcim")
failed=0
for topology in "" examples/client-view-topology.json; do
  for mode in "" --records-only; do
    echo "== client walk on ${topology:-the built-in topology}${mode:+ ($mode)}"
    "${walk[@]}" ${topology:+--topology "$topology"} $mode || failed=1
  done
done
exit $failed
