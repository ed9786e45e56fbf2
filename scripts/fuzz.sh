#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs them: fuzz.sh [seconds] [seed] [target], the target
# one of those below or "all" (the default: each in turn for the given seconds). Without a seed
# libFuzzer picks one; QUORIN_FUZZ_RUNS=N stops each target after N inputs. Each corpus starts
# from a copy of the target's seeds (never written back); crashes land in build/fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
seed=${2:-0}
target=${3:-all}
build=build/fuzz

# target: the executable, its dictionary and the seed files its corpus starts from.
declare -A program=([flogic]=flogic_parser_fuzz [pevo]=pevo_parser_fuzz [dtd]=dtd_parser_fuzz
                   [web]=web_input_fuzz [import]=import_fuzz [shell]=shell_fuzz)
declare -A dict=([flogic]=fuzz/flogic.dict [pevo]=fuzz/pevo.dict [dtd]=fuzz/dtd.dict
                [import]=fuzz/import.dict)
declare -A seeds=([flogic]="examples/*.flp fuzz/regressions/*"
                  [pevo]="fuzz/pevo-seeds/* fuzz/regressions/*"
                  [dtd]="tests/xml/data/*.dtd fuzz/dtd-regressions/*"
                  [web]="fuzz/web-seeds/*"
                  [import]="fuzz/import-seeds/* fuzz/import-regressions/*"
                  [shell]="fuzz/shell-seeds/* fuzz/shell-regressions/*")
order="flogic pevo dtd web import shell"

case "$target" in
    all) targets=$order ;;
    *)
        if [[ -z "${program[$target]+x}" ]]; then
            echo "unknown fuzz target: $target (one of: $order, or all)" >&2
            exit 2
        fi
        targets=$target
        ;;
esac
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORIN_FUZZ=ON >/dev/null
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for t in $targets; do
    cmake --build "$build" -j "${QUORIN_JOBS:-$(nproc)}" --target "${program[$t]}"
    corpus="$build/corpus-$t"
    rm -rf "$corpus"
    mkdir -p "$corpus"
    for f in ${seeds[$t]}; do
        if [[ -f "$f" && "$(basename "$f")" != README ]]; then cp "$f" "$corpus"/; fi
    done
    options=(-max_total_time="$seconds" -seed="$seed" -timeout=10 -max_len=4096
             -artifact_prefix="$build/$t-")
    # A fixed number of inputs makes a run with a fixed seed the same run on any machine,
    # however loaded: the seconds then only bound it.
    if [[ -n "${QUORIN_FUZZ_RUNS:-}" ]]; then options+=(-runs="$QUORIN_FUZZ_RUNS"); fi
    if [[ -n "${dict[$t]:-}" ]]; then options+=(-dict="${dict[$t]}"); fi
    "$build/fuzz/${program[$t]}" "${options[@]}" "$corpus"
done
