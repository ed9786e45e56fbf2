// The RefIter family: stored method applications matching a pattern.
#include "access/RefIter.h"

#include <iostream>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/OM.h"

RefIter::RefIter(const InternalName* tuple, int width, MethodType methodType, OM* om)
    : width(width), om(om), methodType(methodType) {
    takePattern(tuple);
}

void RefIter::takePattern(const InternalName* tuple) {
    pattern.assign(tuple, tuple + width);
    methodBound = width >= 2 && isBound(pattern[1]);
    if (methodBound) currentMethod = pattern[1];
    allArgsBound = true;
    for (int i = 2; i < width - 1; ++i)
        if (!isBound(pattern[static_cast<std::size_t>(i)])) allArgsBound = false;
}

void RefIter::reinitialize(const InternalName* tuple, int newWidth, MethodType newMethodType,
                           OM* newOM) {
    width = newWidth;
    takePattern(tuple);
    methodType = newMethodType;
    om = newOM;
    positioned = false;
}

bool RefIter::takeHost(const InternalName& host) {
    currentHost = host;
    inScan = false;
    frame = om->objectFrameOf(host);
    return bool(frame);
}

bool RefIter::openEntries() {
    entries.renew(
        [&](Iterator* old) { return frame.methodIterator(code(methodType), width - 3, old); });
    return entries != nullptr && entries->first();
}

bool RefIter::resultMatches(const InternalName& value) {
    const InternalName& wanted = pattern[static_cast<std::size_t>(width - 1)];
    if (value.getType() == InternalName::SetName) {
        if (!isBound(wanted)) {
            currentResult = value;
            return true;
        }
        const SetFrameView members = om->setFrameOf(value);
        if (!members || !members.contains(wanted)) return false;
        currentResult = wanted;
        return true;
    }
    if (isBound(wanted) && wanted != value) return false;
    currentResult = value;
    return true;
}

bool RefIter::matchEntry() {
    InternalName value;
    if (methodBound) {
        currentMethod = patternMethod();
        if (frame.lookupMethod(currentMethod, code(methodType), width - 3, value) == 0) {
            inScan = false;
            return false;
        }
    } else {
        currentMethod = entries->atColumn(1);
        value = entries->atColumn(2);
    }
    if (width > 3) {
        if (allArgsBound) {
            // Bound arguments have at most one row: ask the frame for it directly.
            paramFrame = om->paramFrameOf(value);
            InternalName result;
            inScan = paramFrame && paramFrame.lookupResult(&pattern[2], width - 3, result) != 0 &&
                     resultMatches(result);
            return inScan;
        }
        if (!inScan) {
            paramFrame = om->paramFrameOf(value);
            if (!paramFrame) return false;
            paramRows.renew([&](Iterator* old) { return paramFrame.rowsIterator(old); });
            if (paramRows == nullptr || !paramRows->first()) return false;
        } else if (!paramRows->next()) {
            inScan = false;
            return false;
        }
        inScan = matchArguments();
        return inScan;
    }
    if (!resultMatches(value)) return false;
    inScan = true;
    return true;
}

bool RefIter::matchArguments() {
    const int argCount = width - 3;
    do {
        bool agrees = true;
        for (int i = 1; i <= argCount && agrees; ++i) {
            const InternalName& wanted = pattern[static_cast<std::size_t>(i + 1)];
            agrees = !isBound(wanted) || paramRows->atColumn(i) == wanted;
        }
        if (agrees && resultMatches(paramRows->atColumn(argCount + 1))) return true;
    } while (paramRows->next());
    return false;
}

bool RefIter::next() {
    if (!initialized || !positioned) return false;
    positioned = seek();
    return positioned;
}

InternalName RefIter::atColumn(int col) {
    if (!initialized || !positioned || col < 1 || col > width) {
        reportInvalidUse();
        return InternalName::UndefinedObject;
    }
    if (col == 1) return currentHost;
    if (col == 2) return currentMethod;
    if (col == width) return currentResult;
    return allArgsBound ? pattern[static_cast<std::size_t>(col - 1)] : paramRows->atColumn(col - 2);
}

// ---------------------------------------------------------------------------------------------
// LeftRefIter

bool LeftRefIter::initialize() {
    positioned = false;
    initialized = false;
    if (!isBound(patternHost())) {
        centralErrorHandler().report(err6::Unnamed_3);
        return false;
    }
    if (!takeHost(patternHost())) return false;
    // A bound method is looked up directly; only a free one walks the entries.
    if (!methodBound && !openEntries()) return false;
    initialized = true;
    return true;
}

bool LeftRefIter::seek() {
    for (;;) {
        if (!entryDone() && matchEntry()) return true;
        if (methodBound || !entries->next()) return false;
        inScan = false;
    }
}

bool LeftRefIter::first() {
    positioned = initialize() && seek();
    return positioned;
}

// ---------------------------------------------------------------------------------------------
// RightRefIter

bool RightRefIter::initialize() {
    positioned = false;
    initialized = false;
    if (!methodBound) {
        centralErrorHandler().report(err6::Unnamed);
        return false;
    }
    hosts.renew([&](Iterator* old) {
        return om->methodHostsIterator(patternMethod(), static_cast<std::int16_t>(code(methodType)),
                                       static_cast<std::int16_t>(width - 3), old);
    });
    if (hosts == nullptr || !hosts->first()) return false;
    initialized = true;
    return true;
}

bool RightRefIter::nextHost() {
    // Hosts without a frame have nothing to match and are passed over.
    while (hosts->next())
        if (takeHost(hosts->atColumn(1))) return true;
    return false;
}

bool RightRefIter::seek() {
    for (;;) {
        if (!entryDone() && matchEntry()) return true;
        if (!nextHost()) return false;
    }
}

bool RightRefIter::first() {
    positioned = initialize() && (takeHost(hosts->atColumn(1)) || nextHost()) && seek();
    return positioned;
}

// ---------------------------------------------------------------------------------------------
// CommonRefIter

bool CommonRefIter::initialize() {
    positioned = false;
    initialized = false;
    names.renew([&](Iterator* old) { return om->objNamesIterator(old); });
    if (names == nullptr || !names->first()) return false;
    initialized = true;
    return true;
}

bool CommonRefIter::enterHost() {
    if (!takeHost(names->atColumn(1))) {
        std::cout << "MatchIterator Error InternalName " << currentHost.getValue() << std::endl;
        return false;
    }
    return openEntries();
}

bool CommonRefIter::nextHostWithEntries() {
    while (names->next())
        if (enterHost()) return true;
    return false;
}

bool CommonRefIter::seek() {
    for (;;) {
        if (!entryDone() && matchEntry()) return true;
        // A bound method (a re-targeted pattern) has one entry per host, found by lookup.
        if (!methodBound && entries->next()) {
            inScan = false;
        } else if (!nextHostWithEntries()) {
            return false;
        }
    }
}

bool CommonRefIter::first() {
    positioned = initialize() && (enterHost() || nextHostWithEntries()) && seek();
    return positioned;
}
