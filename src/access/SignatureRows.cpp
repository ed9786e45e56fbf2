// The rows of signature lookups with their class bound, read from the frames.
#include "access/SignatureRows.h"

#include <algorithm>
#include <utility>

#include "access/OMAccess.h"
#include "objectbase/CellHash.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "objectbase/ParamRows.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

}  // namespace

SignatureRows::SignatureRows(OMAccess& access) : access(access) {}

const std::vector<InternalName>& SignatureRows::aboveFound(const InternalName& cls) {
    const bool dense = numbered(cls);
    const std::size_t number = std::size_t(cls.getValue());
    if (!dense) {
        const std::uint32_t known = aboveAt.valueOr(cls, UINT32_MAX);
        if (known != UINT32_MAX) return aboveLists[known];
        aboveAt.emplace(cls, static_cast<std::uint32_t>(aboveLists.size()));
    }
    std::vector<InternalName> classes;
    OM* om = access.om();
    if (om != nullptr && cls != Free && access.holdsNoRelation(IsaRelation::Subclass)) {
        // Without a subclass relation in the base the iterator answers the class's stored
        // superclasses and the class itself, in order: read here without building it.
        const ObjectFrameView frame = om->objectFrameOf(cls);
        const SetFrameView stored =
            frame ? om->setFrameOf(frame.setNameOf(IsaRelation::Subclass)) : SetFrameView();
        if (stored) {
            const auto members = stored.memberSet().ascending();
            classes.assign(members.begin(), members.end());
        }
        const auto at = std::lower_bound(classes.begin(), classes.end(), cls);
        if (at == classes.end() || *at != cls) classes.insert(at, cls);
    } else {
        // One iterator walks the classes above every class asked about.
        Iterator* walk = classWalk.renew([&](Iterator* old) {
            return access.makeEnhIsaIter(cls, Free, IsaRelation::Subclass, old);
        });
        for (bool more = walk != nullptr && walk->first(); more; more = walk->next())
            classes.push_back(walk->atColumn(2));
    }
    aboveLists.push_back(std::move(classes));
    if (dense) {
        if (number >= aboveAtNumber.size())
            aboveAtNumber.resize(std::max(number + 1, aboveAtNumber.size() * 2), nullptr);
        aboveAtNumber[number] = &aboveLists.back();
    }
    return aboveLists.back();
}

bool SignatureRows::seen(const std::vector<InternalName>& out, std::size_t at) {
    // Grown at half full, so a free slot ends every probe.
    if ((touched.size() + 1) * 2 > answered.size()) {
        std::vector<std::uint32_t> places;
        for (std::size_t slot : touched) places.push_back(answered[slot]);
        answered.assign(std::max<std::size_t>(answered.size() * 2, 64), 0);
        touched.clear();
        for (std::uint32_t place : places) seen(out, place - 1);
    }
    // The class and the method are the same in every row of a lookup.
    const std::size_t mask = answered.size() - 1;
    for (std::size_t slot = std::size_t(hashCells(&out[at + 2], width - 2)) & mask;;
         slot = (slot + 1) & mask) {
        const std::uint32_t place = answered[slot];
        if (place == 0) {
            answered[slot] = static_cast<std::uint32_t>(at + 1);
            touched.push_back(slot);
            return false;
        }
        bool same = true;
        for (std::size_t col = 2; col < width && same; ++col)
            same = out[place - 1 + col] == out[at + col];
        if (same) return true;
    }
}

void SignatureRows::appendRow(const InternalName& cls, const InternalName& method,
                              const InternalName* arguments, int argCount,
                              const InternalName& result, std::vector<InternalName>& out) {
    const std::size_t at = out.size();
    out.push_back(cls);
    out.push_back(method);
    out.insert(out.end(), arguments, arguments + argCount);
    out.push_back(result);
    if (seen(out, at)) out.resize(at);
}

void SignatureRows::appendStored(const InternalName& cls, const InternalName& method,
                                 const InternalName* arguments, int argCount,
                                 const InternalName& result, std::vector<InternalName>& out) {
    // A signature with an argument type nothing lies above, or with a first result type
    // nothing lies above, answers nothing; the walk over the result types ends at the first
    // later one nothing lies above. This is how the odometer of the signature iterator turns.
    for (int col = 0; col < argCount; ++col)
        if (above(arguments[col]).empty()) return;
    auto appendAbove = [&](const InternalName& type) {
        const std::vector<InternalName>& classes = above(type);
        // Without arguments the rows of a type are the same wherever it is declared: a type
        // met again in the lookup adds none.
        if (argCount == 0 && !classes.empty()) {
            const auto [entry, added] = expandedIn.emplace(type, lookupNumber);
            if (!added) {
                if (entry->second == lookupNumber) return true;
                entry->second = lookupNumber;
            }
        }
        for (const InternalName& each : classes)
            appendRow(cls, method, arguments, argCount, each, out);
        return !classes.empty();
    };
    if (result.getType() != InternalName::SetName) {
        appendAbove(result);
        return;
    }
    if (const SetFrameView set = access.om()->setFrameOf(result))
        for (const InternalName& type : set.memberSet().ascending())
            if (!appendAbove(type)) return;
}

template <class Stored>
bool SignatureRows::forEachStored(MethodType type, const InternalName& cls,
                                  const InternalName& method, int argCount,
                                  const InternalName* ownValue, Stored stored) {
    OM* om = access.om();
    for (const InternalName& host : above(cls)) {
        InternalName value;
        if (ownValue != nullptr && host == cls) {
            value = *ownValue;
        } else {
            const ObjectFrameView frame = om->objectFrameOf(host);
            if (!frame || frame.lookupMethod(method, code(type), argCount, value) == 0) continue;
        }
        if (argCount == 0) {
            if (!stored(nullptr, value)) return false;
            continue;
        }
        const ParamFrameView params = om->paramFrameOf(value);
        if (!params) continue;
        const ParamRows& rows = params.storedRows();
        ParamRows::Cursor cursor;
        for (const InternalName* row = rows.first(cursor); row != nullptr;
             row = rows.next(cursor, row))
            if (!stored(row, row[argCount])) return false;
    }
    return true;
}

void SignatureRows::append(MethodType type, const InternalName& cls, const InternalName& method,
                           int argCount, std::vector<InternalName>& out,
                           const InternalName* ownValue) {
    if (access.om() == nullptr || cls == Free) return;
    width = static_cast<std::size_t>(argCount + 3);
    for (std::size_t slot : touched) answered[slot] = 0;
    touched.clear();
    ++lookupNumber;
    forEachStored(type, cls, method, argCount, ownValue,
                  [&](const InternalName* arguments, const InternalName& result) {
                      appendStored(cls, method, arguments, argCount, result, out);
                      return true;
                  });
}

bool SignatureRows::visitStored(const InternalName* arguments, int argCount,
                                const InternalName& result, const ResultVisit& visit) {
    // The walk appendStored takes, rows left unmade.
    for (int col = 0; col < argCount; ++col)
        if (above(arguments[col]).empty()) return true;
    // 1 when the type has classes above it, 0 when not, -1 when `visit` stopped.
    auto visitAbove = [&](const InternalName& type) {
        const std::vector<InternalName>& classes = above(type);
        for (const InternalName& each : classes)
            if (!visit(each)) return -1;
        return classes.empty() ? 0 : 1;
    };
    if (result.getType() != InternalName::SetName) return visitAbove(result) >= 0;
    if (const SetFrameView set = access.om()->setFrameOf(result))
        for (const InternalName& type : set.memberSet().ascending()) {
            const int visited = visitAbove(type);
            if (visited < 0) return false;
            if (visited == 0) return true;
        }
    return true;
}

bool SignatureRows::visitResults(MethodType type, const InternalName& cls,
                                 const InternalName& method, int argCount, const ResultVisit& visit,
                                 const InternalName* ownValue) {
    if (access.om() == nullptr || cls == Free) return true;
    return forEachStored(type, cls, method, argCount, ownValue,
                         [&](const InternalName* arguments, const InternalName& result) {
                             return visitStored(arguments, arguments == nullptr ? 0 : argCount,
                                                result, visit);
                         });
}
