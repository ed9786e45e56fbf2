// The class tests and error reports of the tuple-set iterators.
#include "objectbase/TupleSetIterator.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

bool TupleSetIterator::isA(const std::string& className) const {
    return className == "TupleSetIterator";
}

void TupleSetIterator::reportInvalidUse() const {
    centralErrorHandler().report(err6::InvalidUse_8);
}

bool ExtendedTupleSetIterator::isA(const std::string& className) const {
    return className == "ExtendedTupleSetIterator";
}

void ExtendedTupleSetIterator::reportInvalidUse() const {
    centralErrorHandler().report(err6::InvalidUse_7);
}
