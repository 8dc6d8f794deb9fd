#!/bin/sh
# Builds the libFuzzer targets with clang in build/fuzz and runs each one for a
# bounded time, starting from the seed corpus in fuzz/corpus/<target>.
#
#   scripts/fuzz.sh                  about 30 seconds per target (the test run)
#   scripts/fuzz.sh --long SECONDS   SECONDS per target
#
# Exits non-zero on any finding (crash, sanitizer report, leak, hang, failed
# check). The input that failed is kept as build/fuzz/artifacts/<target>-*;
# minimise it with
#   build/fuzz/fuzz/<target> -minimize_crash=1 -runs=100000 ARTIFACT
# and add the minimised input to fuzz/corpus/<target>/ as a regression seed.
# Inputs the fuzzer finds interesting collect in build/fuzz/corpus/<target>,
# so a later run goes on where the last one stopped.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=30
case "${1:-}" in
  "") ;;
  --long)
    seconds=${2:?usage: scripts/fuzz.sh [--long SECONDS]}
    ;;
  *)
    echo "usage: scripts/fuzz.sh [--long SECONDS]" >&2
    exit 2
    ;;
esac

build="$root/build/fuzz"
cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCFG_FUZZ=ON -DCFG_TESTS=OFF >/dev/null
targets="loader_fuzzer"
[ -f "$root/cli/config_path.cpp" ] && targets="$targets path_fuzzer"
[ -f "$root/cli/config_path.cpp" ] && targets="$targets diff_fuzzer"
[ -f "$root/cli/tree_merge.cpp" ] && targets="$targets merge_fuzzer"
[ -f "$root/cli/json_load.cpp" ] && targets="$targets write_fuzzer"
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets

status=0
for target in $targets; do
  name=${target%_fuzzer}
  work="$build/corpus/$name"
  mkdir -p "$work" "$build/artifacts"
  # The write paths print cfgtool's own messages: keep them out of the log.
  quiet=""
  [ "$target" = write_fuzzer ] && quiet="-close_fd_mask=3"
  echo "fuzz: $target for $seconds s"
  if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
       UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       "$build/fuzz/$target" "$work" "$root/fuzz/corpus/$name" \
         -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=8192 \
         -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 $quiet \
         >"$build/$target.log" 2>&1; then
    echo "fuzz: $target FAILED; the log is $build/$target.log:" >&2
    tail -n 60 "$build/$target.log" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units' "$build/$target.log" | sed "s/^/fuzz: $target /"
  fi
done
exit $status
