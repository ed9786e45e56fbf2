#!/usr/bin/env bash
# A descendant step from the document over one chain of nested elements in the Kavum mode: the
# whole run (import and query) for `D isa xmldoc, D//a` written in both orders, with its peak
# memory; with a second binary the same runs of it come first, for a ratio in one sitting.
# Usage: bench/descendant-depth.sh [quorin binary] [depth] [other quorin binary]
set -euo pipefail
quorin=${1:-build/release/quorin}
depth=${2:-10000}
other=${3:-}
work=$(mktemp -d /tmp/quorin-descendant-depth-XXXXXX)
trap 'rm -rf "$work"' EXIT

python3 - "$depth" >"$work/deep.xml" <<'PY'
import sys
depth = int(sys.argv[1])
sys.stdout.write('<?xml version="1.0"?>\n' + '<a>' * depth + 'x' + '</a>' * depth + '\n')
PY
load='"file:deep.xml" isa url.
"file:deep.xml".parse@(xml).
?- sys.eval.
'
printf '%s?- N = count{T ; D isa xmldoc, D//a -> T}.\n' "$load" >"$work/bound-first.flp"
printf '%s?- N = count{T ; D//a -> T, D isa xmldoc}.\n' "$load" >"$work/step-first.flp"

measure() {
    local binary=$1 name=$2
    (cd "$work" && /usr/bin/time -f "%e s real, %M KB peak" "$binary" -kavum "$name.flp" \
        </dev/null 2>"$work/time" | grep -E '^N/' | tr -d ' ')
    echo "  $(basename "$binary") $name: $(tail -1 "$work/time")"
}
echo "depth $depth, load $(cut -d' ' -f1-3 /proc/loadavg)"
for name in bound-first step-first; do
    if [[ -n $other ]]; then measure "$(realpath "$other")" "$name"; fi
    measure "$(realpath "$quorin")" "$name"
done
