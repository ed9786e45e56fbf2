// The orders of Tuple and ExtendedTuple.
#include "objectbase/Tuple.h"

#include <algorithm>

namespace {

// Compares `n` cells of two rows in identifier order; the first difference decides.
int compareCells(const InternalName* a, const InternalName* b, int n) {
    for (int i = 0; i < n; ++i) {
        int c = compare(a[i], b[i]);
        if (c != 0) return c;
    }
    return 0;
}

}  // namespace

int compare(const Tuple& a, const Tuple& b) {
    // Rows of one set share one width; comparing over the common length keeps a row of another
    // width from being read past its end.
    int c = compareCells(a.cells, b.cells, std::min<int>(a.count, b.count));
    if (c != 0) return c;
    return a.count == b.count ? 0 : (a.count < b.count ? -1 : 1);
}

int compareArguments(const ExtendedTuple& a, const ExtendedTuple& b) {
    int c = compareCells(a.cells, b.cells, std::min(a.argCount(), b.argCount()));
    if (c != 0) return c;
    return a.argCount() == b.argCount() ? 0 : (a.argCount() < b.argCount() ? -1 : 1);
}

int compare(const ExtendedTuple& a, const ExtendedTuple& b) {
    int c = compareArguments(a, b);
    if (c != 0 || a.count == 0 || b.count == 0) return c;
    return compare(a.result(), b.result());
}
