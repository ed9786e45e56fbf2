// Equalities between identifiers: recording them (choosing the representative, keeping the map
// flat) and draining them between the evaluator's rounds.
#include <iostream>
#include <ostream>
#include <vector>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/MainMemOM.h"

namespace {

bool isNumber(const InternalName& name) {
    return name.getType() == InternalName::Integer || name.getType() == InternalName::Float;
}

bool isString(const InternalName& name) {
    return name.getType() == InternalName::String;
}

}  // namespace

int MainMemOM::equate(const InternalName& a, const InternalName& b, int force) {
    InternalName replaced;
    InternalName representative;
    return equatePair(a, b, force, replaced, representative) ? 1 : 0;
}

bool MainMemOM::equatePair(const InternalName& first, const InternalName& second, int force,
                           InternalName& replaced, InternalName& representative) {
    // Values move between hosts and methods: no stamp of a method stays.
    methodStamps.invalidate();
    const InternalName a = first.stored();
    const InternalName b = second.stored();
    if (a == b) return false;
    if (a.getType() == InternalName::Function || b.getType() == InternalName::Function)
        return false;
    if (isNumber(a) && isNumber(b) && a.getType() == b.getType()) {
        reportInvalidEquality("Number ", a, b);
        return false;
    }
    if (isString(a) && isString(b)) {
        reportInvalidEquality("String ", a, b);
        return false;
    }
    return recordEquality(a, b, force, replaced, representative);
}

bool MainMemOM::recordEquality(const InternalName& first, const InternalName& second, int force,
                               InternalName& replaced, InternalName& representative) {
    const InternalName a = equalities.representativeOf(first);
    const InternalName b = equalities.representativeOf(second);

    // Which of the two current representatives survives.
    bool keepA;
    int flagA = a.getArity();
    int flagB = b.getArity();
    // Numbers and strings are never replaced, so they decide before force does: a forced
    // equality of a stored value with a number keeps the number instead of being refused.
    if (isNumber(b)) {
        keepA = false;
    } else if (isNumber(a)) {
        keepA = true;
    } else if (isString(b)) {
        keepA = false;
    } else if (isString(a)) {
        keepA = true;
    } else if (force != 0) {
        keepA = false;
    } else if (flagA == 0 && flagB != 0) {
        keepA = true;
    } else if (flagB == 0 && flagA != 0) {
        keepA = false;
    } else if (flagA >= 0 && flagB >= 0) {
        if (flagA != flagB)
            keepA = flagA < flagB;
        else
            keepA = a.getValue() <= b.getValue();
    } else if (flagA > 0 && flagB == -1) {
        keepA = true;
    } else if (flagB > 0 && flagA == -1) {
        keepA = false;
    } else if (flagA != -1 || flagB != -1) {
        keepA = false;
    } else {
        // Both made for scalar paths: the one whose chain of path hosts is shorter survives.
        auto chainLength = [this](InternalName name) {
            int steps = 0;
            // A chain longer than the map has entries runs in a circle.
            int limit = pathHosts.size();
            for (auto it = pathHosts.lookup(name); it != nullptr && steps <= limit;
                 it = pathHosts.lookup(name)) {
                InternalName host = pathHosts.inf(it);
                if (host.getArity() != -1) break;
                ++steps;
                name = host;
            }
            return steps;
        };
        int lengthA = chainLength(a);
        int lengthB = chainLength(b);
        if (lengthA != lengthB)
            keepA = lengthA < lengthB;
        else
            keepA = a.getValue() < b.getValue();
    }

    InternalName old = keepA ? b : a;
    InternalName rep = keepA ? a : b;
    if (old == rep) return false;
    if (isNumber(old)) {
        reportInvalidEquality("Number ", old, rep);
        return false;
    }
    if (isString(old)) {
        reportInvalidEquality("String ", old, rep);
        return false;
    }
    equalities.enter(first, second, old, rep);
    replaced = old;
    representative = rep;
    return true;
}

void MainMemOM::reportInvalidEquality(const char* what, const InternalName& x,
                                      const InternalName& y) {
    std::string message = what;
    giveLexicalForm(x, message, 0, 0);
    message += " is equated to ";
    giveLexicalForm(y, message, 0, 0);
    message += ". This would lead to an inconsistent OM. \n";
    message += "Equality is not applied.";
    centralErrorHandler().report(Error(5, 10, 2, "Invalid Equality", message, "MainMemOM", ""));
}

// ---------------------------------------------------------------------------------------------
// Applying

int MainMemOM::applyEqualities() {
    if (isOkFlag == 0) {
        equalities.dropPending();
        return 0;
    }
    int result = 0;
    InternalName old;
    InternalName rep;
    while (equalities.nextPending(old, rep)) result |= applyPair(old, rep);
    return result;
}

int MainMemOM::applyEquality(InternalName& representative) {
    InternalName old;
    InternalName rep;
    if (!equalities.nextPending(old, rep)) return 0;
    representative = rep;
    return applyPair(old, rep);
}

int MainMemOM::applyPair(const InternalName& old, const InternalName& rep) {
    framesMoved();
    // The values left out of the usage log are found in their entries, which merging and
    // renaming are about to move: the index is built from them first.
    if (usage.hasUnloggedValues()) usages();
    if (eqTrace != 0) {
        std::string line = "%%% EQUATING: ";
        giveLexicalForm(old, line, 0, 0);
        line += " = ";
        giveLexicalForm(rep, line, 0, 0);
        line += "  (" + old.ToString() + " = " + rep.ToString() + ")";
        debugChannel() << line << std::endl;
    }
    if (NameRemapListener* access = getOMAccess()) {
        access->beforeMerge(old, rep);
        framesMoved();
    }
    // Two statements: the order of the cycles' equalities decides their representatives.
    int result = propagateEquality(old, rep) | 1;
    result |= propagateEquality(rep, old);
    mergeObjFrames(old, rep);
    rewriteAll(old, rep);
    equalities.applied(old, rep);
    return result;
}

int MainMemOM::propagateEquality(const InternalName& x, const InternalName& y) {
    set<InternalName> above;
    set<InternalName> below;
    collectSuperclasses(x, above);
    collectSubclasses(y, below);
    int result = 0;
    for (auto it = below.first_item(); it != nullptr; it = below.next_item(it))
        if (above.member(below.key(it))) result |= equate(x, below.key(it), 0);
    return result;
}

namespace {

// The transitive closure from `start` along `direct`, which adds the direct neighbours of a name
// to a set; a name reached twice is walked once.
template <class Direct>
void closure(const InternalName& start, set<InternalName>& out, Direct direct) {
    set<InternalName> work;
    direct(start, work);
    while (!work.empty()) {
        InternalName next = work.choose();
        work.del(next);
        if (out.member(next)) continue;
        out.insert(next);
        set<InternalName> neighbours;
        direct(next, neighbours);
        for (auto it = neighbours.first_item(); it != nullptr; it = neighbours.next_item(it))
            if (!out.member(neighbours.key(it))) work.insert(neighbours.key(it));
    }
}

}  // namespace

void MainMemOM::collectSuperclasses(const InternalName& x, set<InternalName>& out) {
    closure(x, out, [this](const InternalName& name, set<InternalName>& into) {
        MainMemSetFrame* supers = relationSet(getObjFrame(name), 2);
        if (supers == nullptr) return;
        const auto members = Ref<Iterator>::adopt(supers->getIterator(nullptr));
        for (bool more = members->first(); more; more = members->next())
            into.insert(members->atColumn(1));
    });
}

void MainMemOM::collectSubclasses(const InternalName& y, set<InternalName>& out) {
    closure(y, out, [this](const InternalName& name, set<InternalName>& into) {
        const MemberSet* subclasses = superClassToClassTable.find(name);
        if (subclasses == nullptr) return;
        for (const InternalName& member : subclasses->ascending()) into.insert(member);
    });
}

MainMemSetFrame* MainMemOM::relationSet(MainMemObjFrame* frame, int kind) {
    if (frame == nullptr) return nullptr;
    switch (kind) {
        case 1:
            return getSetFrame(frame->getSetName1());
        case 2:
            return getSetFrame(frame->getSetName2());
        case 3:
            return getSetFrame(frame->getSetName3());
        default:
            return nullptr;
    }
}

void MainMemOM::showEquiv() {
    std::cout << "MainMemOM::showEquiv not implemented yet";
}

void MainMemOM::forEachFurtherSymbol(
    const std::function<void(const InternalName&, const FSymbol&)>& visit) const {
    for (const auto& [representative, symbols] : nameToSymbols)
        for (auto s = symbols->first_item(); s != nullptr; s = symbols->next_item(s))
            visit(representative, symbols->key(s));
}
