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
#   scripts/plot_scaling.py   then draws docs/scaling.png from the results
#
# Extra arguments go to bench/run_bench.py (e.g. --rounds 3 --cases nested_10)
# or, with "core", to the Google Benchmark program (e.g. --benchmark_filter=flat).
set -e
cd "$(dirname "$0")/.."
build=build/bench
data=$build/data

mode=peers
if [ "${1:-}" = core ]; then
  mode=core
  shift
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
