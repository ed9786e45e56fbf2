// The creator interface's shared part: the access layer it writes through.
#include "eval/Creator.h"

#include "access/OMAccess.h"
#include "foundation/OutputChannel.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FactList.h"

Creator::Creator(OMAccess* access) : access(access) {
    incRef(access);
}

Creator::~Creator() {
    decRef(access);
}

void Creator::print(OutputChannel& channel) const {
    channel << "aCreator";
}

bool Creator::isA(const std::string& className) const {
    return className == "Creator" || PtnScanner::isA(className);
}

void Creator::createFact(const FactList& facts, std::size_t i) {
    FRule* clause = facts.clause(i);
    create(clause->getHead(), nullptr);
    decRef(clause);
}
