// StableRows: the report of a store that changed under a reader of its rows.
#include "compile/StableRows.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

void StableRows::reportChanged() {
    // The catalogue's error, placed where the contract broke.
    const Error& e = err11::InternalProblems;
    centralErrorHandler().report(Error(e.getOrigin(), e.getNumber(), e.getSeriousness(),
                                       e.getName(), e.getMessage(), "StableRows::scan",
                                       e.getExtra()));
}
