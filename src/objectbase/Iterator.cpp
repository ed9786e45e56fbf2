// The out-of-line destructor of the iterator protocol, which anchors its virtual table here, and
// the one-row test callers use to ask whether a pattern holds.
#include "objectbase/Iterator.h"

Iterator::~Iterator() = default;

bool yieldsRow(Iterator* it) {
    const auto held = Ref<Iterator>::adopt(it);
    return held && held->first();
}
