#!/usr/bin/env bash
# Runs the oracle on many random stratified programs, about half of them with classes, subclasses
# and inherited values: oracle.sh [count] [seed]. Each program is
# evaluated by quorin (release build, both evaluation modes) and by clingo; a disagreement is
# printed with its program and makes the exit status 1. QUORIN_JOBS sets the parallel runs.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-5000}
seed=${2:-1}
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "${QUORIN_JOBS:-4}" --target quorin
exec python3 tests/e2e/oracle.py "$build/quorin" "$count" "$seed" "$build/oracle"
