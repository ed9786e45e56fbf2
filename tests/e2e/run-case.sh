#!/usr/bin/env bash
# Runs one end-to-end case: the quorin program in a fresh copy of the case folder, with the
# case's arguments and standard input, and compares standard output, standard error and the exit
# status with the expected ones (time figures masked), showing a diff on mismatch.
# Usage: run-case.sh <quorin> <case folder> <work folder>
#
# A case folder holds the input files, and:
#   args             the command-line arguments, one a line (optional: none); @EXAMPLES@ stands
#                    for the repository's examples folder
#   env              variables set for the run, one NAME=value a line (optional); @WORK@ stands
#                    for the folder the case runs in (HOME=@WORK@ keeps the home folder there).
#                    BROWSER is "true" unless the case sets it, so no case starts a real
#                    Web browser
#   stdin            the text fed to standard input (optional: empty input)
#   signal           "<SIGNAL> <text>": the signal sent once standard output shows the text,
#                    standard input kept open until then (optional)
#   stdin-first      with a signal: the text fed before waiting for the signal's text, so that
#                    a command's output can show that the shell is reading (optional)
#   expected-stdout, expected-stderr, expected-status
#   expected-file-NAME  the text the run leaves in the file NAME of its folder (optional)
# With QUORIN_E2E_BLESS=1 the actual output becomes the expected one (read it before committing).
set -u
quorin=$1
case_dir=$(cd "$2" && pwd)
work=$3
examples=$(cd "$case_dir/../../../examples" && pwd)

rm -rf "$work"
mkdir -p "$work"
cp -r "$case_dir"/. "$work"/
cd "$work" || exit 1

args=()
if [[ -f args ]]; then
    while IFS= read -r line || [[ -n $line ]]; do args+=("${line//@EXAMPLES@/$examples}"); done <args
fi
[[ -f stdin ]] || : >stdin

unset QUORINCFG QUORINHIS DEFAULTCFG DEFAULTHIS KAVUMCFG KAVUMHIS
export BROWSER=true
if [[ -f env ]]; then
    while IFS= read -r line || [[ -n $line ]]; do
        [[ -n $line ]] && export "${line//@WORK@/$PWD}"
    done <env
fi

# Seconds a run may take: generous, for a sanitizer build on a machine whose cores are all busy.
limit=200

if [[ -f signal ]]; then
    read -r signal_name signal_text <signal
    rm -f input.fifo
    mkfifo input.fifo
    timeout "$limit" "$quorin" "${args[@]}" <input.fifo >actual-stdout 2>actual-stderr &
    pid=$!
    exec 3>input.fifo
    [[ -f stdin-first ]] && cat stdin-first >&3
    # Nothing tells when the text is written, so the output is looked at in short slices, until
    # the text is there, the program has ended, or the time is up.
    deadline=$((SECONDS + limit))
    while ((SECONDS < deadline)); do
        grep -qF -- "$signal_text" actual-stdout 2>/dev/null && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    # The signal goes to quorin itself, not through timeout: it is then pending before the input
    # is closed below, so the program never takes the end of input for the reason it ends.
    target=$(awk '{print $1}' "/proc/$pid/task/$pid/children" 2>/dev/null)
    kill -s "$signal_name" "${target:-$pid}"
    cat stdin >&3
    exec 3>&-
    wait "$pid"
    status=$?
else
    timeout "$limit" "$quorin" "${args[@]}" <stdin >actual-stdout 2>actual-stderr
    status=$?
fi
echo "$status" >actual-status

# Time figures ("0.01 real    0.00 user", "0.01sec real    0.00sec user" in the statistics)
# differ from run to run; nothing else is masked.
mask() { sed -E 's/[0-9][0-9:.]*(sec)? (real|user)/T \2/g' "$1"; }

if [[ ${QUORIN_E2E_BLESS:-} == 1 ]]; then
    for stream in stdout stderr status; do
        cp "actual-$stream" "$case_dir/expected-$stream"
        cp "actual-$stream" "expected-$stream"
    done
fi

failed=0
# The Web access layer deletes the documents it fetched, and the importer its event file, by the
# end of the run (HOME is the case's folder where a case loads documents).
if compgen -G ".wd_*" >/dev/null || compgen -G ".nsgmltmpfile*" >/dev/null; then
    echo "--- temporary document files left:" .wd_* .nsgmltmpfile*
    failed=1
fi
for stream in stdout stderr status; do
    if ! diff -u <(mask "expected-$stream") <(mask "actual-$stream") >"diff-$stream"; then
        echo "--- $stream differs:"
        cat "diff-$stream"
        failed=1
    fi
done
for expected in expected-file-*; do
    [[ -e $expected ]] || continue
    name=${expected#expected-file-}
    if ! diff -u "$expected" "$name" >"diff-file-$name"; then
        echo "--- file $name differs:"
        cat "diff-file-$name"
        failed=1
    fi
done
exit $failed
