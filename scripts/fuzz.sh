#!/usr/bin/env bash
# Builds the parser fuzz targets with clang and runs them: fuzz.sh [seconds] [seed] [target], the
# target "flogic", "pevo" or "all" (the default: each in turn for the given seconds). Without a
# seed libFuzzer picks one. The F-Logic corpus starts from a copy of examples/, the Pevo corpus
# from a copy of fuzz/pevo-seeds/, both with fuzz/regressions/; crashes land in build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
seed=${2:-0}
target=${3:-all}
build=build/fuzz
case "$target" in
    flogic|pevo) dialects=$target ;;
    all) dialects="flogic pevo" ;;
    *) echo "unknown fuzz target: $target (flogic, pevo or all)" >&2; exit 2 ;;
esac
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORIN_FUZZ=ON >/dev/null
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for dialect in $dialects; do
    cmake --build "$build" -j "${QUORIN_JOBS:-$(nproc)}" --target "${dialect}_parser_fuzz"
    corpus="$build/corpus-$dialect"
    rm -rf "$corpus"
    mkdir -p "$corpus"
    if [ "$dialect" = flogic ]; then
        cp examples/*.flp "$corpus"/ 2>/dev/null || true
    else
        cp fuzz/pevo-seeds/* "$corpus"/
    fi
    cp fuzz/regressions/* "$corpus"/ 2>/dev/null || true
    "$build/fuzz/${dialect}_parser_fuzz" -max_total_time="$seconds" -seed="$seed" -timeout=10 \
        -max_len=4096 -dict="fuzz/$dialect.dict" -artifact_prefix="$build/$dialect-" "$corpus"
done
