// DescIterWithResult: descriptions of method entries with their values.
#include "access/DescIterWithResult.h"

#include <vector>

#include "access/DescIter.h"
#include "access/OMAccess.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

DescIterWithResult::DescIterWithResult(const InternalName& host, const InternalName& method,
                                       const InternalName& result, int arity,
                                       std::optional<MethodType> methodType, OMAccess* access)
    : access(access), result(result) {
    if (host != InternalName::UndefinedObject)
        inner = Ref<HostSpecDescIter>::make(host, method, arity, methodType, access);
    else
        inner = Ref<UnSpecDescIter>::make(host, method, arity, methodType, access);
}

DescIterWithResult::~DescIterWithResult() {
    releaseValue();
}

void DescIterWithResult::releaseValue() {
    members.reset();
    values.reset();
}

bool DescIterWithResult::valueIsSet() {
    return values->atColumn(valueWidth).getType() == InternalName::SetName;
}

bool DescIterWithResult::openMembers() {
    if (!valueIsSet()) return true;
    members.renew(
        [&](Iterator* old) { return access->setIterator(values->atColumn(valueWidth), old); });
    return members != nullptr && members->first();
}

bool DescIterWithResult::openValue() {
    releaseValue();
    const int argCount = static_cast<int>(inner->atColumn(3).asFloat());
    valueWidth = argCount + 3;
    const std::optional<MethodType> valueMethodType = access->arrowToMethodType(inner->atColumn(4));
    std::vector<InternalName> pattern(static_cast<std::size_t>(valueWidth),
                                      InternalName::UndefinedObject);
    pattern[0] = inner->atColumn(1);
    pattern[1] = inner->atColumn(2);
    // A stored entry's arrow always names a method type; without one there is no value.
    values = Ref<Iterator>::adopt(
        valueMethodType ? access->lookup(*valueMethodType, pattern.data(), valueWidth, nullptr)
                        : nullptr);
    if (values != nullptr && values->first()) return openMembers();
    // Without rows there is nothing for nextValue to walk.
    releaseValue();
    return false;
}

bool DescIterWithResult::nextValue() {
    if (values == nullptr) return false;
    while (values->next())
        if (openMembers()) return true;
    releaseValue();
    return false;
}

bool DescIterWithResult::nextDescription() {
    while (inner->next()) {
        if (openValue() || nextValue()) return true;
    }
    return false;
}

InternalName DescIterWithResult::currentResult() {
    if (members != nullptr && valueIsSet()) return members->atColumn(1);
    return values->atColumn(valueWidth);
}

bool DescIterWithResult::resultMatches() {
    return result == InternalName::UndefinedObject || result == currentResult();
}

bool DescIterWithResult::first() {
    positioned = false;
    if (access == nullptr) {
        centralErrorHandler().report(err6::InvalidInit_3);
        return false;
    }
    releaseValue();
    if (!inner->first()) return false;
    if (!openValue() && !nextValue() && !nextDescription()) return false;
    positioned = resultMatches() || advance();
    return positioned;
}

bool DescIterWithResult::advance() {
    for (;;) {
        if (members != nullptr && values != nullptr && valueIsSet()) {
            while (members->next())
                if (resultMatches()) return true;
        }
        members.reset();
        if (!nextValue() && !nextDescription()) return false;
        if (resultMatches()) return true;
    }
}

bool DescIterWithResult::next() {
    positioned = positioned && advance();
    return positioned;
}

InternalName DescIterWithResult::atColumn(int col) {
    if (!positioned || col < 1 || col > 5) {
        centralErrorHandler().report(err6::InvalidUse_2);
        return InternalName::UndefinedObject;
    }
    if (col == 5) return currentResult();
    return inner->atColumn(col);
}
