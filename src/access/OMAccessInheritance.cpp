// OMAccess's side of inheritance: the phase protocol around the insert trace, the forwards to its
// InheritancePhases, and the class hierarchy's most specific classes and subclass cycles.
#include <vector>

#include "access/InheritancePhases.h"
#include "access/OMAccess.h"
#include "objectbase/Iterator.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

// Appends column `col` of every row of `rows` (none when null) to `out`; the iterator goes
// once it is read.
void appendColumn(std::vector<InternalName>& out, Ref<Iterator> rows, int col) {
    for (bool more = rows && rows->first(); more; more = rows->next())
        out.push_back(rows->atColumn(col));
}

}  // namespace

int OMAccess::beginPhase(int buffered, int traceFlag) {
    if (inheritancePhases.isOpen()) return 0;
    trace = traceFlag;
    if (traceFlag != 0) debugOn(nullptr);
    inheritancePhases.open(buffered != 0);
    return 1;
}

int OMAccess::beginFullPhase(int traceFlag) {
    if (beginPhase(0, traceFlag) == 0) return 0;
    inheritancePhases.storeEverything();
    return 1;
}

int OMAccess::endPhase() {
    // The trace a buffered phase turned on goes off once its queue is stored.
    if (inheritancePhases.flushQueued() && trace != 0) debugOff(nullptr);
    return inheritancePhases.close() ? 1 : 0;
}

int OMAccess::takeNewFacts() {
    return inheritancePhases.takeNewFacts();
}

Iterator* OMAccess::inheritedLookup(int type, const InternalName* tuple, int count, Iterator* old) {
    // The inherited answers are always a new iterator: the old one goes at once.
    Ref<Iterator>::adopt(old).reset();
    return inheritancePhases.inheritedLookup(type, tuple, count);
}

std::unique_ptr<set<InternalName>> OMAccess::classRetrieval(const InternalName& x, int kind) {
    return inheritancePhases.classRetrieval(x, kind);
}

void OMAccess::beforeMerge(InternalName oldName, InternalName rep) {
    inheritancePhases.beforeMerge(oldName, rep);
}

std::unique_ptr<set<InternalName>> OMAccess::mostSpecificClasses(const set<InternalName>& classes,
                                                                 int kind) {
    auto specific = std::make_unique<set<InternalName>>(classes);
    // One member below b is enough to remove b.
    for (auto b = classes.first_item(); b != nullptr; b = classes.next_item(b)) {
        for (auto a = classes.first_item(); a != nullptr; a = classes.next_item(a)) {
            if (a != b && isaTest(classes.key(a), classes.key(b), IsaRelation(kind)) != 0) {
                specific->del(classes.key(b));
                break;
            }
        }
    }
    return specific;
}

int OMAccess::collapseSubclassCycle(const InternalName& object, const InternalName& cls) {
    std::vector<InternalName> below;
    appendColumn(below,
                 Ref<Iterator>::adopt(makeEnhIsaIter(Free, object, IsaRelation::Subclass, nullptr)),
                 1);
    if (below.empty()) return 0;
    set<InternalName> subclasses;
    for (const InternalName& c : below) subclasses.insert(c);
    std::vector<InternalName> above;
    appendColumn(
        above, Ref<Iterator>::adopt(makeEnhIsaIter(cls, Free, IsaRelation::Subclass, nullptr)), 2);
    set<InternalName> cycle;
    for (const InternalName& c : above)
        if (subclasses.member(c)) cycle.insert(c);
    if (cycle.empty()) return 0;
    const InternalName first = cycle.key(cycle.first_item());
    int changed = 0;
    for (auto item = cycle.next_item(cycle.first_item()); item != nullptr;
         item = cycle.next_item(item)) {
        int recorded = 0;
        equate(cycle.key(item), first, recorded);
        if (recorded != 0) changed = 1;
    }
    return changed;
}
