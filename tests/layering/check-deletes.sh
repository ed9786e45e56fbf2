#!/usr/bin/env bash
# Checks that objects are freed by their owning handles: counts the delete expressions (delete and
# delete[], outside comments and string literals) in each file under <src>, and fails when a file
# holds more than <allow file> grants it (lines "<path under src> <most> <why>"). A file the list
# does not name may hold none. Lower a count when it falls; a file whose count reaches 0 leaves
# the list. `operator delete` (the allocator's own declarations and raw frees) is not counted.
# Usage: check-deletes.sh <src folder> <allow file>
set -u
src=$1
allowed=$2
declare -A most
while read -r path count _; do
    [[ -z "$path" || "$path" == \#* ]] && continue
    most["$path"]=$count
done <"$allowed"
declare -A found
while IFS= read -r hit; do
    file=${hit%%:*}
    found["${file#"$src"/}"]+="$hit"$'\n'
done < <(grep -rnE --include='*.h' --include='*.cpp' --include='*.y' --include='*.l' \
    '(^|[^A-Za-z0-9_])delete' "$src" |
    sed -E 's/^([^:]*:[0-9]+:)(.*)$/\1\t\2/' |
    awk -F'\t' '{
        code = $2
        gsub(/"([^"\\]|\\.)*"/, "\"\"", code)   # string literals
        gsub(/\/\/.*$/, "", code)                  # line comments
        if (code ~ /^[ \t]*(\*|\/\*)/) next       # block comment lines
        gsub(/operator[ \t]+delete/, "", code)
        if (code ~ /(^|[^A-Za-z0-9_])delete([ \t]*\[[ \t]*\])?([ \t]+[A-Za-z_*(:$]|[ \t]*\()/) print $1 code
    }')
bad=0
for path in "${!found[@]}"; do
    count=$(grep -c . <<<"${found[$path]}")
    limit=${most["$path"]:-0}
    if ((count > limit)); then
        echo "$path: $count delete expressions where at most $limit may remain; hold the object" \
            "in a std::unique_ptr (or a Ref) instead:"
        printf '%s' "${found[$path]}"
        bad=1
    elif ((count < limit)); then
        echo "$path: $count delete expressions (allowed $limit; lower it in $allowed)"
    fi
done
for path in "${!most[@]}"; do
    [[ -n "${found[$path]+x}" ]] || echo "$path: no delete expression left; remove it from $allowed"
done
if ((bad)); then
    echo "1 failed: an object is deleted by hand where an owning handle should free it"
    exit 1
fi
echo "deletes: no file frees more objects by hand than $allowed allows"
