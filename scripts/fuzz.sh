#!/usr/bin/env bash
# Builds a fuzz target with clang and runs it: fuzz.sh [seconds] [seed] [target]. Without a seed
# libFuzzer picks one; the target is the parser's unless named. The parser's corpus starts from a
# copy of examples/, another target's from fuzz/<target>.corpus/; crashes land in build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
seed=${2:-0}
target=${3:-flogic_parser_fuzz}
build=build/fuzz
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORIN_FUZZ=ON >/dev/null
cmake --build "$build" -j "${QUORIN_JOBS:-$(nproc)}" --target "$target"
corpus="$build/corpus"
rm -rf "$corpus"
mkdir -p "$corpus"
options=()
if [[ "$target" == flogic_parser_fuzz ]]; then
    cp examples/*.flp "$corpus"/ 2>/dev/null || true
    cp fuzz/regressions/* "$corpus"/ 2>/dev/null || true
    options+=(-dict=fuzz/flogic.dict)
else
    cp "fuzz/$target.corpus"/* "$corpus"/ 2>/dev/null || true
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/fuzz/$target" -max_total_time="$seconds" -seed="$seed" -timeout=10 \
    -max_len=4096 "${options[@]}" -artifact_prefix="$build/" "$corpus"
