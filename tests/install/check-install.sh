#!/usr/bin/env bash
# check-install.sh: installs a build into a scratch prefix and checks the
# public face: the provider library, the middleware it links, zubcim, and
# the public headers under include/zubprov only; then builds the example host
# against the installed headers and libraries alone and runs it.
#
#   tests/install/check-install.sh BUILD_DIR SOURCE_DIR CXX [CXXFLAGS]
set -euo pipefail
build=$1 source=$2 cxx=$3 flags=${4:-}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "check-install: $*" >&2; exit 1; }
libdir=$(cd "$prefix" && ls -d lib* | head -1)
[ -x "$prefix/bin/zubcim" ] || fail "zubcim is not installed"
ls "$prefix/$libdir"/libzubprov.* >/dev/null 2>&1 || fail "the provider library is not installed"
# Headers: exactly the public ones.
expected=$(cd "$source/include" && find zubprov -name '*.h' | sed 's|^|include/|'; echo include/zubprov/platform/export.h)
installed=$(cd "$prefix" && find include -type f)
extra=$(comm -13 <(sort <<<"$expected") <(sort <<<"$installed"))
missing=$(comm -23 <(sort <<<"$expected") <(sort <<<"$installed"))
[ -z "$extra" ] || fail "headers installed that are not public: $extra"
[ -z "$missing" ] || fail "public headers not installed: $missing"

# A host built from the installed files alone.
# shellcheck disable=SC2086 # the flags are words
"$cxx" -std=c++20 $flags -Wall -Wextra -Werror -I "$prefix/include" "$source/examples/host/list_controllers.cpp" \
  -L "$prefix/$libdir" -lzubprov -Wl,-rpath,"$prefix/$libdir" -o "$prefix/list_controllers"
out=$("$prefix/list_controllers") || fail "the example host failed"
[ -n "$out" ] || fail "the example host listed no controller"
echo "installed: zubcim, $(ls "$prefix/$libdir" | tr '\n' ' ')and $(wc -l <<<"$installed") public headers; the example host lists: $(tr '\n' ' ' <<<"$out")"
