// The main-memory fact writers: each keeps the frames it found between its inserts.
#include "objectbase/MainMemFactWriter.h"

#include "objectbase/MainMemFrames.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/RelationStore.h"

namespace {

// The method types whose values are sets: all but "->" (0) and "*->" (3).
bool setValued(int type) {
    return type >= 1 && type <= 8 && type != 3;
}

}  // namespace

MainMemPredicateWriter::MainMemPredicateWriter(MainMemOM& om, const InternalName& predicate,
                                               int arity)
    : om(om), predicate(predicate), arity(arity) {}

MainMemPredFrame* MainMemPredicateWriter::frame() {
    if (stamp != om.layoutStamp) {
        // Frames may have been dropped or merged since: look again.
        stamp = om.layoutStamp;
        kept = nullptr;
        looked = false;
    }
    if (kept == nullptr && !looked) {
        kept = om.getPredFrame(predicate);
        looked = true;
    }
    return kept;
}

int MainMemPredicateWriter::insert(const InternalName* row) {
    MainMemPredFrame* found = frame();
    if (found == nullptr) {
        // The first tuple makes the frame.
        const int result = om.addPredicate(predicate, row, arity);
        kept = om.getPredFrame(predicate);
        return result;
    }
    if (expected > 0) [[unlikely]] {
        // A store already holding as many rows as come most likely holds these (the same facts
        // consulted again): it makes no room for them.
        if (expected > found->store().size()) found->reserveInserts(expected);
        expected = 0;
    }
    return afterStore(found, row, found->insertTuple(row, arity));
}

int MainMemPredicateWriter::insertNew(const InternalName* row) {
    MainMemPredFrame* found = frame();
    if (found == nullptr) return insert(row);
    if (expected > 0) {
        found->reserveRows(expected);
        expected = 0;
    }
    // Appended without a probe: the store hashes it only when someone looks a row up (a rule
    // chain's relation is only ever scanned).
    return afterStore(found, row, found->insertNewTuple(row, arity));
}

int MainMemPredicateWriter::insertNewRows(const InternalName* rows, int count, int width) {
    if (count <= 0 || width != arity) return FactWriter::insertNewRows(rows, count, width);
    MainMemPredFrame* found = frame();
    int any = 0;
    if (found == nullptr) {
        // The first row makes the frame; the others follow in one block.
        any = insertNew(rows) != 0 ? 1 : 0;
        rows += arity;
        --count;
        found = frame();
        if (count == 0) return any;
    }
    // A view stores row by row.
    if (found == nullptr || found->isView())
        return FactWriter::insertNewRows(rows, count, width) | any;
    if (expected > 0) {
        found->reserveRows(expected);
        expected = 0;
    }
    if (found->insertNewTuples(rows, arity, count) == 0)
        return FactWriter::insertNewRows(rows, count, width) | any;
    // The rows are stored in one block; each is recorded as insertNew records it, the delta
    // looked up once for the block (once a row, it took a twentieth of storing a join's rows).
    if (found->isViewed() || !om.deltas.on()) return 1;
    return om.recordPredicateRows(predicate, found, rows, count, arity) | any;
}

int MainMemPredicateWriter::adoptNewRows(GrowingArray<InternalName>& rows, int count, int width) {
    if (count <= 0 || width != arity || arity == 0)
        return FactWriter::adoptNewRows(rows, count, width);
    int any = 0;
    // The rows at the front that are stored already: the first, when it makes the frame.
    int held = 0;
    if (frame() == nullptr) {
        any = insertNew(rows.data()) != 0 ? 1 : 0;
        held = 1;
        if (count == 1) return any;
    }
    MainMemPredFrame* found = frame();
    const int before = found == nullptr || found->isView() ? -1 : found->store().size();
    const int added = before < 0 ? 0 : found->adoptNewTuples(rows, arity, count);
    if (added == 0) {
        // Not taken: the rows not stored yet are copied as insertNewRows copies them.
        const std::size_t skip = std::size_t(held) * std::size_t(arity);
        return insertNewRows(rows.data() + skip, count - held, width) | any;
    }
    expected = 0;
    // The taken rows are recorded as insertNewRows records them, from where they lie now.
    if (found->isViewed() || !om.deltas.on()) return 1;
    return om.recordPredicateRows(predicate, found, found->store().row(before), added, arity) | any;
}

int MainMemPredicateWriter::insertRows(const InternalName* rows, int count, int width) {
    if (count <= 0 || width != arity) return FactWriter::insertRows(rows, count, width);
    int any = 0;
    if (frame() == nullptr) {
        // The first row makes the frame; the others follow in one block.
        any = insert(rows) != 0 ? 1 : 0;
        rows += arity;
        --count;
        if (count == 0) return any;
    }
    MainMemPredFrame* found = frame();
    if (found == nullptr) return FactWriter::insertRows(rows, count, width) | any;
    if (expected > 0) {
        if (expected > found->store().size()) found->reserveInserts(expected);
        expected = 0;
    }
    const int before = found->store().size();
    const int fresh = found->insertTuples(rows, arity, count);
    if (fresh < 0) return FactWriter::insertRows(rows, count, width) | any;
    if (fresh == 0) return any;
    // The new rows are the store's last ones, in the order they came: each is recorded as
    // insert records it, the delta looked up once for them all.
    if (found->isViewed() || !om.deltas.on()) return 1;
    return om.recordPredicateRows(predicate, found, found->store().row(before), fresh, arity) | any;
}

int MainMemPredicateWriter::afterStore(MainMemPredFrame* found, const InternalName* row,
                                       int stored) {
    // The frame's own answer says whether the tuple is new; a frame that a delta views needs
    // nothing but the row, which the delta shows already.
    if (stored == 0 || found->isViewed()) return stored;
    return om.deltas.on() ? om.recordPredicate(predicate, found, row, arity) : 1;
}

bool MainMemPredicateWriter::holds(const InternalName* row) {
    MainMemPredFrame* found = frame();
    return found != nullptr && found->containsTuple(row, arity);
}

bool MainMemPredicateWriter::holdsNothing() {
    // A view answers from the rows of its source: not known empty here.
    const MainMemPredFrame* found = frame();
    return found == nullptr || (!found->isView() && found->store().empty());
}

void MainMemPredicateWriter::prefetch(const InternalName* row) {
    const MainMemPredFrame* found = frame();
    if (found != nullptr && found->getArity() == arity) found->store().prefetch(row);
}

MainMemSetMemberWriter::MainMemSetMemberWriter(MainMemOM& om, int methodType)
    : om(om), type(methodType), sets(setValued(methodType)) {}

int MainMemSetMemberWriter::insert(const InternalName* row) {
    const InternalName& host = row[0];
    const InternalName& method = row[1];
    const InternalName& value = row[2];
    if (!sets) return om.insertMethodValue(host, method, nullptr, 0, type, value);
    MainMemSetFrame* members = nullptr;
    if (!hints.takeHint(host, method, type, om.layoutStamp, members))
        members = om.methodSetFrame(host, method, type, om.methodSets);
    // The host's first value makes the entry; the next one finds it.
    if (members == nullptr) return om.insertMethodValue(host, method, nullptr, 0, type, value);
    // The set's own insert answers a member stored already, most of a head's rows, with no call
    // into the object manager.
    const std::uint64_t before = MethodValueStamps::before();
    if (members->insert(value) == 0) return 0;
    om.methodStamps.stored(MethodKey(type, 0, method), before);
    return om.noteNewSetMember(host, method, nullptr, 0, type, value);
}

bool MainMemSetMemberWriter::holds(const InternalName* row) {
    if (!sets) return false;
    const MainMemSetFrame* members = om.methodSetFrame(row[0], row[1], type, om.methodSets);
    return members != nullptr && members->contains(row[2]);
}

void MainMemSetMemberWriter::prefetch(const InternalName* row) {
    // A host met for the first time costs the chain of reads to its set (those of a batch
    // overlap one another); after that the set comes from the object manager's `methodSets`.
    // The member's hash slot is what the insert would otherwise wait for.
    MainMemSetFrame* members = om.methodSetFrame(row[0], row[1], type, om.methodSets);
    hints.noteHint(row[0], row[1], type, members, om.layoutStamp);
    if (members != nullptr) members->prefetch(row[2]);
}

int MainMemClassRelationWriter::insert(const InternalName* row) {
    // The hint of the same row found the object's set of classes already.
    MainMemSetFrame* classes = nullptr;
    if (!hints.takeHint(row[0], InternalName::UndefinedObject, kind, om.layoutStamp, classes))
        classes = classesOf(row[0]);
    // An object without classes yet gets its set from the long road.
    if (classes == nullptr) return om.insertIsa(row[0], row[1], kind);
    // The set's insert answers a stored membership with the one probe a containment test
    // would make, and a new one without a second (one that comes above the object's classes
    // so far, as a closure over a chain derives them, without any).
    return om.storeIsa(classes, row[0], row[1], kind);
}

MainMemSetFrame* MainMemClassRelationWriter::classesOf(const InternalName& object) {
    return om.classSetOf(object, kind);
}

bool MainMemClassRelationWriter::holds(const InternalName* row) {
    const MainMemSetFrame* classes = classesOf(row[0]);
    return classes != nullptr && classes->contains(row[1]);
}

bool MainMemClassRelationWriter::holdsNothing() {
    return om.holdsNoRelation(kind);
}

void MainMemClassRelationWriter::prefetch(const InternalName* row) {
    // The frame and set lookups of a batch overlap one another; the members' hash slots are
    // what the inserts would otherwise wait for, one after another (the sets of a closure's
    // memberships lie all over memory).
    const InternalName& object = row[0];
    const InternalName& cls = row[1];
    if (kind < 1 || kind > 3) return;
    MainMemSetFrame* classes = classesOf(object);
    hints.noteHint(object, InternalName::UndefinedObject, kind, classes, om.layoutStamp);
    if (classes != nullptr) classes->prefetch(cls);
    // The objects of a class are kept as a set only for the other relations.
    if (kind == 1) return;
    if (const MemberSet* instances = om.relationTable(kind)->find(cls)) instances->prefetch(object);
}
