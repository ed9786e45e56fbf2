// The writer of one relation of a rule head for one pass: its road for each kind of fact, the
// trace of the facts it stores itself, and the attempts of a pass traced attempt by attempt.
#include "access/HeadWriter.h"

#include "access/OMAccess.h"
#include "objectbase/OM.h"

int HeadRelation::width() const {
    switch (kind) {
        case Kind::Predicate:
            return arity;
        case Kind::Method:
            return 2 + argCount + resultCount;
        case Kind::ClassRelation:
            return 2;
    }
    return 0;
}

HeadWriter::HeadWriter(OMAccess& access, const HeadRelation& relation, TraceMode mode)
    : access(access),
      om(access.om()),
      relation(relation),
      mode(mode),
      inherited(access.inheritance().inherited()) {
    if (om == nullptr) return;
    switch (relation.kind) {
        case HeadRelation::Kind::Predicate:
            // A built-in predicate ("=" equates) takes the insert operation.
            if (relation.predicate.getType() == InternalName::Predicate)
                facts =
                    om->openWriter(FactRelation::ofPredicate(relation.predicate, relation.arity));
            break;
        case HeadRelation::Kind::Method:
            if (relation.argCount == 0 && relation.resultCount == 1)
                facts = om->openWriter(FactRelation::ofSetMembers(code(relation.type)));
            break;
        case HeadRelation::Kind::ClassRelation:
            facts = om->openWriter(FactRelation::ofClassRelation(code(relation.relation)));
            break;
    }
    // Untraced, a stored predicate's tuple and a membership that no layer watches take the
    // manager's writer with nothing around it (store would do no more).
    const bool straight =
        relation.kind == HeadRelation::Kind::Predicate ||
        (relation.kind == HeadRelation::Kind::ClassRelation &&
         relation.relation == IsaRelation::Member && !access.watchesMemberships());
    untracedTuples = facts != nullptr && straight && mode == TraceMode::Off;
    untracedMembers =
        facts != nullptr && relation.kind == HeadRelation::Kind::Method && mode == TraceMode::Off;
}

HeadWriter::~HeadWriter() = default;

int HeadWriter::insertTraced(const InternalName* row) {
    return store(row);
}

bool HeadWriter::traceDue(int result, std::uint64_t unreportedBefore) const {
    switch (mode) {
        case TraceMode::Off:
            return false;
        case TraceMode::NewFacts:
            // A fact that no delta predicate records is new although its answer is 0.
            return result != 0 || om->unreportedNewFacts() != unreportedBefore;
        case TraceMode::EveryAttempt:
            return true;
    }
    return false;
}

int HeadWriter::store(const InternalName* row) {
    switch (relation.kind) {
        case HeadRelation::Kind::Predicate: {
            if (facts == nullptr)
                return access.insertPredicate(relation.predicate, row, relation.arity);
            const std::uint64_t before = om->unreportedNewFacts();
            const int result = facts->insert(row);
            if (traceDue(result, before)) trace(row);
            return result;
        }
        case HeadRelation::Kind::Method: {
            const InternalName& host = row[0];
            const InternalName& method = row[1];
            const int a = relation.argCount;
            const InternalName* args = a > 0 ? row + 2 : nullptr;
            if (facts == nullptr) {
                if (relation.resultCount == 1)
                    return access.insertValue(host, method, args, a, relation.type, row[2 + a]);
                // Every count other than one is set-valued: no result stores the empty set.
                for (int i = 0; i < relation.resultCount; ++i) values.insert(row[2 + a + i]);
                const int result = access.insertSet(host, method, args, a, relation.type, values);
                values.clear();
                return result;
            }
            if (access.inheritance().inherited().watching())
                access.inheritance().giveWayToOwn(host, method, nullptr, 0, code(relation.type),
                                                  {row[2]});
            const std::uint64_t before = om->unreportedNewFacts();
            const int result = facts->insert(row);
            if (traceDue(result, before)) trace(row);
            return result;
        }
        case HeadRelation::Kind::ClassRelation:
            // Where no layer watches memberships, a membership takes the manager's writer,
            // which keeps the object's set of classes from its hint to its insert; one probe
            // of that set answers whether it is stored (a closure's head derives most of its
            // rows more than once), and a stored one changes nothing.
            if (relation.relation == IsaRelation::Member && facts != nullptr &&
                !access.watchesMemberships()) {
                const std::uint64_t before = om->unreportedNewFacts();
                const int result = facts->insert(row);
                if (traceDue(result, before)) trace(row);
                return result;
            }
            // A stored membership is reported by no trace but the one of every attempt: the
            // writer's probe of the object's classes answers it.
            if (relation.relation == IsaRelation::Member && facts != nullptr &&
                mode != TraceMode::EveryAttempt && facts->holds(row))
                return 0;
            // A subclass fact may close a cycle, and a layer may watch the relations.
            return access.insertClassRelation(row[0], row[1], relation.relation);
    }
    return 0;
}

bool HeadWriter::holds(const InternalName* row) {
    if (facts == nullptr) return false;
    // Only a stored membership is left out: a subclass fact may close a cycle.
    if (relation.kind == HeadRelation::Kind::ClassRelation &&
        relation.relation != IsaRelation::Member)
        return false;
    if (relation.kind == HeadRelation::Kind::Method) {
        // An inherited member is held, but a rule that derives it makes it own: the insert
        // says so.
        const InheritedValues& inherited = access.inheritance().inherited();
        if (!inherited.empty() &&
            inherited.find(row[0], InheritedValues::Slot{code(relation.type), row[1], {}}) !=
                nullptr)
            return false;
    }
    if (!facts->holds(row)) return false;
    if (mode == TraceMode::EveryAttempt) trace(row);
    return true;
}

void HeadWriter::trace(const InternalName* row) {
    if (relation.kind == HeadRelation::Kind::ClassRelation)
        access.traceClassRelation(row[0], row[1], relation.relation);
    else if (relation.kind == HeadRelation::Kind::Predicate)
        access.traceSymbolInsert(relation.predicate, row, relation.arity);
    else
        access.traceInsert(row[0], row[1], nullptr, 0, code(relation.type), row[2], 0);
}
