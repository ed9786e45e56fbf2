#!/usr/bin/env bash
# Checks that the layers above the object base reach it through its interface alone: no file
# there includes the in-memory manager or its registries, names a class of the in-memory store
# (its manager, its frames, its fact writer) or its function-table handle, or asks the base for
# cache hints on its frames or terms (a frame walk and a term maker load ahead inside the base);
# and the object manager's interface itself names no class of the in-memory store (it hands out
# read-only views of frames).
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
        -e '\bMainMem[A-Za-z]*' \
        -e '\b(prefetchFramesOf|objFramesInOrder|setFramesToRead|paramFramesToRead|prefetchFunctionObject|FunctionTableHandle)\b' \
        "$src/$layer")
done
while IFS= read -r hit; do
    echo "the object manager's interface names the in-memory store: $hit"
    bad=1
done < <(grep -n -E '\bMainMem[A-Za-z]*' "$src/objectbase/OM.h")
if ((bad)); then
    echo "1 failed: a layer above the object base reaches into its store"
    exit 1
fi
echo "store interface: the layers above the object base use its interface alone ($*)"
