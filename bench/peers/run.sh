#!/usr/bin/env bash
# The peer benchmark: transitive closure (chain, random graph), same generation (tree) and the
# multi-way joins of directed triangles and 4-cycles in a random graph, and chains of many rules (in
# order and shuffled) and many independent rules, each generated once and
# run by Quorin (predicate and method forms), SWI-Prolog (with tabling for the recursive ones) and
# clingo, whole processes side by side, three times, medians of the time and of the peak memory
# (max RSS of the process); checks that all count the same. A workload without a method or
# left-recursive form (the joins) shows "-" in those columns.
# Usage: run.sh [--quick]    (--quick: small sizes)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
quick=0
[[ ${1:-} == --quick ]] && quick=1

install() {
    command -v "$1" >/dev/null && return 0
    [[ $(id -u) == 0 ]] || { echo "run.sh: $1 is missing; install $2 as root" >&2; exit 1; }
    apt-get install -y "$2" >&2 || { apt-get update >&2 && apt-get install -y "$2" >&2; }
}
install swipl swi-prolog-nox
install /usr/bin/time time
if ! command -v clingo >/dev/null; then
    if apt-cache policy clingo 2>/dev/null | grep -q 'Candidate: [0-9]'; then
        install clingo clingo
    else
        install clingo gringo
    fi
fi

# QUORIN_BINARY runs a given build (say, one kept from before a change) instead of building.
if [[ -n ${QUORIN_BINARY:-} ]]; then
    quorin=$QUORIN_BINARY
else
    build="$root/build/release"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
    cmake --build "$build" -j 3 --target quorin >&2
    quorin="$build/quorin"
fi

if ((quick)); then
    cases=("chain 200" "random 200" "tree 100" "triangle 20000" "cycle4 10000" "rules 500")
else
    cases=("chain 2000" "random 2000" "tree 1000" "triangle 100000" "cycle4 25000" "cycle4 50000")
fi
# The rule workloads: chains of rules in order and shuffled, and rules that share nothing.
if ((quick)); then
    cases+=("shuffled 500" "independent 1000")
else
    cases+=("rules 1000" "rules 2000" "rules 4000" "rules 8000" "shuffled 1000" "shuffled 2000"
        "shuffled 4000" "shuffled 8000" "independent 10000")
fi
# Only the listed cases when QUORIN_PEERS names some, e.g. QUORIN_PEERS="cycle4 25000".
if [[ -n ${QUORIN_PEERS:-} ]]; then
    cases=()
    read -ra words <<<"$QUORIN_PEERS"
    for ((i = 0; i + 1 < ${#words[@]}; i += 2)); do cases+=("${words[i]} ${words[i + 1]}"); done
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs one engine on its file; prints "<seconds> <peak KB> <count>".
run_engine() {
    local engine=$1 dir=$2 out start end count status peak
    local measure=(/usr/bin/time -f %M -o "$dir/peak")
    start=$(date +%s.%N)
    set +e
    case $engine in
        quorin) out=$("${measure[@]}" "$quorin" -q "$dir/quorin.flp" 2>&1) ;;
        quorin-method) out=$("${measure[@]}" "$quorin" -q "$dir/quorin-method.flp" 2>&1) ;;
        quorin-again) out=$("${measure[@]}" "$quorin" -q "$dir/quorin-again.flp" 2>&1) ;;
        swi) out=$("${measure[@]}" swipl "$dir/swi.pl" 2>&1) ;;
        swi-left) out=$("${measure[@]}" swipl "$dir/swi-left.pl" 2>&1) ;;
        clingo) out=$("${measure[@]}" clingo "$dir/clingo.lp" 2>&1) ;;
    esac
    status=$?
    set -e
    end=$(date +%s.%N)
    # The last line: time writes a note about a failed status before the figure.
    peak=$(tail -n 1 "$dir/peak")
    case $engine in
        quorin*)
            # One answer row per first argument, its count in N: the sum is the tuple count.
            count=$(grep -o 'N/[0-9]*' <<<"$out" | awk -F/ '{s += $2} END {print s + 0}')
            ((status == 0)) || count="failed($status)" ;;
        swi*)
            count=$(grep -E '^[0-9]+$' <<<"$out" | tail -1)
            ((status == 0)) || count="failed($status)" ;;
        clingo)
            count=$(grep -o 'count([0-9]*)' <<<"$out" | tr -dc '0-9')
            # 10, 20 and 30 are clingo's success statuses.
            [[ $status == 10 || $status == 20 || $status == 30 ]] || count="failed($status)" ;;
    esac
    echo "$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}') ${peak:-0} ${count:-none}"
}

median() { printf '%s\n' "$@" | sort -g | sed -n 2p; }

# Megabytes of a peak given in kilobytes.
mb() { awk -v k="$1" 'BEGIN {if (k > 0) printf "%.1f", k / 1024; else printf "-"}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (a == "-" || a + 0 == 0) printf "-"; else printf "%.2f", (b > 0 ? a / b : 0)}'; }

engines=(quorin quorin-method quorin-again swi swi-left clingo)
# Times in seconds, peaks (max RSS) in MB. swi is SWI-Prolog's better time of its two closure
# forms, swi-MB the smaller peak of the two. again/Q: the predicate form evaluated, given one
# unrelated new fact and evaluated again, over the predicate form evaluated once (about 2 when
# evaluating again costs what evaluating from scratch does).
format='%-12s %9s %9s %9s %9s %7s %8s %8s %8s %8s %9s %8s %9s %8s %10s\n'
# shellcheck disable=SC2059
printf "$format" case quorin q-method swi clingo Q/SWI Q/clingo q-MB qm-MB swi-MB clingo-MB \
    Q/SWI-MB Q/cl-MB again/Q tuples
failed=0
for spec in "${cases[@]}"; do
    read -r workload size <<<"$spec"
    dir="$work/$workload"
    python3 "$here/gen.py" "$workload" "$size" "$dir"
    {
        grep -v '^?-' "$dir/quorin.flp"
        printf '?- sys.eval[].\nfoo(a).\n?- sys.eval[].\n'
        grep '^?-' "$dir/quorin.flp" | tail -n +2
    } >"$dir/quorin-again.flp"
    # The engines whose file the workload has (quorin-again is made from quorin.flp).
    present=()
    for engine in "${engines[@]}"; do
        file=$engine
        [[ $engine == quorin-again ]] && file=quorin
        case $engine in quorin*) file="$file.flp" ;; swi*) file="$file.pl" ;; clingo) file="$file.lp" ;; esac
        [[ -f $dir/$file ]] && present+=("$engine")
    done
    declare -A times=() peaks=() counts=()
    for _ in 1 2 3; do
        for engine in "${present[@]}"; do
            read -r seconds peak count < <(run_engine "$engine" "$dir")
            times[$engine]="${times[$engine]:-} $seconds"
            peaks[$engine]="${peaks[$engine]:-} $peak"
            counts[$engine]=$count
        done
    done
    declare -A med=() medPeak=()
    for engine in "${engines[@]}"; do
        med[$engine]=-
        medPeak[$engine]=0
    done
    for engine in "${present[@]}"; do
        # shellcheck disable=SC2086
        med[$engine]=$(median ${times[$engine]})
        # shellcheck disable=SC2086
        medPeak[$engine]=$(median ${peaks[$engine]})
    done
    # SWI's better time of the two closure forms, and its smaller peak.
    swi=${med[swi]}
    [[ ${med[swi-left]} != - ]] && awk -v a="${med[swi-left]}" -v b="$swi" 'BEGIN {exit !(a < b)}' &&
        swi=${med[swi-left]}
    swiPeak=${medPeak[swi]}
    leftPeak=${medPeak[swi-left]}
    ((leftPeak > 0 && leftPeak < swiPeak)) && swiPeak=$leftPeak
    expected=${counts[clingo]}
    for engine in "${present[@]}"; do
        if [[ ${counts[$engine]} != "$expected" ]]; then
            echo "count differs on $workload: $engine ${counts[$engine]}, clingo $expected" >&2
            failed=1
        fi
    done
    # shellcheck disable=SC2059
    printf "$format" "$workload-$size" "${med[quorin]}" "${med[quorin-method]}" "$swi" \
        "${med[clingo]}" "$(ratio "${med[quorin]}" "$swi")" \
        "$(ratio "${med[quorin]}" "${med[clingo]}")" "$(mb "${medPeak[quorin]}")" \
        "$(mb "${medPeak[quorin-method]}")" "$(mb "$swiPeak")" "$(mb "${medPeak[clingo]}")" \
        "$(ratio "${medPeak[quorin]}" "$swiPeak")" "$(ratio "${medPeak[quorin]}" "${medPeak[clingo]}")" \
        "$(ratio "${med[quorin-again]}" "${med[quorin]}")" "$expected"
    unset times peaks counts med medPeak
done
exit $failed
