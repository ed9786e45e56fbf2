// StableRows: the report of a store that changed under a reader of its rows.
#include "compile/StableRows.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

void StableRows::reportChanged() {
    // The catalogue's error, placed where the contract broke.
    centralErrorHandler().report(err11::InternalProblems.at("StableRows::scan"));
}
