#!/usr/bin/env bash
# Builds the DTD parser fuzz target with clang and runs it: fuzz-dtd.sh [seconds] [seed]. Without
# a seed libFuzzer picks one. The corpus starts from a copy of the test DTDs and of the inputs it
# once failed on; crashes land in build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
seed=${2:-0}
build=build/fuzz
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORIN_FUZZ=ON >/dev/null
cmake --build "$build" -j "${QUORIN_JOBS:-$(nproc)}" --target dtd_parser_fuzz
corpus="$build/dtd-corpus"
rm -rf "$corpus"
mkdir -p "$corpus"
cp tests/xml/data/*.dtd fuzz/dtd-regressions/* "$corpus"/
rm -f "$corpus/README"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/fuzz/dtd_parser_fuzz" -max_total_time="$seconds" -seed="$seed" -timeout=10 \
    -max_len=4096 -dict=fuzz/dtd.dict -artifact_prefix="$build/dtd-" "$corpus"
