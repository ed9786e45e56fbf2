#!/usr/bin/env bash
# Builds the fuzz target of the Web input readers (HTML extraction, HTTP header reading) with clang
# and runs it: fuzz-web.sh [seconds] [seed]. Without a seed libFuzzer picks one. The corpus starts
# from a copy of fuzz/web-seeds/; crashes land in build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
seed=${2:-0}
build=build/fuzz
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORIN_FUZZ=ON >/dev/null
cmake --build "$build" -j "${QUORIN_JOBS:-$(nproc)}" --target web_input_fuzz
corpus="$build/web-corpus"
rm -rf "$corpus"
mkdir -p "$corpus"
cp fuzz/web-seeds/* "$corpus"/
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/fuzz/web_input_fuzz" -max_total_time="$seconds" -seed="$seed" -timeout=10 \
    -max_len=4096 -artifact_prefix="$build/web-" "$corpus"
