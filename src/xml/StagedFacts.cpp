// The facts of an import's mapping, held back and then stored in order.
#include "xml/StagedFacts.h"

#include <stdexcept>
#include <string>

#include "access/OMAccess.h"

void StagedFacts::checkArguments(int argCount) {
    if (argCount < 0 || argCount > maxArguments)
        throw std::invalid_argument("a staged fact takes at most " + std::to_string(maxArguments) +
                                    " arguments, not " + std::to_string(argCount));
}

StagedFacts::PathKey StagedFacts::keyOf(const InternalName& host, const InternalName& method,
                                        const InternalName* args, int argCount) {
    checkArguments(argCount);
    return {host, method, argCount, argCount > 0 ? args[0] : InternalName(),
            argCount > 1 ? args[1] : InternalName()};
}

StagedFacts::Fact StagedFacts::makeFact(Fact::Kind kind, const InternalName& host,
                                        const InternalName& method, const InternalName* args,
                                        int argCount, int type, const InternalName& result) {
    checkArguments(argCount);
    Fact fact{kind,
              static_cast<std::int8_t>(argCount),
              static_cast<std::int16_t>(type),
              host,
              method,
              {},
              result};
    for (int i = 0; i < argCount; ++i) fact.args[static_cast<std::size_t>(i)] = args[i];
    return fact;
}

InternalName StagedFacts::path(OMAccess& access, const InternalName& host,
                               const InternalName& method, const InternalName* args, int argCount) {
    InternalName value;
    if (findPath(access, host, method, args, argCount, value)) return value;
    value = access.reservePathObject(host);
    paths.emplace(keyOf(host, method, args, argCount), value);
    facts.push_back(makeFact(Fact::Kind::path, host, method, args, argCount, 0, value));
    return value;
}

bool StagedFacts::findPath(OMAccess& access, const InternalName& host, const InternalName& method,
                           const InternalName* args, int argCount, InternalName& value) const {
    const auto staged = paths.find(keyOf(host, method, args, argCount));
    if (staged != paths.end()) {
        value = staged->second;
        return true;
    }
    return access.lookupMethodValue(host, method, args, argCount, 0, value) != 0;
}

void StagedFacts::value(const InternalName& host, const InternalName& method,
                        const InternalName* args, int argCount, int type,
                        const InternalName& value) {
    facts.push_back(makeFact(Fact::Kind::value, host, method, args, argCount, type, value));
}

void StagedFacts::classRelation(const InternalName& object, const InternalName& cls, int kind) {
    facts.push_back(makeFact(Fact::Kind::classRelation, object, cls, nullptr, 0, kind, {}));
}

void StagedFacts::commit(OMAccess& access) {
    // Storing may start further imports (a stored value can be a Web attribute), which stage
    // facts of their own: these are taken off first.
    std::vector<Fact> pending;
    pending.swap(facts);
    paths.clear();
    for (const Fact& fact : pending) {
        const InternalName* args = fact.argCount > 0 ? fact.args.data() : nullptr;
        switch (fact.kind) {
            case Fact::Kind::value:
                access.insertValue(fact.host, fact.method, args, fact.argCount, fact.type,
                                   fact.result);
                break;
            case Fact::Kind::classRelation:
                access.insertClassRelation(fact.host, fact.method, fact.type);
                break;
            case Fact::Kind::path:
                access.insertReservedPath(fact.host, fact.method, args, fact.argCount, fact.result);
                break;
        }
    }
}

void StagedFacts::discard() {
    std::vector<Fact>().swap(facts);
    paths.clear();
}
