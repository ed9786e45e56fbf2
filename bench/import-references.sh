#!/usr/bin/env bash
# The import of a generated document of about 20 MB in the Kavum mode, once with ID references
# (an IDREF and a two-token IDREFS attribute on every element) and once with the same attributes
# as plain text: the time with references over the time without (the goal is at most 1.5), and
# the peak memory of the run over the document's size (the goal is at most 20).
# Usage: bench/import-references.sh [quorin binary] [megabytes]
set -euo pipefail
quorin=${1:-build/release/quorin}
megabytes=${2:-20}
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

run() {
    local kind=$1
    local folder=$work/$kind
    mkdir -p "$folder"
    generate "$kind" "$folder/doc.xml"
    printf '"file:doc.xml" isa url.\n"file:doc.xml".parse@(xml).\n?- sys.eval.\n' >"$folder/load.flp"
    local size
    size=$(stat -c %s "$folder/doc.xml")
    (cd "$folder" && HOME=$folder /usr/bin/time -f '%e %M' -o time.txt \
        "$quorin" -kavum load.flp >/dev/null 2>&1 </dev/null)
    read -r seconds kilobytes <"$folder/time.txt"
    echo "$kind $size $seconds $kilobytes"
}

without=$(run plain)
with=$(run refs)
read -r _ size0 seconds0 kb0 <<<"$without"
read -r _ size1 seconds1 kb1 <<<"$with"
echo "document without references: $size0 bytes, ${seconds0} s, peak ${kb0} KB"
echo "document with references:    $size1 bytes, ${seconds1} s, peak ${kb1} KB"
python3 - "$seconds0" "$seconds1" "$kb1" "$size1" <<'PY'
import sys
t0, t1, kb, size = float(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
print(f"time with / without references: {t1 / max(t0, 1e-9):.2f} (goal <= 1.5)")
print(f"peak memory / document size:     {kb * 1024 / size:.1f} (goal <= 20)")
PY
