#!/usr/bin/env bash
# Checks that hand-written reference counting does not spread: counts the calls of incRef( and
# decRef( in each layer under <src>, outside the owning handle and the managed root that define
# them, and fails when a count is above its ceiling in <ceiling file> (lines "<layer> <function>
# <most>"). A layer or function the file does not name may have none. Lower the ceiling when a
# count falls; the goal is none.
# Usage: check-refcounts.sh <src folder> <ceiling file> <layer>...
set -u
src=$1
ceilings=$2
shift 2
declare -A most
while read -r layer function count; do
    [[ -z "$layer" || "$layer" == \#* ]] && continue
    most["$layer $function"]=$count
done <"$ceilings"
bad=0
for layer in "$@"; do
    [[ -d "$src/$layer" ]] || continue
    for function in incRef decRef; do
        found=$(grep -rn --include='*.h' --include='*.cpp' --include='*.y' --include='*.l' \
            -e "\\b$function(" "$src/$layer" |
            grep -v -E "^$src/foundation/(Ref\\.h|ManagedObject\\.(h|cpp)):")
        count=0
        [[ -n "$found" ]] && count=$(wc -l <<<"$found")
        limit=${most["$layer $function"]:-0}
        if ((count > limit)); then
            echo "$layer: $count calls of $function( where at most $limit may remain; hold the" \
                "reference in a Ref instead:"
            echo "$found"
            bad=1
        elif ((count < limit)); then
            echo "$layer: $count calls of $function( (ceiling $limit; lower it in $ceilings)"
        fi
    done
done
if ((bad)); then
    echo "1 failed: hand-written reference counting grew"
    exit 1
fi
echo "reference counts: no layer has more hand-written incRef/decRef calls than its ceiling"
