#!/usr/bin/env bash
# check-exports.sh: compares what a built provider library exports with the
# intended list, so that a new export is a decision, never an accident. CTest
# runs it on every build. The intended list is what the class catalogue
# brings (printed by CATALOG_EXPORTS: each class's factory, interface and
# record descriptions) and the fixed few of LIST (zubprov.exports beside this
# script).
#
#   tests/exports/check-exports.sh LIBRARY linux|windows LIST TOOL [EMULATOR] CATALOG_EXPORTS
#
# linux: TOOL is nm, and the exports are the shared object's defined dynamic
# symbols; windows: TOOL is the mingw-w64 objdump, and the exports are the
# DLL's export table. Names are compared demangled (c++filt). Exits 0 when
# the exports match the list, 1 when they differ, 2 on bad use.
set -euo pipefail

if [ $# -lt 5 ] || { [ "$2" != linux ] && [ "$2" != windows ]; }; then
  echo "usage: $0 LIBRARY linux|windows LIST TOOL [EMULATOR] CATALOG_EXPORTS" >&2
  exit 2
fi
library=$1 system=$2 fixed=$3 tool=$4
shift 4
for f in "$library" "$fixed"; do
  [ -f "$f" ] || { echo "$f not found" >&2; exit 2; }
done
list=$(mktemp)
actual=$(mktemp)
trap 'rm -f "$list" "$actual"' EXIT
cat "$fixed" >"$list"
echo "# Brought by the class catalogue:" >>"$list"
if ! "$@" | tr -d '\r' >>"$list"; then
  echo "the catalogue's exports could not be listed with: $*" >&2
  exit 2
fi

if [ "$system" = linux ]; then
  raw=$("$tool" -D --defined-only "$library" | awk 'NF >= 3 { print $3 }')
else
  # The export table's names follow the "[Ordinal/Name Pointer] Table" line,
  # one "[   n] name" a line, up to the first empty line.
  raw=$("$tool" -p "$library" |
    awk '/\[Ordinal\/Name Pointer\] Table/ { t = 1; next } NF == 0 { t = 0 } t { sub(/^[^]]*\] /, ""); print }')
fi
if [ -z "$raw" ]; then
  echo "no exports read from $library with $tool" >&2
  exit 2
fi

printf '%s\n' "$raw" | c++filt | sort -u >"$actual"

# The list: one entry a line, optionally "linux: " or "windows: " in front;
# "class NAME" covers every symbol of that class (members, vtable, typeinfo
# and its name) and requires at least one of them (a class without virtual
# functions has no typeinfo to export). Everything else is an exact name that
# must be there.
awk -v os="$system" -v listfile="$list" -v fixedfile="$fixed" '
  function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
  FNR == NR {
    line = trim($0)
    if (line == "" || line ~ /^#/) next
    if (line ~ /^(linux|windows):/) {
      tag = line; sub(/:.*/, "", tag)
      if (tag != os) next
      line = trim(substr(line, length(tag) + 2))
    }
    if (line ~ /^class /) classes[trim(substr(line, 7))] = 1
    else names[line] = 1
    next
  }
  {
    seen[$0] = 1
    nseen++
    if ($0 in names) next
    covered = 0
    for (c in classes) {
      if (index($0, c "::") == 1 || $0 == "vtable for " c || $0 == "typeinfo for " c ||
          $0 == "typeinfo name for " c) { covered = 1; present[c] = 1; break }
    }
    if (!covered) extra[++nextra] = $0
  }
  END {
    for (n in names) if (!(n in seen)) missing[++nmissing] = n
    for (c in classes) if (!(c in present)) missing[++nmissing] = "class " c
    if (!nextra && !nmissing) {
      printf "the library exports exactly what the catalogue and %s list (%d symbols)\n", fixedfile, nseen
      exit 0
    }
    if (nextra) {
      print "New exports, in neither the catalogue nor " fixedfile ":"
      for (i = 1; i <= nextra; i++) print "  + " extra[i]
    }
    if (nmissing) {
      print "Missing exports, listed but not exported:"
      for (i = 1; i <= nmissing; i++) print "  - " missing[i]
    }
    print ""
    print "Every export can be called by the host process the provider runs in, so each"
    print "is a decision. The factory, interface and record descriptions of a class come"
    print "with its catalogue row (provider/catalog.cpp). Another one a host needs: add its"
    print "line to " fixedfile " (\"linux: \" or \"windows: \" in front when one system"
    print "alone exports it) and mark it ZUBPROV_API or ZUB_FACTORY (framework/api.h)."
    print "Otherwise take the mark off: everything unmarked stays inside the library. A"
    print "missing one: put its mark back, or remove its line when hosts no longer need it."
    exit 1
  }
' "$list" "$actual"
