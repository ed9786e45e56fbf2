#!/usr/bin/env bash
# Runs the oracle on many random stratified programs, about half of them with classes, subclasses
# and inherited values: oracle.sh [count] [seed] [--two-steps]. Each program is
# evaluated by quorin (release build, both evaluation modes) and by clingo; a disagreement is
# printed with its program and makes the exit status 1. With --two-steps each program's rules are
# evaluated first and its facts added and evaluated after them (see tests/e2e/oracle.py).
# QUORIN_JOBS sets the parallel runs.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-5000}
seed=${2:-1}
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "${QUORIN_JOBS:-4}" --target quorin
exec python3 tests/e2e/oracle.py "$build/quorin" "$count" "$seed" "$build/oracle" "${@:3}"
