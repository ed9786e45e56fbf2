// The out-of-line destructor of the iterator protocol, which anchors its virtual table here.
#include "objectbase/Iterator.h"

Iterator::~Iterator() = default;
