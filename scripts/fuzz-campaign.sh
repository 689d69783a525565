#!/bin/sh
# A fuzzing campaign over the readers that take input from outside: the
# installer footer, the ZIP reader and the Jet reader, each for a fixed time.
#   scripts/fuzz-campaign.sh [seconds per target] [target ...]
# Defaults: 600 seconds; footer_fuzz zip_reader_fuzz jet_reader_fuzz.
# The corpus grown by each run is kept in .fuzz/corpus/<target> and the next
# run starts from it; inputs that crash land in .fuzz/findings/<target>/.
# The figures of the last run of each target go to .fuzz/summary/<target>.txt
# (read by scripts/reliability-figures.sh).
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-600}
[ $# -gt 0 ] && shift
targets=${*:-footer_fuzz zip_reader_fuzz jet_reader_fuzz}

./scripts/setup-deps.sh >/dev/null
build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DINSTALLER_FUZZ=ON >/dev/null
fi
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets >/dev/null

seeds_of() {
  case $1 in
    footer_fuzz) echo tests/fuzz/corpus/footer ;;
    zip_reader_fuzz) echo tests/fuzz/corpus/zip ;;
    jet_reader_fuzz)
      # The Jet seeds are a database of our own plus the shared Access fixtures.
      mkdir -p .fuzz/seeds/jet
      tests/fuzz/jet_reader_fuzz_seeds.sh .fuzz/seeds/jet >/dev/null
      echo "tests/fuzz/corpus/jet .fuzz/seeds/jet" ;;
  esac
}

for t in $targets; do
  corpus=.fuzz/corpus/$t findings=.fuzz/findings/$t/ log=.fuzz/logs/$t.log
  mkdir -p "$corpus" "$findings" .fuzz/logs .fuzz/summary
  before=$(find "$findings" -type f | wc -l)
  echo "fuzzing $t for $seconds s ..."
  # -fork keeps the campaign going after a finding; each one is saved.
  # shellcheck disable=SC2046
  "$build/tests/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 -timeout=10 \
    -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -artifact_prefix="$findings" "$corpus" $(seeds_of "$t") >"$log" 2>&1 || true
  execs=$(sed -n 's/.*stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -1)
  # In fork mode the final statistics line is the last "#N ... exec/s" line.
  [ -n "$execs" ] || execs=$(sed -n 's/^#\([0-9][0-9]*\).*/\1/p' "$log" | tail -1)
  after=$(find "$findings" -type f | wc -l)
  inputs=$(find "$corpus" -type f | wc -l)
  printf 'target %s\nseconds %s\nexecutions %s\ncorpus %s\nnew_findings %s\nall_findings %s\n' \
    "$t" "$seconds" "${execs:-0}" "$inputs" $((after - before)) "$after" >".fuzz/summary/$t.txt"
  echo "  executions ${execs:-0}, corpus $inputs inputs, new findings $((after - before)) (log $log)"
done
