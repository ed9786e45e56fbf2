#!/usr/bin/env bash
# Checks that the layers above the object base reach it through its interface alone: no file
# there includes the in-memory manager or its registries, names the manager's class or its
# function-table handle, or asks the base for cache hints on its frames or terms (a frame walk
# and a term maker load ahead inside the base).
# Usage: check-store-interface.sh <src folder> <layer>... (the layers above the object base).
set -u
src=$1
shift
bad=0
for layer in "$@"; do
    [[ -d "$src/$layer" ]] || continue
    while IFS= read -r hit; do
        echo "store internals above the object base: $hit"
        bad=1
    done < <(grep -rn -E \
        -e '#[[:space:]]*include[[:space:]]+"objectbase/(MainMemOM|MainMemFactWriter|FrameManager|FrameRegistry|SetFrameRegistry)\.h"' \
        -e '\bMainMemOM\b' \
        -e '\b(prefetchFramesOf|objFramesInOrder|setFramesToRead|paramFramesToRead|prefetchFunctionObject|FunctionTableHandle)\b' \
        "$src/$layer")
done
if ((bad)); then
    echo "1 failed: a layer above the object base reaches into its store"
    exit 1
fi
echo "store interface: the layers above the object base use its interface alone ($*)"
