#!/usr/bin/env bash
# Installs what is missing, builds Quorin when needed and starts it with the given arguments.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)"
if [[ ! -x "$build/quorin" ]]; then
    echo "quorin: the interactive program is not built yet (its shell does not exist so far)." >&2
    exit 1
fi
exec "$build/quorin" "$@"
