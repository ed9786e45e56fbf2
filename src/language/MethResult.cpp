// The scalar and set-valued result parts of path steps.
#include "language/MethResult.h"

#include "foundation/OutputChannel.h"
#include "language/FTerm.h"
#include "language/NodeLists.h"

SMethResult::SMethResult(int kind, FTerm* result)
    : MethResult(kind), result(Ref<FTerm>::share(result)) {}

SMethResult::~SMethResult() = default;

MethResult* SMethResult::clone() const {
    FTerm* copy = nullptr;
    if (result != nullptr) {
        copy = static_cast<FTerm*>(result->clone());
        if (copy == nullptr) return nullptr;
    }
    return new SMethResult(getKind(), Ref<FTerm>::adopt(copy).get());
}

void SMethResult::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    switch (getKind()) {
        case 0:
        case 1:
            channel << " -> ";
            break;
        case 3:
        case 4:
            channel << " *-> ";
            break;
        case 6:
            channel << " => ";
            break;
        case 7:
            channel << " =>> ";
            break;
        default:
            break;
    }
    if (result != nullptr) result->print(channel, names, vars);
}

MMethResult::MMethResult(int kind, const clib_list<FTerm*>* results)
    : MethResult(kind), results(nodelists::share(results)) {}

MMethResult::~MMethResult() {
    nodelists::release(results);
}

MethResult* MMethResult::clone() const {
    bool failed = false;
    clib_list<FTerm*>* copies = nodelists::cloneList(results, failed);
    if (failed) return nullptr;
    auto* cloned = new MMethResult(getKind(), copies);
    nodelists::release(copies);
    return cloned;
}

void MMethResult::print(OutputChannel& /*channel*/, const SymTab* /*names*/,
                        const SymTab* /*vars*/) const {}
