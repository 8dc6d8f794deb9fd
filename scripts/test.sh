#!/bin/sh
# Runs every test: the native build under ASan and UBSan, the fuzz targets for
# about a minute, the Windows build under Wine on a virtual display, then the
# release packages.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

scripts/fuzz.sh

cmake --preset windows >/dev/null
cmake --build --preset windows
scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 || true   # creates the Wine prefix once
# A Wine server started without a display must be gone before the tests start theirs.
WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}" /usr/lib/wine/wineserver -w
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset windows

# The release packages, from the Windows build above, tested as a user meets them.
scripts/package.sh
scripts/package-test.sh
