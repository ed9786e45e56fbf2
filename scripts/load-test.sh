#!/usr/bin/env bash
# Runs the tests that start processes, terminals, servers or children, or write files, several
# times while busy loops keep every core loaded, and says which failed in which repeat. The loops
# are ended however the script ends. Exits non-zero when any test failed in any repeat.
#
# Usage: scripts/load-test.sh [repeats (3)] [busy loops (12)] [ctest jobs (4)]
# The sanitizer build of ./test.sh (build/test) is built first when it is not up to date.
set -euo pipefail
cd "$(dirname "$0")/.."

repeats=${1:-3}
loops=${2:-12}
jobs=${3:-4}
build=build/test

# The tests that start processes (the program's end-to-end cases and every child a test forks),
# use terminals, run servers, or write and replace files. The random differential and oracle
# runs start processes too, but take minutes each; LOAD_TEST_ALL=1 takes them in as well.
selection='^e2e_'
selection+='|^(RawTerminalTest|LineInputTest|QuorinAtATerminal|FileNameCompletionTest)\.'
selection+='|^(RetryingFileBuffer\.|PrettyPrinterTest\.CtrlCOnABlockedPipe|HtmlTest\.)'
selection+='|^(ClibStartup|PerlWrapperTest|ConfinedChildTest|ControlEventsTest|ProcessInfoTest)\.'
selection+='|^(Web[A-Za-z]*Test|NsgmlWrapperTest|NsgmlHandlerTest|LeftoverFiles)\.'
selection+='|^(FileReplacementTest|SaveAsTest|FLExportFileTest|ExportRoundTripTest)\.'
selection+='|^(XMLExportTest|XMLExportCasesTest|KavumExportTest)\.'
excluded=(-LE 'differential|oracle')
[[ ${LOAD_TEST_ALL:-} == 1 ]] && excluded=()

export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORIN_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$jobs" >&2

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

busy=()
stop_loops() {
    for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${busy[@]}"; do wait "$pid" 2>/dev/null || true; done
    busy=()
}
trap stop_loops EXIT
trap 'exit 130' INT TERM HUP

for ((i = 0; i < loops; i++)); do
    (while :; do :; done) &
    busy+=("$!")
done
echo "load test: $loops busy loops on $(nproc) cores, $repeats repeats, ctest -j $jobs"

logs=build/load-test
mkdir -p "$logs"
failed_any=0
summary=()
for ((run = 1; run <= repeats; run++)); do
    log=$logs/repeat-$run.log
    first=${#summary[@]}
    start=$SECONDS
    status=0
    ctest --test-dir "$build" -R "$selection" "${excluded[@]}" -j "$jobs" --output-on-failure \
        >"$log" 2>&1 ||
        status=$?
    took=$((SECONDS - start))
    total=$(grep -Eo 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | grep -Eo '[0-9]+$' ||
        echo "?")
    failures=$(sed -n '/The following tests FAILED:/,$p' "$log" | grep -E '^[[:space:]]+[0-9]+ - ' |
        sed -E 's/^[[:space:]]+[0-9]+ - //' || true)
    skipped=$(grep -c -i ' skipped' "$log" || true)
    if [[ $status -ne 0 || -n $failures ]]; then
        failed_any=1
        summary+=("repeat $run: FAILED after ${took}s ($total tests, log $log):")
        while IFS= read -r line; do
            [[ -n $line ]] && summary+=("    $line")
        done <<<"$failures"
        [[ -z $failures ]] && summary+=("    ctest status $status")
    else
        summary+=("repeat $run: all $total tests passed in ${took}s ($skipped skipped)")
    fi
    printf '%s\n' "${summary[@]:first}"
done
stop_loops

echo
echo "load test summary ($loops busy loops, ctest -j $jobs):"
printf '%s\n' "${summary[@]}"
exit $failed_any
