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
    if (!recordEquality(a, b, force, replaced, representative)) return false;
    // Keep the map flat: whatever pointed at the replaced name now points at its representative.
    if (pendingEqualities.size() == 1) pendingByRepresentative.clear();  // drop what went stale
    std::vector<InternalName> moved;
    if (auto followers = pendingByRepresentative.find(replaced);
        followers != pendingByRepresentative.end()) {
        moved.swap(followers->second);
        pendingByRepresentative.erase(followers);
    }
    std::vector<InternalName>& kept = pendingByRepresentative[representative];
    for (const InternalName& name : moved) {
        auto it = pendingEqualities.lookup(name);
        if (it == nullptr) continue;
        const InternalName target = pendingEqualities.inf(it);
        if (target == replaced)
            pendingEqualities.change_inf(it, representative);
        else if (target != representative)
            continue;  // recorded elsewhere since
        kept.push_back(name);
    }
    kept.push_back(replaced);
    return true;
}

bool MainMemOM::recordEquality(const InternalName& first, const InternalName& second, int force,
                               InternalName& replaced, InternalName& representative) {
    InternalName a = first;
    InternalName b = second;
    auto itemA = pendingEqualities.lookup(a);
    if (itemA != nullptr) a = pendingEqualities.inf(itemA);
    auto itemB = pendingEqualities.lookup(b);
    if (itemB != nullptr) b = pendingEqualities.inf(itemB);

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
    if (itemA != nullptr && pendingEqualities.inf(itemA) == old)
        pendingEqualities.change_inf(itemA, rep);
    if (itemB != nullptr && pendingEqualities.inf(itemB) == old)
        pendingEqualities.change_inf(itemB, rep);
    pendingEqualities.insert(old, rep);
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
        pendingEqualities.clear();
        return 0;
    }
    int result = 0;
    InternalName old;
    InternalName rep;
    while (nextPendingPair(old, rep)) result |= applyPair(old, rep);
    return result;
}

int MainMemOM::applyEquality(InternalName& representative) {
    InternalName old;
    InternalName rep;
    if (!nextPendingPair(old, rep)) return 0;
    representative = rep;
    return applyPair(old, rep);
}

bool MainMemOM::nextPendingPair(InternalName& old, InternalName& rep) {
    for (auto it = pendingEqualities.first_item(); it != nullptr;
         it = pendingEqualities.first_item()) {
        old = pendingEqualities.key(it);
        rep = pendingEqualities.inf(it);
        equalityHistory.insert(old, rep);
        if (old != rep) return true;
        // Nothing to merge; left pending it would stop every later drain here.
        pendingEqualities.del_item(it);
    }
    return false;
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
    appliedEqualities.insert(old, rep);
    // By key: pairs recorded meanwhile may sort before this one.
    pendingEqualities.del(old);
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
