#!/usr/bin/env bash
# Checks that code tells classes apart by type, not by class-name text: no isA("...") names a
# parse-tree class anywhere (node_cast and ParseTreeNode::is do that), and outside the shell the
# remaining class-name tests (iterators handed back for reuse, shell arguments) grow no further
# than the ceiling below.
# Usage: check-class-tests.sh <src folder>
set -u
src=$1
# The class-name tests the engine still makes, outside src/shell; lower it as they go.
ceiling=14
names=$(sed -n '/names\[static_cast<int>(ParseTreeClass::Count)\]/,/};/p' \
    "$src/foundation/ParseTreeClassNames.h" | grep -oE '"[A-Za-z]+"' | tr -d '"')
if [[ -z "$names" ]]; then
    echo "1 failed: no parse-tree class names found in $src/foundation/ParseTreeClassNames.h"
    exit 1
fi
pattern="isA\(\"($(paste -sd'|' <<<"$names"))\"\)"
bad=0
if hits=$(grep -rnE "$pattern" "$src" --include='*.cpp' --include='*.h' --include='*.y'); then
    echo "$hits"
    echo "1 failed: a parse-tree class is tested by its name; use node_cast<T> or is(ParseTreeClass::...)"
    bad=1
fi
engine=$(grep -rnoE 'isA\("[A-Za-z_]+"\)' "$src" --include='*.cpp' --include='*.h' --include='*.y' |
    grep -v "^$src/shell/")
count=$(grep -c . <<<"$engine")
[[ -z "$engine" ]] && count=0
if ((count > ceiling)); then
    echo "$engine"
    echo "1 failed: $count class-name tests outside the shell, more than the $ceiling allowed"
    bad=1
fi
((bad)) && exit 1
echo "class tests: no parse-tree class tested by name; $count class-name tests outside the shell (ceiling $ceiling)"
