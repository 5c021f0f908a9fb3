#!/usr/bin/env bash
# Runs a fuzz target for a bounded time and number of inputs,
# starting from a copy of the seed corpus. Exit 77 (skipped) when the clang
# fuzz build does not exist.
#
#   run_fuzz.sh FUZZER CORPUS_DIR [seconds] [runs]
set -uo pipefail
fuzzer=$1
corpus=$2
seconds=${3:-50}
runs=${4:-1000000}

if [ ! -x "$fuzzer" ]; then
    echo "no fuzz build at $fuzzer (scripts/test builds it in build-fuzz); skipped"
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$corpus"/* "$work"/

"$fuzzer" "$work" -max_total_time="$seconds" -runs="$runs" -max_len=4096 -rss_limit_mb=2048 \
    -artifact_prefix="$PWD/$(basename "$fuzzer")-" -print_final_stats=1 >"$work/log" 2>&1
status=$?
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss)|broken promise|ERROR|SUMMARY' "$work/log"
[ $status -ne 0 ] && tail -40 "$work/log"
exit $status
