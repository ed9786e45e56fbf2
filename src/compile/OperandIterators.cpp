// The reports of the operand iterators for columns they do not have.
#include "compile/OperandIterators.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

InternalName OperandRowIterator::atColumn(int col) {
    if (valid(col)) return cell(col);
    centralErrorHandler().report(err6::InvalidUse_8);
    return InternalName::UndefinedObject;
}

InternalName OperandNameIterator::atColumn(int col) {
    if (valid(col)) return cell(col);
    centralErrorHandler().report(err6::InvalidUse_6);
    return InternalName::UndefinedObject;
}
