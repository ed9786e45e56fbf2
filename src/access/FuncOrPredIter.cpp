// FuncOrPredIter: stored predicate rows and function terms matching a pattern.
#include "access/FuncOrPredIter.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/OM.h"

FuncOrPredIter::FuncOrPredIter(const InternalName* tuple, int width, StoredAtom atom,
                               const InternalName& symbol, OM* om)
    : width(width), om(om), atom(atom), symbol(symbol) {
    takePattern(tuple);
}

void FuncOrPredIter::takePattern(const InternalName* tuple) {
    pattern.assign(tuple, tuple + width);
}

void FuncOrPredIter::reinitialize(const InternalName* tuple, int newWidth, StoredAtom newAtom,
                                  const InternalName& newSymbol, OM* newOM) {
    width = newWidth;
    takePattern(tuple);
    om = newOM;
    atom = newAtom;
    symbol = newSymbol;
    positioned = false;
    initialized = false;
}

bool FuncOrPredIter::initialize() {
    positioned = false;
    initialized = false;
    if (atom != StoredAtom::Predicate && atom != StoredAtom::Function) {
        centralErrorHandler().report(err6::Unnamed_2);
        return false;
    }
    if (om == nullptr) return false;
    // A frame of another width than the pattern's holds no row of this atom.
    if (predicate()) {
        predFrame = om->predicateFrameOf(symbol);
        if (!predFrame || predFrame.arity() != width) return false;
        predRows.renew([&](Iterator* old) { return predFrame.rowsIterator(old); });
        if (predRows == nullptr) return false;
    } else {
        InternalName frameName;
        if (om->giveInternalName(symbol, frameName) == 0) return false;
        paramFrame = om->paramFrameOf(frameName);
        if (!paramFrame || paramFrame.arity() != width - 1) return false;
        paramRows.renew([&](Iterator* old) { return paramFrame.rowsIterator(old); });
        if (paramRows == nullptr) return false;
    }
    allBound = true;
    allFree = true;
    for (const InternalName& cell : pattern) {
        if (isBound(cell))
            allFree = false;
        else
            allBound = false;
    }
    initialized = true;
    return true;
}

bool FuncOrPredIter::matchesPattern() {
    if (predicate()) {
        for (int i = 1; i <= width; ++i) {
            const InternalName& cell = pattern[static_cast<std::size_t>(i - 1)];
            if (isBound(cell) && predRows->atColumn(i) != cell) return false;
        }
        return true;
    }
    for (int i = 2; i <= width; ++i) {
        const InternalName& cell = pattern[static_cast<std::size_t>(i - 1)];
        if (isBound(cell) && paramRows->atColumn(i - 1) != cell) return false;
    }
    return true;
}

bool FuncOrPredIter::seek() {
    Iterator* rows = predicate() ? predRows.get() : paramRows.get();
    while (rows->next())
        if (allFree || matchesPattern()) return true;
    return false;
}

bool FuncOrPredIter::first() {
    if (!initialize()) return false;
    if (allBound) {
        if (predicate()) {
            positioned = predFrame.containsTuple(pattern.data(), width);
        } else {
            positioned = paramFrame.lookupResult(&pattern[1], width - 2, foundResult) != 0 &&
                         foundResult == pattern[static_cast<std::size_t>(width - 1)];
        }
        return positioned;
    }
    Iterator* rows = predicate() ? predRows.get() : paramRows.get();
    positioned = rows->first() && (allFree || matchesPattern() || seek());
    return positioned;
}

bool FuncOrPredIter::next() {
    if (!initialized || !positioned || allBound) {
        positioned = false;
        return false;
    }
    positioned = seek();
    return positioned;
}

InternalName FuncOrPredIter::atColumn(int col) {
    if (!initialized || !positioned || col < 1 || col > width) {
        reportInvalidUse();
        return InternalName::UndefinedObject;
    }
    const InternalName& cell = pattern[static_cast<std::size_t>(col - 1)];
    if (predicate()) return allBound ? cell : predRows->atColumn(col);
    if (allBound) return col < width ? cell : foundResult;
    return col == 1 ? InternalName(symbol) : paramRows->atColumn(col - 1);
}
