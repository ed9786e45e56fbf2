#!/usr/bin/env bash
# Consults 100,000 predicate facts p(aN)., 100,000 molecules oN[m -> vN]., 100,000 molecules
# of two values oN[a -> xN; b -> yN]., 100,000 members with a value oN:cK[m -> N]. (fifty
# classes), and facts whose values are function terms and lists: one term shared by every fact
# (p(aN, f(b))., p(aN, [a])., oN[m -> f(x)]., p(aN, [a, b, c, d, e]).) or a term of each fact's
# own (p(aN, f(bN)).); each file ends with an evaluation. With one or more quorin binaries,
# interleaved run by run, it prints each binary's median CPU time per fact and peak memory per
# fact above that of the empty program (whole process, /usr/bin/time).
# Usage: bench/consult-facts.sh [-n runs] [-f facts] binary...
set -euo pipefail
runs=5
facts=100000
while getopts n:f: option; do
    case $option in
        n) runs=$OPTARG ;;
        f) facts=$OPTARG ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || set -- build/release/quorin
work=$(mktemp -d /tmp/quorin-consult-facts-XXXXXX)
trap 'rm -rf "$work"' EXIT

python3 - "$work" "$facts" <<'PY'
import sys
work, facts = sys.argv[1], int(sys.argv[2])
# Each file holds its facts, one a line, then the evaluation; "empty" is the baseline.
forms = {
    "empty": None,
    "predicate": "p(a{i}).",
    "molecule": "o{i}[m -> v{i}].",
    "two-values": "o{i}[a -> x{i}; b -> y{i}].",
    "class-value": "o{i}:c{k}[m -> {i}].",
    "function": "p(a{i}, f(b)).",
    "list": "p(a{i}, [a]).",
    "value-term": "o{i}[m -> f(x)].",
    "list-of-5": "p(a{i}, [a, b, c, d, e]).",
    "own-term": "p(a{i}, f(b{i})).",
}
for name, fact in forms.items():
    with open(f"{work}/{name}.flp", "w") as out:
        if fact is not None:
            out.writelines(fact.format(i=i, k=i % 50) + "\n" for i in range(facts))
        out.write("?- sys.eval[].\n")
PY

# One line "binary kind cpu-seconds max-rss-kb" per run.
for ((run = 1; run <= runs; ++run)); do
    for binary in "$@"; do
        for kind in empty predicate molecule two-values class-value function list value-term \
            list-of-5 own-term; do
            /usr/bin/time -f '%U %S %M' -o "$work/time.txt" "$binary" -q "$work/$kind.flp" \
                >/dev/null 2>&1 </dev/null
            read -r user system kilobytes <"$work/time.txt"
            echo "$binary $kind $(echo "$user + $system" | bc) $kilobytes" >>"$work/runs.txt"
        done
    done
done

python3 - "$work/runs.txt" "$facts" "$@" <<'PY'
import statistics, sys
path, facts, binaries = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
runs = {}
for line in open(path):
    binary, kind, cpu, kb = line.split()
    runs.setdefault((binary, kind), []).append((float(cpu), int(kb)))
print(f"{'binary':50} {'facts':12} {'cpu us/fact':>12} {'bytes/fact':>11}")
for binary in binaries:
    empty = statistics.median(kb for _, kb in runs[(binary, "empty")])
    for kind in ("predicate", "molecule", "two-values", "class-value", "function", "list",
                 "value-term", "list-of-5", "own-term"):
        cpu = statistics.median(c for c, _ in runs[(binary, kind)])
        kb = statistics.median(k for _, k in runs[(binary, kind)])
        print(f"{binary:50} {kind:12} {cpu / facts * 1e6:12.2f} {(kb - empty) * 1024 / facts:11.0f}")
PY
