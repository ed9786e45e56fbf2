// The facts of an import's mapping, held back and then stored in order.
#include "xml/StagedFacts.h"

#include <algorithm>
#include <array>
#include <span>
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
    ++facts;
    openRun = nullptr;
    openElement = nullptr;
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
    if (openElement != nullptr && argCount == 0 && host == elementObject &&
        openElement->argCount < maxOwnValues &&
        (openElement->argCount == 0 || openElement->valueType == type) && type >= 0 &&
        type <= 0x7f) {
        openElement->valueType = static_cast<std::int8_t>(type);
        ++openElement->argCount;
        ++facts;
        names.push_back(method);
        names.push_back(value);
        return;
    }
    stage(Kind::value, host, method, args, argCount, type, &value);
}

void StagedFacts::classRelation(const InternalName& object, const InternalName& cls, int kind) {
    stage(Kind::classRelation, object, cls, nullptr, 0, kind, nullptr);
}

void StagedFacts::classRelationOnce(const InternalName& object, const InternalName& cls, int kind) {
    // Elements of one name mostly repeat the relation of their attribute's method, met last.
    const RelationKey key{object, cls, kind};
    if (haveLastOnce && key == lastOnce) return;
    if (relations.insert(key).second) classRelation(object, cls, kind);
    lastOnce = key;
    haveLastOnce = true;
}

void StagedFacts::freshMembership(const InternalName& object, const InternalName& cls) {
    stage(Kind::freshMembership, object, cls, nullptr, 0, 1, nullptr);
}

void StagedFacts::freshElement(const InternalName& object, const InternalName& cls,
                               const InternalName& host, const InternalName& method, int type,
                               const InternalName& textMethod, int textType,
                               const InternalName& text) {
    if (type < 0 || type > 0xff || textType < 0 || textType > 0x7f)
        throw std::invalid_argument("a fresh element's types are method types");
    facts += text != InternalName::UndefinedObject ? 3 : 1;
    openRun = nullptr;
    heads.push_back(Head{Kind::freshElement, 0, static_cast<std::int16_t>(type | textType << 8)});
    for (const InternalName* name : {&object, &cls, &host, &method, &textMethod, &text})
        names.push_back(*name);
    openElement = &heads.back();
    elementObject = object;
}

void StagedFacts::startRun(const InternalName& object, const InternalName& cls,
                           const InternalName& host, const InternalName& method, int type) {
    stage(Kind::freshChild, host, method, nullptr, 0, type, nullptr);
    runLengths.push_back(1);
    openRun = &runLengths.back();
    runHost = host;
    runMethod = method;
    runType = type;
    addChild(object, cls);
}

void StagedFacts::newChildBlock() {
    children.push_back(std::make_unique<FreshChild[]>(childBlock));
}

bool StagedFacts::commit(OMAccess& access, const std::function<bool()>& stop,
                         const FreshMember& freshMember) {
    // Storing may start further imports (a stored value can be a Web attribute), which stage
    // facts of their own: these are taken off first.
    std::deque<Head> pendingHeads;
    std::deque<InternalName> pendingNames;
    std::deque<std::uint32_t> pendingRuns;
    std::vector<std::unique_ptr<FreshChild[]>> pendingChildren;
    pendingHeads.swap(heads);
    pendingNames.swap(names);
    pendingRuns.swap(runLengths);
    pendingChildren.swap(children);
    discard();
    // The facts are read in place and taken off a poll's worth at a time: the object base grows
    // as the staged facts shrink, without a pop for every name (a fifth of the commit's own
    // instructions on a million sibling elements). The run of fresh children being stored stays
    // until it is done; a block of children goes once all of it is stored.
    auto head = pendingHeads.cbegin();
    auto name = pendingNames.cbegin();
    auto runLength = pendingRuns.cbegin();
    std::size_t child = 0;
    std::size_t stored = 0;
    auto pollDue = [&] {
        if (++stored % commitPollEvery != 0) return false;
        pendingHeads.erase(pendingHeads.cbegin(), head);
        pendingNames.erase(pendingNames.cbegin(), name);
        pendingRuns.erase(pendingRuns.cbegin(), runLength);
        head = pendingHeads.cbegin();
        name = pendingNames.cbegin();
        runLength = pendingRuns.cbegin();
        return stop && stop();
    };
    // The own values of a fresh element, copied out of the stream (made once: a fresh array
    // for each element cost more than storing its values).
    std::array<FreshElement::Value, maxOwnValues> values;
    for (; head != pendingHeads.cend(); ++head) {
        const Head fact = *head;
        if (fact.kind == Kind::freshChild) {
            // Each child counts as a fact: the run goes to the access layer in pieces that end
            // where a poll is due or a block ends.
            const InternalName host = *name++;
            const InternalName method = *name++;
            for (std::size_t left = *runLength; left > 0;) {
                if (pollDue()) return false;
                const std::size_t at = child % childBlock;
                const std::size_t piece =
                    std::min({left, commitPollEvery - stored % commitPollEvery, childBlock - at});
                const FreshChild* first = &pendingChildren[child / childBlock][at];
                if (piece == 1)
                    access.insertFreshChild(first->object, first->cls, host, method,
                                            MethodType(fact.type));
                else
                    access.insertFreshChildren(host, method, MethodType(fact.type),
                                               std::span<const FreshChild>(first, piece));
                stored += piece - 1;
                left -= piece;
                child += piece;
                if (child % childBlock == 0) pendingChildren[child / childBlock - 1].reset();
            }
            ++runLength;
            continue;
        }
        if (pollDue()) return false;
        if (fact.kind == Kind::freshElement) {
            FreshElement element;
            element.object = *name++;
            element.cls = *name++;
            element.host = *name++;
            element.method = *name++;
            element.type = fact.type & 0xff;
            element.textMethod = *name++;
            element.textType = fact.type >> 8;
            element.text = *name++;
            element.valueType = fact.valueType;
            const auto count = static_cast<std::size_t>(fact.argCount);
            for (std::size_t i = 0; i < count; ++i) {
                values[i].method = *name++;
                values[i].value = *name++;
            }
            element.values = std::span<const FreshElement::Value>(values.data(), count);
            // Asked about as one fact: a poll between its facts would stop in the middle.
            access.insertFreshElement(element);
            continue;
        }
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
            case Kind::freshElement:
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
    std::deque<std::uint32_t>().swap(runLengths);
    std::vector<std::unique_ptr<FreshChild[]>>().swap(children);
    childCount = 0;
    openRun = nullptr;
    openElement = nullptr;
    facts = 0;
    paths.clear();
    relations.clear();
    haveLastOnce = false;
}
