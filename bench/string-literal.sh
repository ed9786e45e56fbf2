#!/usr/bin/env bash
# One string literal of 1, 2, 4, 8 and 16 MB (each size a file of its own fact and evaluation)
# consulted in the F-Logic and the Kavum mode, and the same string typed at the prompt (standard
# input): each binary's median processor time (user and system) per size, and whether the run
# found the string's length, runs of the binaries interleaved so that a ratio is taken in one
# sitting. A linear scanner takes twice the time for twice the string.
# Usage: bench/string-literal.sh [-n runs] [-s "sizes in MB"] binary...
set -euo pipefail
runs=3
sizes="1 2 4 8 16"
while getopts n:s: option; do
    case $option in
        n) runs=$OPTARG ;;
        s) sizes=$OPTARG ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || set -- build/release/quorin
work=$(mktemp -d /tmp/quorin-string-literal-XXXXXX)
trap 'rm -rf "$work"' EXIT

python3 - "$work" $sizes <<'PY'
import sys
work, sizes = sys.argv[1], sys.argv[2:]
for mb in sizes:
    text = "x" * (int(mb) * 1024 * 1024)
    with open(f"{work}/file-{mb}.flp", "w") as out:
        out.write('p("' + text + '").\nn(N) :- p(X), strlen(X, N).\n?- sys.eval[].\n?- n(N).\n')
    with open(f"{work}/prompt-{mb}.txt", "w") as out:
        out.write('strlen("' + text + '", N).\n')
PY

# One line "binary road size seconds found" per run.
for ((run = 1; run <= runs; ++run)); do
    for binary in "$@"; do
        for mb in $sizes; do
            for road in file kavum prompt; do
                case $road in
                    file) args=(-q "$work/file-$mb.flp") input=/dev/null ;;
                    kavum) args=(-kavum -q "$work/file-$mb.flp") input=/dev/null ;;
                    prompt) args=() input="$work/prompt-$mb.txt" ;;
                esac
                /usr/bin/time -f '%U %S' -o "$work/time.txt" "$binary" "${args[@]}" \
                    <"$input" >"$work/out.txt" 2>&1 || true
                read -r user system <"$work/time.txt"
                found=no
                grep -q "N/$((mb * 1024 * 1024)) " "$work/out.txt" && found=yes
                echo "$binary $road $mb $(echo "$user + $system" | bc) $found" >>"$work/runs.txt"
            done
        done
    done
done

python3 - "$work/runs.txt" "$sizes" "$@" <<'PY'
import statistics, sys
path, sizes, binaries = sys.argv[1], sys.argv[2].split(), sys.argv[3:]
runs = {}
missed = set()
for line in open(path):
    binary, road, mb, seconds, found = line.split()
    runs.setdefault((binary, road, mb), []).append(float(seconds))
    if found != "yes":
        missed.add((binary, road, mb))
print(f"{'binary':50} {'road':7}" + "".join(f"{mb + ' MB':>9}" for mb in sizes) +
      "  (processor seconds; * the length was not answered)")
for binary in binaries:
    for road in ("file", "kavum", "prompt"):
        cells = "".join(f"{statistics.median(runs[(binary, road, mb)]):8.2f}" +
                        ("*" if (binary, road, mb) in missed else " ") for mb in sizes)
        print(f"{binary:50} {road:7}{cells}")
PY
