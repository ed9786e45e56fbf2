// IdTerm: the bare nested print shared by variables and function terms.
#include "language/IdTerm.h"

bool IdTerm::isA(const std::string& className) const {
    return className == "IdTerm" || Path::isA(className);
}

void IdTerm::printNested(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    print(channel, names, vars);
}
