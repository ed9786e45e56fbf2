#!/usr/bin/env bash
# Checks that the code tells classes apart by type only: no isA("...") names a class anywhere in
# the sources. Parse-tree nodes are told apart by node_cast<T> and ParseTreeNode::is, every other
# object by a cast to its class (typeid where a subclass must not pass). The shell's isA method
# and its argument checks stay: they compare names a user's command supplies, never a written one.
# Usage: check-class-tests.sh <src folder>
set -u
src=$1
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
if hits=$(grep -rnE 'isA\("[A-Za-z_]+"\)' "$src" --include='*.cpp' --include='*.h' --include='*.y'); then
    echo "$hits"
    echo "1 failed: $(grep -c . <<<"$hits") class tested by its name; use a cast to the class"
    bad=1
fi
((bad)) && exit 1
echo "class tests: no class is tested by its name"
