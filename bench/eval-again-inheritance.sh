#!/usr/bin/env bash
# Evaluating again a program with inheritance: a chain's transitive closure beside a small class
# hierarchy whose members inherit a value that a rule joins with the chain's edges, evaluated,
# given one fact and evaluated again, in mode seminaive. The processor time of the first and of
# the second evaluation (each timed inside the process), medians of the runs, and their ratio, for
# three added facts: an unrelated predicate, a new edge of the chain's relation (both cannot
# change what is inherited), and a new membership (which can). Several binaries (say, one kept
# from before a change) run in one interleaving, so that the machine's load falls on each alike.
# Usage: bench/eval-again-inheritance.sh [-n runs] [-s chain length] [quorin binary ...]
set -euo pipefail
runs=5
size=2000
while getopts n:s: option; do
    case $option in
        n) runs=$OPTARG ;;
        s) size=$OPTARG ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
binaries=("$@")
((${#binaries[@]} > 0)) || binaries=(build/release/quorin)
for i in "${!binaries[@]}"; do binaries[i]=$(realpath "${binaries[i]}"); done
work=$(mktemp -d /tmp/quorin-eval-again-inheritance-XXXXXX)
trap 'rm -rf "$work"' EXIT

python3 - "$size" "$work/program.flp" <<'PY'
import sys
size, path = int(sys.argv[1]), sys.argv[2]
lines = ["e(n%d, n%d)." % (i, i + 1) for i in range(size)]
lines += ["t(X, Y) :- e(X, Y).", "t(X, Z) :- e(X, Y), t(Y, Z).",
          "top[v *-> 0].", "c1 :: top.", "c2 :: c1.", "c1[v *-> 1].",
          "n0 : c2.", "n%d : c1." % (size // 2), "n%d : top." % size,
          "w(X, Y) :- e(X, Z), Z[v -> Y]."]
open(path, "w").write("\n".join(lines) + "\n")
PY
declare -A added=([unrelated]="foo(a)." [edge]="e(m0, m1)." [member]="m0 : c2.")
kinds=(unrelated edge member)
for kind in "${kinds[@]}"; do
    echo "${added[$kind]}" >"$work/$kind.flp"
    cat >"$work/$kind-main.flp" <<EOF
?- sys[clock -> sys.classTimer.new].
?- sys.consult@("program.flp")[].
?- sys.clock.start[].
?- sys.eval[].
?- sys.clock.stop[].
?- sys.echo@(sys.clock.diffUser)[].
?- sys.consult@("$kind.flp")[].
?- sys.clock.start[].
?- sys.eval[].
?- sys.clock.stop[].
?- sys.echo@(sys.clock.diffUser)[].
EOF
done

# "<first> <second>" processor seconds of one run.
run() {
    (cd "$work" && "$1" -q "$2-main.flp" 2>/dev/null) | grep -o '^[0-9.]*sec' | tr -d sec |
        paste -sd' '
}
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

declare -A firsts=() seconds=()
for ((r = 0; r < runs; r++)); do
    for kind in "${kinds[@]}"; do
        for i in "${!binaries[@]}"; do
            read -r first second < <(run "${binaries[i]}" "$kind")
            firsts[$i,$kind]="${firsts[$i,$kind]:-} $first"
            seconds[$i,$kind]="${seconds[$i,$kind]:-} $second"
        done
    done
done
echo "chain of $size edges, $runs runs; load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-10s %-40s %9s %9s %8s\n' added binary first-s second-s ratio
for kind in "${kinds[@]}"; do
    for i in "${!binaries[@]}"; do
        # shellcheck disable=SC2086
        first=$(median ${firsts[$i,$kind]})
        # shellcheck disable=SC2086
        second=$(median ${seconds[$i,$kind]})
        printf '%-10s %-40s %9s %9s %8s\n' "$kind" "${binaries[i]}" "$first" "$second" \
            "$(awk -v a="$second" -v b="$first" 'BEGIN {printf "%.3f", (b > 0 ? a / b : 0)}')"
    done
done
