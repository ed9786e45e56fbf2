#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test; then runs them again on the Release build that quorin.sh starts, whose
# linked allocator the sanitizer build leaves out (the sanitizer keeps its own heap). Exits
# non-zero on any failure. JOBS limits the build jobs and the tests run at once (else
# CMAKE_BUILD_PARALLEL_LEVEL the build jobs and CTEST_PARALLEL_LEVEL the tests; else one per core).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORIN_SANITIZE=ON >/dev/null
build_jobs=${JOBS:-${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}}
test_jobs=${JOBS:-${CTEST_PARALLEL_LEVEL:-$(nproc)}}
cmake --build "$build" -j "$build_jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$test_jobs"
release=build/release
cmake -S . -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$release" -j "$build_jobs"
ctest --test-dir "$release" --output-on-failure -j "$test_jobs"
# A short run of every fuzz target with a fixed seed and a fixed number of inputs, so that it is
# the same run on a loaded machine (clang build; the long runs are scripts/fuzz.sh, not part of
# the tests).
mkdir -p build
if ! QUORIN_FUZZ_RUNS=300 QUORIN_JOBS=${QUORIN_JOBS:-$build_jobs} ./scripts/fuzz.sh 300 1 \
    >build/fuzz-smoke.log 2>&1; then
    tail -n 60 build/fuzz-smoke.log
    exit 1
fi
echo "fuzz smoke runs: passed"
