#!/usr/bin/env bash
# Checks that no file under <src>/<layer>/ includes a header of a layer above it.
# Usage: check-layers.sh <src folder> <layer>... (the layers lowest first).
set -u
src=$1
shift
declare -A rank
i=0
for layer in "$@"; do
    rank[$layer]=$i
    i=$((i + 1))
done
bad=0
for layer in "$@"; do
    [[ -d "$src/$layer" ]] || continue
    while IFS= read -r hit; do
        target=$(sed -E 's/^[^:]*:[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]+"([a-z]+)\/.*/\1/' <<<"$hit")
        if [[ -n "${rank[$target]+x}" ]] && ((rank[$target] > rank[$layer])); then
            echo "upward include (layer $layer includes $target): $hit"
            bad=1
        fi
    done < <(grep -rn -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z]+/' "$src/$layer")
done
if ((bad)); then
    echo "1 failed: a layer includes a higher one (order: $*)"
    exit 1
fi
echo "layering: every include runs downward (order: $*)"
