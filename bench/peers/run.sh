#!/usr/bin/env bash
# The peer benchmark: transitive closure (chain, random graph), same generation (tree), the
# multi-way joins of directed triangles and 4-cycles in a random graph, the unreachable pairs of a
# random graph (negation), per-group count and sum (aggregation) and a 3-way join with a
# selection, friends of friends with a negated equality, a 2-hop join (predicates, the first hop a
# set-valued method, both hops methods), ten million plain facts consulted and counted per group,
# the closure of a chain whose edges are stored as a set-valued method, and chains of many rules
# (in order and shuffled) and many independent rules, each generated once and run by Quorin (predicate, method and membership forms),
# SWI-Prolog (with tabling for the recursive ones), clingo, DuckDB (through its Node package, on one
# thread, its start-up included) and sqlite3, whole processes side by side, three times, medians
# of the time and of the peak memory (max RSS of the process); checks that all count the same.
# DuckDB's engine time (its statements timed inside the Node runner, without the start-up of Node
# and of the engine) stands beside its process time, and Q/dEng is Quorin over that engine time.
# QUORIN_BEFORE names a second Quorin binary (say, one kept from before a change): it runs the
# predicate form interleaved with the others, in the columns "before" and Q/bef. An
# engine or form a workload has no file for shows "-" in its columns.
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
install sqlite3 sqlite3
install node nodejs
install npm npm
if ! command -v clingo >/dev/null; then
    if apt-cache policy clingo 2>/dev/null | grep -q 'Candidate: [0-9]'; then
        install clingo clingo
    else
        install clingo gringo
    fi
fi

# DuckDB's Node package (the engine's library comes inside it) in a folder of the build tree,
# installed once, with the script that runs a file of SQL on one thread.
install_duckdb() {
    duckdb_dir="$root/build/duckdb-node"
    if [[ ! -d $duckdb_dir/node_modules/@duckdb/node-api ]]; then
        mkdir -p "$duckdb_dir"
        npm install --prefix "$duckdb_dir" --no-audit --no-fund @duckdb/node-api@1.5.6-r.1 >&2
    fi
    cp "$here/duckdb.mjs" "$duckdb_dir/"
}

# QUORIN_BINARY runs a given build (say, one kept from before a change) instead of building.
if [[ -n ${QUORIN_BINARY:-} ]]; then
    quorin=$QUORIN_BINARY
else
    build="$root/build/release"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
    cmake --build "$build" -j 3 --target quorin >&2
    quorin="$build/quorin"
fi

install_duckdb

if ((quick)); then
    cases=("chain 200" "random 200" "tree 100" "triangle 20000" "cycle4 10000")
    cases+=("unreach 200" "groupagg 20000" "join3 20000" "rules 500")
    cases+=("fof 20000" "hop 20000" "consult 100000" "mchain 200")
else
    cases=("chain 2000" "random 2000" "tree 1000" "triangle 100000" "cycle4 25000" "cycle4 50000")
    # Each at half, once and twice the size the others are compared at.
    cases+=("chain 1000" "chain 4000" "random 1000" "random 4000" "cycle4 100000")
    cases+=("unreach 1000" "unreach 2000" "unreach 4000")
    cases+=("groupagg 500000" "groupagg 1000000" "groupagg 2000000")
    cases+=("join3 200000" "join3 400000" "join3 800000")
    cases+=("fof 250000" "fof 500000" "hop 200000" "hop 400000" "consult 5000000" "consult 10000000")
    cases+=("mchain 1000" "mchain 2000")
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

# Runs one engine on its file; prints "<seconds> <peak KB> <count> <engine seconds>" (the last
# only DuckDB's runner reports; "-" for the others). The seconds are the
# processor time of the process and its children (user and system): on a shared, loaded machine
# the time that passes says more about the other processes than about the engine.
run_engine() {
    local engine=$1 dir=$2 out count status peak seconds inner=-
    local measure=(/usr/bin/time -f '%M %U %S' -o "$dir/peak")
    # An engine that fails or prints nothing still gets its line of figures: a grep that finds no
    # count must not end the run, so nothing below stops at a failed command.
    set +e +o pipefail
    rm -f "$dir/peak"
    case $engine in
        quorin) out=$("${measure[@]}" "$quorin" -q "$dir/quorin.flp" 2>&1) ;;
        quorin-method) out=$("${measure[@]}" "$quorin" -q "$dir/quorin-method.flp" 2>&1) ;;
        quorin-again) out=$("${measure[@]}" "$quorin" -q "$dir/quorin-again.flp" 2>&1) ;;
        quorin-member) out=$("${measure[@]}" "$quorin" -q "$dir/quorin-member.flp" 2>&1) ;;
        quorin-methods) out=$("${measure[@]}" "$quorin" -q "$dir/quorin-methods.flp" 2>&1) ;;
        quorin-before) out=$("${measure[@]}" "$QUORIN_BEFORE" -q "$dir/quorin.flp" 2>&1) ;;
        duckdb) out=$("${measure[@]}" node "$duckdb_dir/duckdb.mjs" "$dir/duckdb.sql" 2>&1) ;;
        sqlite) out=$(cd "$dir" && "${measure[@]}" sqlite3 <"$dir/sqlite.sql" 2>&1) ;;
        swi) out=$("${measure[@]}" swipl "$dir/swi.pl" 2>&1) ;;
        swi-left) out=$("${measure[@]}" swipl "$dir/swi-left.pl" 2>&1) ;;
        clingo) out=$("${measure[@]}" clingo "$dir/clingo.lp" 2>&1) ;;
    esac
    status=$?
    # The last line: time writes a note about a failed status before the figures.
    read -r peak user system < <(tail -n 1 "$dir/peak" 2>/dev/null)
    seconds=$(awk -v u="$user" -v s="$system" 'BEGIN {printf "%.3f", u + s}')
    case $engine in
        quorin*)
            # One answer row per first argument, its count in N: the sum is the tuple count.
            count=$(grep -o 'N/[0-9]*' <<<"$out" | awk -F/ '{s += $2} END {print s + 0}')
            ((status == 0)) || count="failed($status)" ;;
        swi* | duckdb | sqlite)
            count=$(grep -E '^[0-9]+$' <<<"$out" | tail -1)
            if [[ $engine == duckdb ]]; then
                inner=$(awk '$1 == "engine" {print $2}' <<<"$out" | tail -1)
                [[ -n $inner ]] || inner=-
            fi
            ((status == 0)) || count="failed($status)" ;;
        clingo)
            count=$(grep -o 'count([0-9]*)' <<<"$out" | tr -dc '0-9')
            # 10, 20 and 30 are clingo's success statuses.
            [[ $status == 10 || $status == 20 || $status == 30 ]] || count="failed($status)" ;;
    esac
    echo "$seconds ${peak:-0} ${count:-none} $inner"
}

median() { printf '%s\n' "$@" | sort -g | sed -n 2p; }

# Megabytes of a peak given in kilobytes.
mb() { awk -v k="$1" 'BEGIN {if (k > 0) printf "%.1f", k / 1024; else printf "-"}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (a == "-" || a + 0 == 0 || b == "-" || b + 0 == 0) printf "-"; else printf "%.2f", a / b}'; }

engines=(quorin quorin-method quorin-member quorin-methods quorin-again swi swi-left clingo duckdb
    sqlite)
# Every engine has its columns, whether it runs or not.
columns=("${engines[@]}" quorin-before)
[[ -n ${QUORIN_BEFORE:-} ]] && engines+=(quorin-before)
# Only the listed engines when QUORIN_ENGINES names some, e.g. QUORIN_ENGINES="quorin duckdb"
# (quorin-before runs whenever QUORIN_BEFORE is set).
if [[ -n ${QUORIN_ENGINES:-} ]]; then
    read -ra engines <<<"$QUORIN_ENGINES"
    [[ -n ${QUORIN_BEFORE:-} ]] && engines+=(quorin-before)
fi
# Times in processor seconds (user and system), peaks (max RSS) in MB. q-method and q-member: the
# method and membership forms of the rules (q-method of hop: the first hop a method; q-meths: both
# hops methods). duck-eng: DuckDB's engine time, Q/dEng Quorin over it. swi is SWI-Prolog's better time of its two closure forms, swi-MB the smaller peak
# of the two. again/Q: the predicate form evaluated, given one unrelated new fact and evaluated
# again, over the predicate form evaluated once (about 2 when evaluating again costs what
# evaluating from scratch does).
format='%-16s %7s %7s %8s %8s %7s %7s %7s %7s %8s %7s %6s %6s %6s %6s %6s %6s %6s %6s %6s %6s %7s %7s %7s %8s %7s %9s\n'
# shellcheck disable=SC2059
printf "$format" case quorin before q-method q-member q-meths swi clingo duckdb duck-eng sqlite \
    Q/bef Q/SWI Q/cl Q/duck Q/dEng Q/lite q-MB bef-MB qm-MB qmm-MB swi-MB clingo-MB duck-MB \
    lite-MB again/Q tuples
failed=0
for spec in "${cases[@]}"; do
    read -r workload size <<<"$spec"
    dir="$work/$workload"
    rm -rf "$dir"
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
        [[ $engine == quorin-again || $engine == quorin-before ]] && file=quorin
        case $engine in
            quorin*) file="$file.flp" ;;
            swi*) file="$file.pl" ;;
            clingo) file="$file.lp" ;;
            duckdb | sqlite) file="$file.sql" ;;
        esac
        [[ -f $dir/$file ]] && present+=("$engine")
    done
    declare -A times=() peaks=() counts=()
    inners=
    for _ in 1 2 3; do
        for engine in "${present[@]}"; do
            read -r seconds peak count inner < <(run_engine "$engine" "$dir")
            [[ $engine == duckdb && $inner != - ]] && inners="$inners $inner"
            times[$engine]="${times[$engine]:-} $seconds"
            peaks[$engine]="${peaks[$engine]:-} $peak"
            counts[$engine]=$count
        done
    done
    declare -A med=() medPeak=()
    for engine in "${columns[@]}"; do
        med[$engine]=-
        medPeak[$engine]=0
    done
    for engine in "${present[@]}"; do
        # An engine that failed has no figures to compare: its columns show "-".
        [[ ${counts[$engine]} == failed* ]] && continue
        # shellcheck disable=SC2086
        med[$engine]=$(median ${times[$engine]})
        # shellcheck disable=SC2086
        medPeak[$engine]=$(median ${peaks[$engine]})
    done
    # SWI's better time of the two closure forms, and its smaller peak.
    swi=${med[swi]}
    [[ ${med[swi-left]} != - ]] &&
        { [[ $swi == - ]] || awk -v a="${med[swi-left]}" -v b="$swi" 'BEGIN {exit !(a < b)}'; } &&
        swi=${med[swi-left]}
    engineTime=-
    # shellcheck disable=SC2086
    [[ -n $inners ]] && engineTime=$(median $inners)
    swiPeak=${medPeak[swi]}
    leftPeak=${medPeak[swi-left]}
    ((leftPeak > 0 && (swiPeak == 0 || leftPeak < swiPeak))) && swiPeak=$leftPeak
    # The count of the first peer that ran, the others checked against it.
    reference=
    # (the first engine that ran when no peer did).
    for engine in clingo duckdb sqlite "${present[@]}"; do
        [[ -z $reference && -n ${counts[$engine]:-} ]] && reference=$engine
    done
    expected=${counts[$reference]}
    for engine in "${present[@]}"; do
        if [[ ${counts[$engine]} != "$expected" ]]; then
            echo "count differs on $workload: $engine ${counts[$engine]}, $reference $expected" >&2
            failed=1
        fi
    done
    # shellcheck disable=SC2059
    printf "$format" "$workload-$size" "${med[quorin]}" "${med[quorin-before]}" \
        "${med[quorin-method]}" "${med[quorin-member]}" "${med[quorin-methods]}" "$swi" \
        "${med[clingo]}" "${med[duckdb]}" "$engineTime" "${med[sqlite]}" \
        "$(ratio "${med[quorin]}" "${med[quorin-before]}")" \
        "$(ratio "${med[quorin]}" "$swi")" "$(ratio "${med[quorin]}" "${med[clingo]}")" \
        "$(ratio "${med[quorin]}" "${med[duckdb]}")" "$(ratio "${med[quorin]}" "$engineTime")" \
        "$(ratio "${med[quorin]}" "${med[sqlite]}")" \
        "$(mb "${medPeak[quorin]}")" "$(mb "${medPeak[quorin-before]}")" \
        "$(mb "${medPeak[quorin-method]}")" "$(mb "${medPeak[quorin-member]}")" \
        "$(mb "$swiPeak")" "$(mb "${medPeak[clingo]}")" \
        "$(mb "${medPeak[duckdb]}")" "$(mb "${medPeak[sqlite]}")" \
        "$(ratio "${med[quorin-again]}" "${med[quorin]}")" "$expected"
    unset times peaks counts med medPeak
done
exit $failed
