#!/usr/bin/env bash
# The join-planning benchmark: the cases of gen.py, each run once by the release build as a whole
# process; prints the real and processor time the central timer measured around the case's work,
# the process's elapsed time and peak memory, and the answers the case printed last (equal within
# a family).
# Usage: run.sh [rows] [timeout-seconds] [other-quorin]
#   defaults: 10000 rows, 60 s per case; with another quorin binary (an older build, say) each
#   case runs under it too, on the line before, so that both sets of figures come from one run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
rows=${1:-10000}
limit=${2:-60}
other=${3:-}

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
    local file=$1 config=${2:-} out status quorin=${binary:-$quorin}
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

printf '%-30s %10s %10s %10s %10s %10s\n' case timed-s cpu-s process-s peak-MB answers
report() {
    local name=$1 timed cpu elapsed peak answers
    read -r timed cpu elapsed peak answers
    printf '%-30s %10s %10s %10s %10s %10s\n' "$name" "$timed" "$cpu" "$elapsed" \
        "$(awk -v k="$peak" 'BEGIN {printf (k ~ /^[0-9]+$/) ? "%.1f" : "%s", k / 1024}')" "$answers"
}
# One case under the other binary first (when given), then under this build.
both() {
    local name=$1
    shift
    if [[ -n $other ]]; then
        binary=$other run_case "$@" | report "$name (other)"
    fi
    run_case "$@" | report "$name"
}
for order in abc acb bac bca cab cba; do both "query-$order" "query-$order.flp"; done
for order in abc acb bac bca cab cba; do both "rule-$order" "rule-$order.flp"; done
both chain3-seminaive chain3.flp
both chain3-naive chain3.flp "$work/naive-config.flp"
both chain40 chain40.flp
both constants constants.flp
both shared shared.flp
both long-1000 long-1000.flp
both long-10000 long-10000.flp
both same-1000-seminaive same-1000.flp
both same-1000-naive same-1000.flp "$work/naive-config.flp"
both same-10000-seminaive same-10000.flp
both same-10000-naive same-10000.flp "$work/naive-config.flp"
both distinct-10000-seminaive distinct-10000.flp
both distinct-10000-naive distinct-10000.flp "$work/naive-config.flp"
both chain200 chain200.flp
both rule200-seminaive rule200.flp
both rule200-naive rule200.flp "$work/naive-config.flp"
