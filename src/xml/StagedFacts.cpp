// The facts of an import's mapping, held back and then stored in order.
#include "xml/StagedFacts.h"

#include <array>
#include <stdexcept>
#include <string>

#include "access/OMAccess.h"

void StagedFacts::checkArguments(int argCount) {
    if (argCount < 0 || argCount > maxArguments)
        throw std::invalid_argument("a staged fact takes at most " + std::to_string(maxArguments) +
                                    " arguments, not " + std::to_string(argCount));
}

namespace {

std::size_t mix(std::size_t seed, const InternalName& name) {
    const std::uint64_t bits =
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(name.getValue())) << 16) |
        (static_cast<std::uint64_t>(name.getType() & 0xff) << 8) |
        static_cast<std::uint8_t>(name.getArity());
    return (seed ^ std::hash<std::uint64_t>{}(bits)) * 0x9e3779b97f4a7c15ULL;
}

}  // namespace

std::size_t StagedFacts::PathKeyHash::operator()(const PathKey& key) const {
    std::size_t seed = static_cast<std::size_t>(std::get<2>(key));
    seed = mix(seed, std::get<0>(key));
    seed = mix(seed, std::get<1>(key));
    seed = mix(seed, std::get<3>(key));
    return mix(seed, std::get<4>(key));
}

std::size_t StagedFacts::RelationKeyHash::operator()(const RelationKey& key) const {
    const std::size_t seed = mix(static_cast<std::size_t>(std::get<2>(key)), std::get<0>(key));
    return mix(seed, std::get<1>(key));
}

StagedFacts::PathKey StagedFacts::keyOf(const InternalName& host, const InternalName& method,
                                        const InternalName* args, int argCount) {
    checkArguments(argCount);
    return {host, method, argCount, argCount > 0 ? args[0] : InternalName(),
            argCount > 1 ? args[1] : InternalName()};
}

void StagedFacts::stage(Kind kind, const InternalName& host, const InternalName& method,
                        const InternalName* args, int argCount, int type,
                        const InternalName* result) {
    checkArguments(argCount);
    heads.push_back(
        Head{kind, static_cast<std::int8_t>(argCount), static_cast<std::int16_t>(type)});
    names.push_back(host);
    names.push_back(method);
    for (int i = 0; i < argCount; ++i) names.push_back(args[i]);
    if (result != nullptr) names.push_back(*result);
}

InternalName StagedFacts::path(OMAccess& access, const InternalName& host,
                               const InternalName& method, const InternalName* args, int argCount) {
    InternalName value;
    if (findPath(access, host, method, args, argCount, value)) return value;
    value = access.reservePathObject(host);
    paths.emplace(keyOf(host, method, args, argCount), value);
    stage(Kind::path, host, method, args, argCount, 0, &value);
    return value;
}

bool StagedFacts::findPath(OMAccess& access, const InternalName& host, const InternalName& method,
                           const InternalName* args, int argCount, InternalName& value) const {
    const auto staged = paths.find(keyOf(host, method, args, argCount));
    if (staged != paths.end()) {
        value = staged->second;
        return true;
    }
    return access.lookupMethodValue(host, method, args, argCount, MethodType::Scalar, value) != 0;
}

void StagedFacts::value(const InternalName& host, const InternalName& method,
                        const InternalName* args, int argCount, int type,
                        const InternalName& value) {
    stage(Kind::value, host, method, args, argCount, type, &value);
}

void StagedFacts::classRelation(const InternalName& object, const InternalName& cls, int kind) {
    stage(Kind::classRelation, object, cls, nullptr, 0, kind, nullptr);
}

void StagedFacts::classRelationOnce(const InternalName& object, const InternalName& cls, int kind) {
    if (relations.insert(RelationKey{object, cls, kind}).second) classRelation(object, cls, kind);
}

void StagedFacts::freshMembership(const InternalName& object, const InternalName& cls) {
    stage(Kind::freshMembership, object, cls, nullptr, 0, 1, nullptr);
}

void StagedFacts::freshChild(const InternalName& object, const InternalName& cls,
                             const InternalName& host, const InternalName& method, int type) {
    const InternalName link[2] = {host, method};
    stage(Kind::freshChild, object, cls, link, 2, type, nullptr);
}

bool StagedFacts::commit(OMAccess& access, const std::function<bool()>& stop,
                         const FreshMember& freshMember) {
    // Storing may start further imports (a stored value can be a Web attribute), which stage
    // facts of their own: these are taken off first.
    std::deque<Head> pendingHeads;
    std::deque<InternalName> pendingNames;
    pendingHeads.swap(heads);
    pendingNames.swap(names);
    discard();
    // The facts are read in place and taken off a poll's worth at a time: the object base grows
    // as the staged facts shrink, without a pop for every name (a fifth of the commit's own
    // instructions on a million sibling elements).
    auto head = pendingHeads.cbegin();
    auto name = pendingNames.cbegin();
    std::size_t stored = 0;
    for (; head != pendingHeads.cend(); ++head) {
        if (++stored % commitPollEvery == 0) {
            pendingHeads.erase(pendingHeads.cbegin(), head);
            pendingNames.erase(pendingNames.cbegin(), name);
            head = pendingHeads.cbegin();
            name = pendingNames.cbegin();
            if (stop && stop()) return false;
        }
        const Head fact = *head;
        const InternalName host = *name++;
        const InternalName method = *name++;
        std::array<InternalName, maxArguments> args{};
        for (int i = 0; i < fact.argCount; ++i) args[static_cast<std::size_t>(i)] = *name++;
        const InternalName* argPointer = fact.argCount > 0 ? args.data() : nullptr;
        switch (fact.kind) {
            case Kind::value:
                access.insertValue(host, method, argPointer, fact.argCount, MethodType(fact.type),
                                   *name++);
                break;
            case Kind::classRelation:
                access.insertClassRelation(host, method, IsaRelation(fact.type));
                break;
            case Kind::freshMembership:
                if (freshMember)
                    freshMember(host, method);
                else
                    access.insertClassRelation(host, method, IsaRelation::Member);
                break;
            case Kind::freshChild:
                access.insertFreshChild(host, method, args[0], args[1], MethodType(fact.type));
                break;
            case Kind::path:
                access.insertReservedPath(host, method, argPointer, fact.argCount, *name++);
                break;
        }
    }
    return true;
}

void StagedFacts::discard() {
    std::deque<Head>().swap(heads);
    std::deque<InternalName>().swap(names);
    paths.clear();
    relations.clear();
}
