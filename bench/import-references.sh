#!/usr/bin/env bash
# The import of a generated document of about 20 MB in the Kavum mode, once with ID references
# (an IDREF and a two-token IDREFS attribute on every element) and once with the same attributes
# as plain text: the time with references over the time without (the goal is at most 1.5), and
# the peak memory of the run over the document's size (the goal is at most 20).
#
# The two documents are alike but for the declared types of the two attributes: the same
# elements, the same attribute texts, the same ID on every element and the same size (IDREFS is
# one byte longer than CDATA in the DTD). So the ratio measures what declaring the references
# costs: their records, their resolution and the values they add (a reference is stored as the
# attribute's xml_idref text and as a link to each target; the plain text as one string).
# The runs alternate, a round being one run of each, so that a machine whose load changes
# meanwhile weighs on both alike; the ratio given is the median of the rounds' ratios.
# Usage: bench/import-references.sh [quorin binary] [megabytes] [rounds]
set -euo pipefail
quorin=${1:-build/release/quorin}
megabytes=${2:-20}
rounds=${3:-3}
quorin=$(cd "$(dirname "$quorin")" && pwd)/$(basename "$quorin")
work=$(mktemp -d /tmp/quorin-import-references-XXXXXX)
trap 'rm -rf "$work"' EXIT

# One element is about 70 bytes.
count=$((megabytes * 1024 * 1024 / 70))
generate() {
    local kind=$1 file=$2
    python3 - "$kind" "$count" >"$file" <<'PY'
import sys
kind, count = sys.argv[1], int(sys.argv[2])
ref = "IDREF" if kind == "refs" else "CDATA"
refs = "IDREFS" if kind == "refs" else "CDATA"
out = sys.stdout
out.write('<?xml version="1.0"?>\n<!DOCTYPE list [\n<!ELEMENT list (item)*>\n'
          '<!ELEMENT item (#PCDATA)>\n'
          f'<!ATTLIST item id ID #REQUIRED next {ref} #IMPLIED see {refs} #IMPLIED>\n]>\n<list>\n')
for i in range(count):
    out.write(f'<item id="i{i}" next="i{(i * 7919 + 1) % count}" '
              f'see="i{(i * 104729 + 3) % count} i{(i + 1) % count}">item {i}</item>\n')
out.write('</list>\n')
PY
}

for kind in plain refs; do
    mkdir -p "$work/$kind"
    generate "$kind" "$work/$kind/doc.xml"
    printf '"file:doc.xml" isa url.\n"file:doc.xml".parse@(xml).\n?- sys.eval.\n' \
        >"$work/$kind/load.flp"
done

# Prints the wall seconds, the peak kilobytes and the processor seconds of one import.
run() {
    local folder=$work/$1
    (cd "$folder" && HOME=$folder /usr/bin/time -f '%e %M %U %S' -o time.txt \
        "$quorin" -kavum load.flp >/dev/null 2>&1 </dev/null)
    cat "$folder/time.txt"
}

size0=$(stat -c %s "$work/plain/doc.xml")
size1=$(stat -c %s "$work/refs/doc.xml")
results=()
for ((round = 1; round <= rounds; ++round)); do
    read -r seconds0 kb0 user0 system0 < <(run plain)
    read -r seconds1 kb1 user1 system1 < <(run refs)
    echo "round $round: without references ${seconds0} s, peak ${kb0} KB;" \
        "with references ${seconds1} s, peak ${kb1} KB"
    results+=("$seconds0 $seconds1 $kb1 $user0 $system0 $user1 $system1")
done
echo "documents: $size0 bytes without references, $size1 bytes with"
printf '%s\n' "${results[@]}" | python3 -c '
import statistics, sys
size = float(sys.argv[1])
rows = [tuple(map(float, line.split())) for line in sys.stdin if line.strip()]
ratios = [row[1] / max(row[0], 1e-9) for row in rows]
cpu = [(row[5] + row[6]) / max(row[3] + row[4], 1e-9) for row in rows]
peak = statistics.median(row[2] for row in rows)
print("time with / without references: "
      + " ".join(f"{r:.2f}" for r in ratios)
      + f", median {statistics.median(ratios):.2f} (goal <= 1.5)")
# Processor time counts only the work of the program, whatever else runs on the machine.
print("processor time, the same ratio:  "
      + " ".join(f"{r:.2f}" for r in cpu) + f", median {statistics.median(cpu):.2f}")
print(f"peak memory / document size:     {peak * 1024 / size:.1f} (goal <= 20)")
' "$size1"
