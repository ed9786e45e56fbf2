#!/usr/bin/env bash
# Installs what is missing, builds Quorin when needed and starts it with the given arguments.
# What installing and building print goes to standard error: standard output carries only what
# Quorin writes.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh" >&2
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
# Build jobs: JOBS, else CMAKE_BUILD_PARALLEL_LEVEL, else one per core.
jobs=${JOBS:-${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}}
cmake --build "$build" --target quorin -j "$jobs" >&2
exec "$build/quorin" "$@"
