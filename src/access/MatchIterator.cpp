// MatchIterator: the report shared by the stored-fact iterators.
#include "access/MatchIterator.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

void MatchIterator::reportInvalidUse() {
    centralErrorHandler().report(err6::InvalidUse_4);
}
