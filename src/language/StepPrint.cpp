// Print pieces shared by path steps and method specifications.
#include "language/StepPrint.h"

#include "foundation/OutputChannel.h"
#include "language/FVar.h"
#include "language/NodeLists.h"

void printStepMethod(OutputChannel& channel, const FTerm* method, const SymTab* names,
                     const SymTab* vars) {
    if (method == nullptr) return;
    if (const auto* var = dynamic_cast<const FVar*>(method)) {
        var->printVar(channel, names, vars, 1);
    } else {
        method->print(channel, names, vars);
    }
}

void printStepArgs(OutputChannel& channel, const clib_list<FTerm*>* args, const SymTab* names,
                   const SymTab* vars) {
    if (nodelists::isEmpty(args)) return;
    channel << "@(";
    nodelists::print(channel, *args, ",", names, vars);
    channel << ")";
}

const char* pevoAxisText(int code) {
    switch (code) {
        case 2:
            return "descendant::";
        case 3:
            return "parent::";
        case 4:
            return "ancestor::";
        case 5:
            return "sibling::";
        case 6:
            return "@";
        default:
            return "";
    }
}
