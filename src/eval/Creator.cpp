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

int Creator::createFacts(const FactList& facts, std::size_t from, std::size_t count,
                         const BeforeFact& before) {
    int answer = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (before) before(i);
        setChanged(0);
        createFact(facts, i);
        const int one = changed();
        if (one == -1) return -1;
        if (one != 0) answer = 1;
    }
    return answer;
}

void Creator::createFact(const FactList& facts, std::size_t i) {
    const Ref<FRule> clause = Ref<FRule>::adopt(facts.clause(i));
    create(clause->getHead(), nullptr);
}
