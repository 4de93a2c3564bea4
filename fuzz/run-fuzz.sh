#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for SECONDS seconds each, as
# many at a time as the machine has cores (FUZZ_JOBS=N for another number;
# each target still gets its SECONDS of a core), on a working copy of its corpus in BUILD/corpus/TARGET: the
# committed corpus (fuzz/corpus) is only read, and what the fuzzer finds
# stays in the build folder until someone copies it over. The inputs of
# fuzz/regressions are read as well. Prints the executions and the coverage
# of each target; exits 1 when any target found a crash (its input is kept
# in BUILD/artifacts/TARGET/).
#
# Usage: fuzz/run-fuzz.sh BUILD SECONDS [TARGET...]
# FUZZ_RUNS=N also stops each target after N executions.
set -uo pipefail

build=$(cd "$1" && pwd)
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)

if [ $# -eq 0 ]; then
    set -- $(cd "$here/targets" && ls *.cpp | sed 's/\.cpp$//')
fi

# One target: its log in BUILD/fuzz-TARGET.log, its summary line in
# BUILD/fuzz-TARGET.result, and exit status 1 when it failed.
run_target() {
    local target=$1
    local program="$build/fuzz-$target"
    local result="$build/fuzz-$target.result"
    if [ ! -x "$program" ]; then
        echo "fuzz: no program $program" >&2
        printf '%-16s FAILED (no program)\n' "$target" >"$result"
        return 1
    fi
    local work="$build/corpus/$target"
    local artifacts="$build/artifacts/$target"
    mkdir -p "$work" "$artifacts"
    cp -rn "$here/corpus/$target/." "$work/" 2>/dev/null || true
    local extra=()
    local limits=(-max_total_time="$seconds")
    [ -n "${FUZZ_RUNS:-}" ] && limits+=(-runs="$FUZZ_RUNS")
    [ -d "$here/regressions/$target" ] && extra+=("$here/regressions/$target")
    # The help file target starts a reader process per input.
    local timeout=10
    [ "$target" = chm_file ] && timeout=30
    local log="$build/fuzz-$target.log"
    (cd "$artifacts" && "$program" "${limits[@]}" -timeout="$timeout" \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "$work" "${extra[@]}") >"$log" 2>&1
    local status=$?
    local runs last cov ft corpus line
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1)
    cov=$(echo "$last" | grep -o 'cov: [0-9]*' | grep -o '[0-9]*')
    ft=$(echo "$last" | grep -o 'ft: [0-9]*' | grep -o '[0-9]*')
    corpus=$(ls "$work" | wc -l)
    line=$(printf '%-16s executions %10s  cov %6s  ft %6s  corpus %5s' "$target" "${runs:-?}" \
        "${cov:-?}" "${ft:-?}" "$corpus")
    if [ $status -ne 0 ]; then
        line="$line  FAILED (see $log)"
        grep -E 'ERROR|property broken|SUMMARY|Test unit written' "$log" | head -5
    fi
    echo "$line"
    echo "$line" >"$result"
    [ $status -eq 0 ]
}

jobs_at_once=${FUZZ_JOBS:-$(nproc)}
[ "$jobs_at_once" -ge 1 ] 2>/dev/null || jobs_at_once=1
echo "== $# targets, $seconds s each, $jobs_at_once at a time"
running=0
for target in "$@"; do
    rm -f "$build/fuzz-$target.result"
    if [ $running -ge "$jobs_at_once" ]; then
        wait -n
        running=$((running - 1))
    fi
    run_target "$target" &
    running=$((running + 1))
done
wait

failed=()
summary=()
for target in "$@"; do
    result="$build/fuzz-$target.result"
    if [ -f "$result" ]; then
        line=$(cat "$result")
    else
        line=$(printf '%-16s FAILED (no result)' "$target")
    fi
    summary+=("$line")
    case "$line" in *FAILED*) failed+=("$target") ;; esac
done

echo
echo "fuzz summary ($seconds s per target):"
printf '  %s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: crashes or failures in: ${failed[*]}" >&2
    exit 1
fi
