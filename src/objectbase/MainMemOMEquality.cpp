// Recording equalities between identifiers: choosing the representative, keeping the map flat.
#include <iostream>
#include <vector>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/MainMemOM.h"

namespace {

bool isNumber(const InternalName& name) {
    return name.getType() == InternalName::Integer || name.getType() == InternalName::Float;
}

bool isString(const InternalName& name) {
    return name.getType() == InternalName::String;
}

}  // namespace

int MainMemOM::equate(const InternalName& first, const InternalName& second, int force) {
    const InternalName a = first.stored();
    const InternalName b = second.stored();
    if (a == b) return 0;
    if (a.getType() == InternalName::Function || b.getType() == InternalName::Function) return 0;
    if (isNumber(a) && isNumber(b) && a.getType() == b.getType()) {
        reportInvalidEquality("Number ", a, b);
        return 0;
    }
    if (isString(a) && isString(b)) {
        reportInvalidEquality("String ", a, b);
        return 0;
    }
    InternalName replaced;
    InternalName representative;
    if (!recordEquality(a, b, force, replaced, representative)) return 0;
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
    return 1;
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
    if (force != 0) {
        keepA = false;
    } else if (isNumber(b)) {
        keepA = false;
    } else if (isNumber(a)) {
        keepA = true;
    } else if (isString(b)) {
        keepA = false;
    } else if (isString(a)) {
        keepA = true;
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

void MainMemOM::showEquiv() {
    std::cout << "MainMemOM::showEquiv not implemented yet";
}
