// termToName: from ground terms of the parse tree to the identifiers of the object base.
#include "language/TermToName.h"

#include <vector>

#include "language/FunctionTerm.h"
#include "language/Reference.h"
#include "objectbase/OM.h"

namespace {

// Maps every argument; false when one has no identifier.
bool argumentNames(OM& om, const clib_list<FTerm*>* args, std::vector<InternalName>& out) {
    if (args == nullptr) return true;
    for (FTerm* arg : *args) {
        InternalName name;
        termToName(om, name, dynamic_cast<const Path*>(arg));
        if (name == InternalName::UndefinedObject) return false;
        out.push_back(name);
    }
    return true;
}

InternalName functionTermName(OM& om, const FunctionTerm& term) {
    const FSymbol& symbol = term.getName();
    InternalName name;
    const clib_list<FTerm*>* args = term.getArgs();
    if (args == nullptr || args->empty()) {
        // Numbers are stored as themselves, floats as well as integers, with the object base's
        // flag (the symbol table marks its numbers differently).
        if (symbol.getType() == InternalName::Integer || symbol.getType() == InternalName::Float)
            return symbol.stored();
        om.giveInternalName(symbol, name);
        return name;
    }
    std::vector<InternalName> argNames;
    if (!argumentNames(om, args, argNames)) return InternalName::UndefinedObject;
    // The function symbol names the parameter frame that holds an object per argument tuple.
    InternalName frameName;
    if (om.giveInternalName(symbol, frameName) == 0 ||
        frameName.getType() != InternalName::ParamFrame)
        return InternalName::UndefinedObject;
    const ParamFrameView frame = om.paramFrameOf(frameName);
    if (!frame || frame.lookupResult(argNames.data(), static_cast<int>(argNames.size()), name) == 0)
        return InternalName::UndefinedObject;
    return name;
}

InternalName scalarPathName(OM& om, const Reference& step) {
    // Only the scalar steps ("." and "!") have one stored value; ".." and "!!" have sets.
    if (step.getDot() != 0 && step.getDot() != 3) return InternalName::UndefinedObject;
    InternalName host;
    InternalName method;
    termToName(om, host, step.getHost());
    termToName(om, method, dynamic_cast<const Path*>(step.getMethod()));
    std::vector<InternalName> argNames;
    if (host == InternalName::UndefinedObject || method == InternalName::UndefinedObject ||
        !argumentNames(om, step.getArgs(), argNames))
        return InternalName::UndefinedObject;
    InternalName value;
    if (om.lookupMethodValue(host, method, argNames.data(), static_cast<int>(argNames.size()),
                             step.getDot(), value) == 0)
        return InternalName::UndefinedObject;
    return value;
}

}  // namespace

InternalName& termToName(OM& om, InternalName& out, const Path* term) {
    out = InternalName::UndefinedObject;
    if (const auto* function = dynamic_cast<const FunctionTerm*>(term)) {
        out = functionTermName(om, *function);
    } else if (const auto* step = dynamic_cast<const Reference*>(term)) {
        out = scalarPathName(om, *step);
    }
    return out;
}
