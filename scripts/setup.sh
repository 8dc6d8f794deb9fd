#!/bin/sh
# Installs everything the build, the tests, the packages, the editor and the benchmarks need
# on a Debian machine. Quick when all is there already.
set -e
pkgs="cmake make g++ googletest libgtest-dev mingw-w64 g++-mingw-w64-x86-64 wine64 xvfb xauth xdotool \
imagemagick x11-utils libcli11-dev nlohmann-json3-dev clang libclang-rt-14-dev git"
if [ "${1:-}" = "--bench" ]; then
  pkgs="$pkgs libbenchmark-dev hyperfine git libconfig++-dev libboost-dev rapidjson-dev python3-matplotlib pkgconf"
fi
# The release packages: nsis makes the installer, dpkg-dev and lintian the .deb;
# the package test reads them with file, man and unzip.
pkgs="$pkgs nsis dpkg-dev lintian file man-db unzip"
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "setup: installing$missing"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd=sudo
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
