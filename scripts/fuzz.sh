#!/usr/bin/env bash
# Runs every fuzz target (tests/fuzz/) for SECONDS each (default 900), two at a time at the
# lowest priority, and prints per target: runs, coverage (edges "cov" and features "ft"), the
# corpus it ended with and what it found. Each target's corpus grows in
# build-fuzz/corpus/NAME (seeded from tests/fuzz/corpus/NAME); findings land in
# build-fuzz/findings/NAME/ and belong in the repository's corpus once fixed.
#
# Usage: scripts/fuzz.sh [SECONDS] [NAME...]
# Environment: TOLVANE_FUZZ_BUILD_DIR (default build-fuzz), TOLVANE_FUZZ_JOBS (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/fuzz.sh

seconds=${1:-900}
shift || true
names=("$@")
[ ${#names[@]} -gt 0 ] || names=("${tolvane_fuzz_targets[@]}")
dir=${TOLVANE_FUZZ_BUILD_DIR:-build-fuzz}
jobs=${TOLVANE_FUZZ_JOBS:-2}

bash scripts/install-deps.sh test
tolvane_build_fuzzers "$dir"

# run_target NAME: one long run, its log in DIR/logs/NAME.log.
run_target() {
    local name=$1
    local corpus="$dir/corpus/$name" findings="$dir/findings/$name"
    mkdir -p "$corpus" "$findings" "$dir/logs"
    # Address randomisation off, as for the other sanitizer runs. At the lowest priority on a
    # busy machine a quick input can wait seconds for the processor: a hang is a minute.
    setarch "$(uname -m)" -R nice -n 19 "$dir/tests/fuzz/fuzz_$name" -max_total_time="$seconds" \
        -timeout=60 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$findings/" \
        "$corpus" "tests/fuzz/corpus/$name" > "$dir/logs/$name.log" 2>&1 || true
}

running=0
for name in "${names[@]}"; do
    run_target "$name" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then wait -n; running=$((running - 1)); fi
done
wait

status=0
printf '%-16s %12s %8s %8s %8s  %s\n' target runs cov ft corpus findings
for name in "${names[@]}"; do
    log="$dir/logs/$name.log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
    cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<< "$last")
    ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<< "$last")
    found=$(find "$dir/findings/$name" -type f | wc -l)
    [ "$found" -eq 0 ] || status=1
    printf '%-16s %12s %8s %8s %8s  %s\n' "$name" "${runs:-?}" "${cov:-?}" "${ft:-?}" \
        "$(find "$dir/corpus/$name" -type f | wc -l)" \
        "$([ "$found" -eq 0 ] && echo none || find "$dir/findings/$name" -type f -printf '%f ')"
done
exit $status
