// The creator interface's shared part: the access layer it writes through.
#include "eval/Creator.h"

#include "access/OMAccess.h"
#include "foundation/OutputChannel.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FactList.h"

Creator::Creator(OMAccess* access) : access(Ref<OMAccess>::share(access)) {}

Creator::~Creator() = default;

void Creator::print(OutputChannel& channel) const {
    channel << "aCreator";
}

bool Creator::isA(const std::string& className) const {
    return className == "Creator" || PtnScanner::isA(className);
}

void Creator::createFact(const FactList& facts, std::size_t i) {
    const Ref<FRule> clause = Ref<FRule>::adopt(facts.clause(i));
    create(clause->getHead(), nullptr);
}
