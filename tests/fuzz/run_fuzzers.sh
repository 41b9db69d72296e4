#!/bin/sh
# Runs fuzz targets over their committed seeds (tests/fuzz/corpus/NAME/). New inputs, crash and
# leak reproducers go to WORK/NAME/, never into the committed seeds.
#   sh tests/fuzz/run_fuzzers.sh BIN_DIR WORK_DIR [NAME...]      (default: every NAME_fuzz in BIN_DIR)
# FUZZ_RUNS=N runs N inputs each; otherwise FUZZ_SECONDS (default 30) seconds each.
# Ends with the status of the first target that found something, after running them all.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$1
work=$2
shift 2
if [ $# -eq 0 ]; then
  set -- $(cd "$bin" && ls *_fuzz 2>/dev/null | sed 's/_fuzz$//')
fi
if [ -n "${FUZZ_RUNS:-}" ]; then limit="-runs=$FUZZ_RUNS"; else limit="-max_total_time=${FUZZ_SECONDS:-30}"; fi
status=0
for name in "$@"; do
  mkdir -p "$work/$name/corpus"
  echo "== $name ($limit)"
  "$bin/${name}_fuzz" "$limit" -print_final_stats=1 -artifact_prefix="$work/$name/" \
    "$work/$name/corpus" "$root/tests/fuzz/corpus/$name" >"$work/$name/log" 2>&1
  result=$?
  tail -n 20 "$work/$name/log"
  if [ $result -ne 0 ]; then
    echo "== $name: FOUND SOMETHING (status $result); reproducer and log in $work/$name/"
    [ $status -eq 0 ] && status=$result
  fi
done
exit $status
