# windows-wine-env.sh: sourced with a Windows build folder as argument; sets up Wine
# for running that build's programs quietly and without a display: a private
# prefix under the build folder (made on first use), no debug output, and no
# Mono or Gecko installers (the programs need neither).
# Exports WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES and clears DISPLAY.

# Wine takes only an absolute prefix path.
zub_wine_build="$(cd "${1:?usage: . windows-wine-env.sh BUILD_DIR}" && pwd)"
export WINEPREFIX="$zub_wine_build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

if ! command -v wine >/dev/null; then
  echo "wine is not installed (scripts/install-deps.sh installs it)" >&2
  return 1 2>/dev/null || exit 1
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  # wineboot returns before the prefix is written out; the server's end
  # means it is complete.
  wineserver --wait >/dev/null 2>&1 || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wineboot did not set up $WINEPREFIX" >&2
    return 1 2>/dev/null || exit 1
  fi
fi

# One server for the whole run: when ctest starts several programs at once and
# each would start its own server, one of them may fail before printing
# anything. A persistent server (kept 30 s after its last client) avoids that.
wineserver -p30 >/dev/null 2>&1 || true
