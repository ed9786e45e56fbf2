// The description iterators over the method entries of one or of every object.
#include "access/DescIter.h"

#include <cmath>

#include "access/OMAccess.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"

DescIter::DescIter(const InternalName& host, const InternalName& method, int arity,
                   std::optional<MethodType> methodType, OMAccess* access)
    : host(host), method(method), arity(arity), methodType(methodType), access(access) {}

DescIter::~DescIter() {
    releaseEntries();
}

void DescIter::reinitialize(const InternalName& newHost, const InternalName& newMethod,
                            int newArity, std::optional<MethodType> newMethodType,
                            OMAccess* newAccess) {
    host = newHost;
    method = newMethod;
    arity = newArity;
    methodType = newMethodType;
    access = newAccess;
    positioned = false;
}

bool DescIter::matches() {
    if (method != InternalName::UndefinedObject && method != entries->atColumn(1)) return false;
    if (arity != -1 &&
        static_cast<std::int32_t>(std::trunc(entries->atColumn(3).asFloat())) != arity)
        return false;
    if (methodType && entries->atColumn(4) != arrowObject(code(*methodType))) return false;
    return true;
}

bool DescIter::next() {
    positioned = positioned && advance();
    return positioned;
}

InternalName DescIter::atColumn(int col) {
    if (!positioned || col < 1 || col > 4) {
        centralErrorHandler().report(err6::InvalidUse);
        return InternalName::UndefinedObject;
    }
    switch (col) {
        case 1:
            return host;
        case 2:
            return entries->atColumn(1);
        default:
            return entries->atColumn(col);
    }
}

bool DescIter::openEntries() {
    entries.renew([&](Iterator* old) { return access->methodIterator(host, methodType, old); });
    return entries != nullptr && entries->first();
}

void DescIter::releaseEntries() {
    entries.reset();
}

HostSpecDescIter::HostSpecDescIter(const InternalName& host, const InternalName& method, int arity,
                                   std::optional<MethodType> methodType, OMAccess* access)
    : DescIter(host, method, arity, methodType, access) {}

bool HostSpecDescIter::first() {
    positioned = false;
    if (host == InternalName::UndefinedObject || access == nullptr) {
        centralErrorHandler().report(err6::InvalidInit_3);
        return false;
    }
    if (!openEntries()) return false;
    positioned = matches() || advance();
    return positioned;
}

bool HostSpecDescIter::advance() {
    if (entries == nullptr) return false;
    while (entries->next())
        if (matches()) return true;
    return false;
}

UnSpecDescIter::UnSpecDescIter(const InternalName& host, const InternalName& method, int arity,
                               std::optional<MethodType> methodType, OMAccess* access)
    : DescIter(host, method, arity, methodType, access) {}

bool UnSpecDescIter::first() {
    positioned = false;
    if (access == nullptr) {
        centralErrorHandler().report(err6::InvalidInit_3);
        return false;
    }
    releaseEntries();
    hosts.renew([&](Iterator* old) { return access->objNamesIterator(old); });
    if (hosts == nullptr || !hosts->first()) return false;
    host = hosts->atColumn(1);
    if (!openEntries() && !nextHost()) return false;
    positioned = matches() || advance();
    return positioned;
}

bool UnSpecDescIter::nextHost() {
    while (hosts->next()) {
        host = hosts->atColumn(1);
        if (openEntries()) return true;
    }
    return false;
}

bool UnSpecDescIter::advance() {
    if (entries == nullptr) return false;
    for (;;) {
        while (entries->next())
            if (matches()) return true;
        if (!nextHost()) return false;
        if (matches()) return true;
    }
}
