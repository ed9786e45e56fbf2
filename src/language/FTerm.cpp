// FTerm: the fallback print of term classes without a form of their own.
#include "language/FTerm.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"

bool FTerm::isA(const std::string& className) const {
    return className == "FTerm" || ParseTreeNode::isA(className);
}

void FTerm::print(OutputChannel& channel, const SymTab* /*names*/, const SymTab* /*vars*/) const {
    centralErrorHandler().report(err9::FTermPrintCalled);
    channel << "...";
}
