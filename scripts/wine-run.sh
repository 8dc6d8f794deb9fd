#!/bin/sh
# Runs a Windows program under Wine with the project's own prefix.
# Used by ctest (CMAKE_CROSSCOMPILING_EMULATOR) and by the scripts.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
fi
exec /usr/lib/wine/wine64 "$@"
