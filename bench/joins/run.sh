#!/usr/bin/env bash
# The join-planning benchmark: the cases of gen.py, each run once by the release build as a whole
# process; prints the real and processor time the central timer measured around the case's work,
# the process's elapsed time and peak memory, and the answers the case printed last (equal within
# a family).
# Usage: run.sh [rows] [timeout-seconds]    (defaults: 10000 rows, 60 s per case)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
rows=${1:-10000}
limit=${2:-60}

build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
cmake --build "$build" -j 4 --target quorin >&2
quorin="$build/quorin"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/gen.py" "$work" "$rows"
sed 's/mode@("seminaive")/mode@("naive")/' "$build/config.flp" >"$work/naive-config.flp"

# Runs one case; prints "<timed seconds> <timed cpu seconds> <elapsed seconds> <peak KB> <answers>".
run_case() {
    local file=$1 config=${2:-} out status
    local args=(-q "$work/$file")
    [[ -n $config ]] && args=(-c "$config" "${args[@]}")
    set +e
    out=$(/usr/bin/time -o "$work/time" -f 'TIME %e %M' timeout -s KILL "$limit" "$quorin" "${args[@]}" \
        2>/dev/null)
    status=$?
    set -e
    local timed cpu elapsed peak answers
    set +e
    timed=$(grep -o '"[0-9.]*sec"' <<<"$out" | tail -2 | head -1 | tr -dc '0-9.')
    cpu=$(grep -o '"[0-9.]*sec"' <<<"$out" | tail -1 | tr -dc '0-9.')
    read -r elapsed peak < <(grep '^TIME' "$work/time" | tail -1 | cut -d' ' -f2-)
    answers=$(grep -o '% [0-9]* output(s) printed' <<<"$out" | tail -1 | tr -dc '0-9')
    grep -q '^% false' <<<"$out" && [[ -z $answers ]] && answers=0
    set -e
    ((status == 0)) || { timed=">$limit"; cpu="-"; answers="status($status)"; }
    echo "${timed:-?} ${cpu:-?} ${elapsed:-?} ${peak:-?} ${answers:-?}"
}

printf '%-22s %10s %10s %10s %10s %10s\n' case timed-s cpu-s process-s peak-MB answers
report() {
    local name=$1 timed cpu elapsed peak answers
    read -r timed cpu elapsed peak answers
    printf '%-22s %10s %10s %10s %10s %10s\n' "$name" "$timed" "$cpu" "$elapsed" \
        "$(awk -v k="$peak" 'BEGIN {printf (k ~ /^[0-9]+$/) ? "%.1f" : "%s", k / 1024}')" "$answers"
}
for order in abc acb bac bca cab cba; do run_case "query-$order.flp" | report "query-$order"; done
for order in abc acb bac bca cab cba; do run_case "rule-$order.flp" | report "rule-$order"; done
run_case chain3.flp | report chain3-seminaive
run_case chain3.flp "$work/naive-config.flp" | report chain3-naive
run_case chain40.flp | report chain40
run_case constants.flp | report constants
run_case shared.flp | report shared
run_case long-1000.flp | report long-1000
run_case long-10000.flp | report long-10000
run_case chain200.flp | report chain200
