#!/bin/sh
# Builds the release packages into dist/:
#
#   cfgedit-VERSION-win64.zip        cfgedit.exe, cfgtool.exe, README.md, LICENSE, example.cfg
#   cfgedit-VERSION-win64-setup.exe  the NSIS installer of the same programs
#   cfgtool_VERSION_amd64.deb        cfgtool with its man page and bash completion
#
# The Windows programs come from the windows preset's build (optimised, static
# runtime), which the test run makes anyway; cfgtool for Debian from the deb
# preset (optimised, no tests, no benchmarks). Only the programs are built,
# and CPack strips them. VERSION is the project() version in CMakeLists.txt.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh

dist="$root/dist"
mkdir -p "$dist"
rm -f "$dist"/cfgedit-*-win64.zip "$dist"/cfgedit-*-win64-setup.exe "$dist"/cfgtool_*_amd64.deb

# $1 preset, then the targets a package holds.
package() {
  preset="$1"
  shift
  build="$root/build/$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target "$@" >/dev/null
  rm -rf "$build/package"
  cpack --config "$build/CPackConfig.cmake" -B "$build/package" >"$build/cpack.log" 2>&1 ||
    { cat "$build/cpack.log" >&2; exit 1; }
  find "$build/package" -maxdepth 1 -type f -exec cp {} "$dist/" \;
}

package windows cfgedit cfgtool
package deb cfgtool cfgtool_doc
ls -l "$dist"
