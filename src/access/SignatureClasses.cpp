// The classes that take part in signatures, from one walk over the signatures.
#include "access/SignatureClasses.h"

#include <algorithm>

#include "access/OMAccess.h"
#include "objectbase/FrameWalk.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "objectbase/ParamRows.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

// An object numbered densely by the name counter, whose number can index an array.
bool numbered(const InternalName& name) {
    return name.getType() == InternalName::Object && name.getArity() == 0 && name.getValue() >= 0 &&
           name.getValue() < (1 << 24);
}

}  // namespace

SignatureClasses::SignatureClasses(OMAccess& access) : access(access), rows(access) {}

std::uint32_t SignatureClasses::placeOf(const InternalName& host) const {
    if (numbered(host)) {
        const std::size_t number = std::size_t(host.getValue());
        return number < firstSignatureAt.size() ? firstSignatureAt[number] : 0;
    }
    return firstSignatureOf.valueOr(host, 0);
}

std::uint32_t SignatureClasses::readPlace(const InternalName& host) {
    const std::uint32_t place = placeOf(host);
    if (place != 0) return place;
    // Once every host is read, a host not read has no signatures.
    if (gathered) return readNone;
    OM* om = access.om();
    return readHost(host, om != nullptr ? om->objectFrameOf(host) : ObjectFrameView());
}

std::uint32_t SignatureClasses::readHost(const InternalName& host, ObjectFrameView frame) {
    // The entries come in the order of their types; their order answers nothing. Reading them
    // changes none, so they are read in place.
    const std::size_t first = signatures.size();
    bool takesPart = false;
    if (frame)
        frame.forEachStoredEntry([&](const MethodKey& key, const InternalName& value) {
            const int type = key.methodType;
            if (type >= code(MethodType::ScalarSignature) &&
                type <= code(MethodType::AttributeSetSignature)) {
                signatures.push_back({MethodType(type), host, key.method, key.argCount});
                signatureValues.push_back(value);
                takesPart = takesPart || type != code(MethodType::AttributeSetSignature);
            }
        });
    const std::uint32_t place =
        signatures.size() > first ? static_cast<std::uint32_t>(first + 1) : readNone;
    if (numbered(host)) {
        const std::size_t number = std::size_t(host.getValue());
        if (number >= firstSignatureAt.size())
            firstSignatureAt.resize(std::max(number + 1, firstSignatureAt.size() * 2), 0);
        firstSignatureAt[number] = place;
    } else {
        firstSignatureOf.insert_or_assign(host, place);
    }
    if (takesPart) known.emplace(host, true);
    return place;
}

void SignatureClasses::gatherAll() {
    if (gathered) return;
    gathered = true;
    // The hosts of signatures are found by the object base in one pass over its frames, and only
    // their entries are read, in place; a host read already keeps what it gave.
    OM* om = access.om();
    if (om == nullptr) return;
    const FrameWalk hosts = om->walkFrames(FrameFilter::hostsOfEntryTypes(
        code(MethodType::ScalarSignature), code(MethodType::AttributeSetSignature)));
    signatureHosts.reserve(hosts.size());
    for (const auto& host : hosts) {
        signatureHosts.push_back(host.first);
        if (placeOf(host.first) == 0) readHost(host.first, host.second);
    }
}

void SignatureClasses::addNamedClasses() {
    namedClassesAdded = true;
    gatherAll();
    // A lookup of a signature answers the signatures stored at its class and at the classes
    // above it, each of which is a gathered signature of its own (with the same arrow, method
    // and number of arguments): the classes all the lookups name are those the stored
    // signatures name, each read once instead of once for every class below it. With
    // signature access on, a row's result runs over the classes above each declared result
    // type; with it off, the rows are the stored ones.
    const bool generalised = access.signaturesOn() != 0;
    OM* om = access.om();
    if (om == nullptr) return;
    FlatNameMap<InternalName, bool> expandedTypes;
    std::vector<InternalName> types;
    auto addResult = [&](const InternalName& result) {
        if (!generalised) {
            add(result);
            return;
        }
        // Each type once: the types of a base are few and declared often.
        auto addType = [&](const InternalName& type) {
            if (expandedTypes.emplace(type, true).second) types.push_back(type);
        };
        if (result.getType() != InternalName::SetName) {
            addType(result);
            return;
        }
        if (const SetFrameView set = om->setFrameOf(result))
            for (const InternalName& type : set.memberSet().ascending()) addType(type);
    };
    for (const Signature& signature : signatures) {
        const ObjectFrameView frame = om->objectFrameOf(signature.host);
        InternalName value;
        if (!frame || frame.lookupMethod(signature.method, code(signature.type), signature.argCount,
                                         value) == 0)
            continue;
        if (signature.argCount == 0) {
            addResult(value);
            continue;
        }
        const ParamFrameView params = om->paramFrameOf(value);
        if (!params) continue;
        const bool arguments = signature.type == MethodType::ScalarSignature;
        const ParamRows& stored = params.storedRows();
        ParamRows::Cursor cursor;
        for (const InternalName* row = stored.first(cursor); row != nullptr;
             row = stored.next(cursor, row)) {
            addResult(row[signature.argCount]);
            if (arguments)
                for (int col = 0; col < signature.argCount; ++col) add(row[col]);
        }
    }
    if (!generalised) return;
    // A row's result runs over the classes above each declared type, the type among them: all
    // of them together are the classes above the types, found in one walk up the direct
    // superclasses, each class stepped from once, as the subclass iterator finds them for one
    // type. Without any subclass relation in the base that iterator answers the type and its
    // stored superclasses, which it is asked for.
    if (access.holdsNoRelation(IsaRelation::Subclass)) {
        for (const InternalName& type : types)
            for (const InternalName& cls : rows.classesAbove(type)) add(cls);
        return;
    }
    Ref<Iterator> direct;
    for (std::size_t next = 0; next < types.size(); ++next) {
        const InternalName type = types[next];
        add(type);
        direct = Ref<Iterator>::adopt(
            access.makeIsaIter(type, Free, IsaRelation::Subclass, direct.release()));
        for (bool more = direct != nullptr && direct->first(); more; more = direct->next()) {
            const InternalName above = direct->atColumn(2);
            if (expandedTypes.emplace(above, true).second) types.push_back(above);
        }
    }
}

std::size_t SignatureClasses::signatureAt(MethodType type, const InternalName& host,
                                          const InternalName& method, int argCount) {
    const std::uint32_t first = readPlace(host);
    if (first == readNone) return none;
    for (std::size_t at = first - 1; at < signatures.size() && signatures[at].host == host; ++at)
        if (signatures[at].method == method && signatures[at].type == type &&
            signatures[at].argCount == argCount)
            return at;
    return none;
}

const SignatureClasses::Results* SignatureClasses::resultsAt(std::size_t at) {
    if (at == none || access.signaturesOn() == 0) return nullptr;
    if (results.size() < signatures.size()) results.resize(signatures.size());
    Results& found = results[at];
    if (found.kind != Results::Unknown) return &found;
    // Visited up to the second result that differs from the first.
    found.kind = Results::None;
    auto visit = [&](const InternalName& each) {
        if (found.kind == Results::None) {
            found.kind = Results::One;
            found.first = each;
            return true;
        }
        if (each == found.first) return true;
        found.kind = Results::Several;
        return false;
    };
    const Signature& signature = signatures[at];
    rows.visitResults(signature.type, signature.host, signature.method, signature.argCount,
                      SignatureRows::ResultVisit(visit), &signatureValues[at]);
    return &found;
}

int SignatureClasses::firstResultOf(MethodType type, const InternalName& host,
                                    const InternalName& method, int argCount,
                                    InternalName& result) {
    const Results* found = resultsAt(signatureAt(type, host, method, argCount));
    if (found == nullptr) return -1;
    if (found->kind == Results::None) return 0;
    result = found->first;
    return 1;
}

bool SignatureClasses::visitResultsOf(MethodType type, const InternalName& host,
                                      const InternalName& method, int argCount,
                                      const SignatureRows::ResultVisit& visit) {
    const std::size_t at = signatureAt(type, host, method, argCount);
    const Results* found = resultsAt(at);
    if (found == nullptr) return false;
    if (found->kind == Results::One) {
        visit(found->first);
    } else if (found->kind == Results::Several) {
        rows.visitResults(type, host, method, argCount, visit, &signatureValues[at]);
    }
    return true;
}

const std::vector<InternalName>* SignatureClasses::rowsOf(MethodType type, const InternalName& host,
                                                          const InternalName& method,
                                                          int argCount) {
    // Gathered: a signature entry in its host's frame.
    const std::size_t at = signatureAt(type, host, method, argCount);
    if (at == none) return nullptr;
    const InternalName value = signatureValues[at];
    std::vector<InternalName>& kept = lookedUp.emplace_back();
    if (access.signaturesOn() != 0) {
        // A lookup mostly answers a few rows: room for four saves growing the list row by row.
        kept.reserve(static_cast<std::size_t>(4 * (argCount + 3)));
        rows.append(type, host, method, argCount, kept, &value);
        return &kept;
    }
    // Signature access off: the lookup answers the stored rows.
    const int width = argCount + 3;
    std::vector<InternalName> pattern(static_cast<std::size_t>(width), Free);
    pattern[0] = host;
    pattern[1] = method;
    Ref<Iterator> found = Ref<Iterator>::adopt(access.lookup(type, pattern.data(), width, nullptr));
    for (bool row = found != nullptr && found->first(); row; row = found->next())
        for (int col = 1; col <= width; ++col) kept.push_back(found->atColumn(col));
    return &kept;
}

void SignatureClasses::add(const InternalName& cell) {
    if (cell.getType() != InternalName::SetName) {
        known.insert_or_assign(cell, true);
        return;
    }
    Ref<Iterator> members = Ref<Iterator>::adopt(access.setIterator(cell, nullptr));
    for (bool more = members != nullptr && members->first(); more; more = members->next())
        known.insert_or_assign(members->atColumn(1), true);
}

bool SignatureClasses::takesPart(const InternalName& cls) {
    auto found = known.find(cls);
    if (found != known.end() && found->second) return true;
    if (!gathered) {
        // A class with signatures of its own takes part: its frame tells, without the walk over
        // the signatures of the whole base, which any other class needs.
        readPlace(cls);
        found = known.find(cls);
        if (found != known.end() && found->second) return true;
        gatherAll();
        found = known.find(cls);
    }
    if (!namedClassesAdded) {
        addNamedClasses();
        found = known.find(cls);
    }
    if (found != known.end()) return found->second;
    const bool answers = boundLookupAnswers(cls);
    known.emplace(cls, answers);
    return answers;
}

bool SignatureClasses::boundLookupAnswers(const InternalName& cls) {
    gatherAll();
    for (const Signature& signature : signatures) {
        std::vector<InternalName> pattern(static_cast<std::size_t>(signature.argCount + 3), Free);
        pattern[0] = signature.host;
        pattern[1] = signature.method;
        pattern.back() = cls;
        if (yieldsRow(access.lookup(signature.type, pattern.data(),
                                    static_cast<int>(pattern.size()), nullptr)))
            return true;
        if (signature.type != MethodType::ScalarSignature) continue;
        pattern.back() = Free;
        for (int i = 0; i < signature.argCount; ++i) {
            pattern[static_cast<std::size_t>(2 + i)] = cls;
            if (yieldsRow(access.lookup(signature.type, pattern.data(),
                                        static_cast<int>(pattern.size()), nullptr)))
                return true;
            pattern[static_cast<std::size_t>(2 + i)] = Free;
        }
    }
    return false;
}
