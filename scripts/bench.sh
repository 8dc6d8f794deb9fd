#!/bin/sh
# Benchmarks, built with the release preset in build/bench.
#
#   scripts/bench.sh          our load+save beside libconfig++, Boost.PropertyTree
#                             INFO, RapidJSON and a memchr line scan, on the same
#                             generated content; table on stdout, results in
#                             build/bench/results.json (several minutes); then
#                             cfgtool fmt timed beside our load+save on the
#                             100 MB nested file
#   scripts/bench.sh core     the core alone (Google Benchmark): load and save of
#                             10 and 100 MB files, one section of 10^4..10^6
#                             records, one record of as many values
#   scripts/bench.sh cfgtool  cfgtool find, diff, apply and merge on the 100 MB file and on
#                             the section of 10^6 records, beside the core's
#                             own load of each (also at the end of the first form);
#                             then get and set of a small file beside git config
#                             (hyperfine), and 1,000 get calls in a shell loop
#                             beside git's (--cases small: that case alone);
#                             results in build/bench/cfgtool.json
#   scripts/bench.sh editor   the real cfgedit.exe under Wine on a virtual display
#                             (Xvfb, started here): start-up with a 100 MB file
#                             and with 10^5 top-level sections, selecting a
#                             section of 10^3..10^6 records and a record of
#                             10^3..10^5 int values, one Value Add, New and Exit
#                             after each, File > Open of the trees, and trees
#                             10^4..10^6 levels deep; beside
#                             a floor measured in the same run (a bare sorted list
#                             box and a bare tree view filled with the same lines,
#                             redraw off) and the editor's peak memory beside the
#                             core's; table on stdout, results in
#                             build/bench/editor.json. Every step has a timeout
#                             (--timeout, 60 s) and the whole run a bound
#                             (--budget, 3600 s, then EDITOR_BENCH_LIMIT kills it)
#   scripts/plot_scaling.py   then draws docs/scaling.png from the results
#
# Extra arguments go to bench/run_bench.py (e.g. --rounds 3 --cases nested_10),
# with "core" to the Google Benchmark program (e.g. --benchmark_filter=flat),
# with "editor" to bench/run_editor_bench.py (e.g. --timeout 30 --cases deep).
set -e
cd "$(dirname "$0")/.."
build=build/bench
data=$build/data

# cfgtool find, diff, apply and merge beside the core's work (run_bench.py --cfgtool).
cfgtool_bench() {
  cmake --build $build -j2 --target cfgtool >/dev/null
  /usr/bin/python3 bench/run_bench.py --bin $build/bench --data $data --cfgtool $build/cli/cfgtool --tools-only \
    --out $build/cfgtool.json "$@"
  echo "results: $build/cfgtool.json"
}
if [ "${1:-}" = cfgtool ]; then
  shift
  [ -f $build/CMakeCache.txt ] || cmake --preset release -B $build >/dev/null
  cmake --build $build -j2 --target cfg_gen cfg_roundtrip measure >/dev/null
  mkdir -p $data
  [ -s $data/nested_100.cfg ] || $build/bench/cfg_gen nested 100 $data/nested_100 >/dev/null
  [ -s $data/flat_1000000.cfg ] || $build/bench/cfg_gen flat 1000000 $data/flat_1000000 >/dev/null
  cfgtool_bench "$@"
  exit 0
fi

mode=peers
if [ "${1:-}" = core ]; then
  mode=core
  shift
fi

# The editor's benchmark: the generator from the release build, the editor and
# its driver from the Windows build.
if [ "${1:-}" = editor ]; then
  shift
  [ -f $build/CMakeCache.txt ] || cmake --preset release -B $build >/dev/null
  cmake --build $build -j2 --target cfg_gen >/dev/null
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target cfgedit editor_driver >/dev/null
  prefix="${WINEPREFIX:-$PWD/build/wineprefix}"
  scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 || true   # creates the Wine prefix once
  # A Wine server started without a display must be gone before the run starts its own.
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w
  limit=${EDITOR_BENCH_LIMIT:-4000}
  exec timeout --kill-after=30 "$limit" xvfb-run -a -s "-screen 0 1280x1024x24" \
    /usr/bin/python3 bench/run_editor_bench.py --driver build/windows/bench/editor_driver.exe \
    --editor build/windows/editor/cfgedit.exe --gen $build/bench/cfg_gen --data $data/editor \
    --out $build/editor.json "$@"
fi

[ -f $build/CMakeCache.txt ] || cmake --preset release -B $build >/dev/null
cmake --build $build -j2 --target cfg_gen cfg_roundtrip memchr_scan peer_libconfig \
  peer_ptree_info peer_rapidjson measure cfg_bench cfgtool >/dev/null
bin=$build/bench

if [ $mode = core ]; then
  exec $bin/cfg_bench "$@"
fi

# The data: generated once, again when the generator changes.
mkdir -p $data
generate() { # kind size prefix
  if [ ! -s $data/$3.json ] || [ $bin/cfg_gen -nt $data/$3.json ]; then
    $bin/cfg_gen "$1" "$2" $data/$3 >/dev/null
  fi
}
generate nested 10 nested_10
generate nested 100 nested_100
for n in 1000 10000 100000 1000000; do generate flat $n flat_$n; done

# Our writer must give back exactly the file it read (the generator writes the
# canonical layout): a timing of a wrong result would mean nothing. The large
# file goes through the two-thread paths of loading and saving.
for name in nested_10 nested_100; do
  $bin/cfg_roundtrip $data/$name.cfg $data/check.cfg
  if cmp -s $data/$name.cfg $data/check.cfg; then
    echo "check: load+save of $name.cfg gives the same file"
  else
    echo "check: load+save of $name.cfg CHANGED the file" >&2
    exit 1
  fi
done
rm -f $data/check.cfg

echo "machine: $(nproc) cores, $(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -1)"
/usr/bin/python3 bench/run_bench.py --bin $bin --data $data --out $build/results.json \
  --cfgtool $build/cli/cfgtool "$@"
echo "results: $build/results.json (draw with: scripts/plot_scaling.py)"
cfgtool_bench "$@"
