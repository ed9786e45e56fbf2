// FactWriter, a writer of the facts of one relation that an object manager opens for a run of
// inserts (a rule head's pass), and FactRelation, the relation it writes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "objectbase/InternalName.h"
#include "platform/GrowingArray.h"

// The relations a writer serves, each with the layout of its rows.
struct FactRelation {
    enum class Kind : std::uint8_t {
        // A stored predicate's tuples: a row is the tuple (`width` cells).
        Predicate,
        // The members of a set-valued method without arguments of method type `type`: a row is
        // [host, method, value].
        SetMember,
        // The class relation of kind `type` (1 instance of, 2 subclass of, 3 child): a row is
        // [object, class].
        ClassRelation,
    };
    Kind kind = Kind::Predicate;
    // The predicate of a Predicate relation.
    InternalName predicate;
    std::int32_t width = 0;
    std::int32_t type = 0;

    static FactRelation ofPredicate(const InternalName& predicate, int arity) {
        return FactRelation{Kind::Predicate, predicate, arity, 0};
    }
    static FactRelation ofSetMembers(int methodType) {
        return FactRelation{Kind::SetMember, InternalName::UndefinedObject, 3, methodType};
    }
    static FactRelation ofClassRelation(int kind) {
        return FactRelation{Kind::ClassRelation, InternalName::UndefinedObject, 2, kind};
    }
};

// A writer keeps what it found between its inserts (a predicate's frame, the set frames of the
// hosts met), so that a rule head's rows, many of them stored already, cost a probe each rather
// than the whole walk from the object manager's tables. What it keeps holds while the layout of
// the base stays (no equality applied, no clear): it is opened for one run of inserts and closed
// after it.
//
// Every insert answers what the manager's plain storing operation answers for the same fact
// (addPredicate, insertMethodValue, insertIsa), with the same count of unreported new facts.
class FactWriter {
  public:
    FactWriter() = default;
    FactWriter(const FactWriter&) = delete;
    FactWriter& operator=(const FactWriter&) = delete;
    virtual ~FactWriter() = default;

    // Stores the row's fact.
    virtual int insert(const InternalName* row) = 0;
    // Stores the fact of a row that `holds` found not stored, with no store between that and
    // this other than such rows, each once: a writer may then leave out its probe. The same
    // answer as insert.
    virtual int insertNew(const InternalName* row) { return insert(row); }
    // insertNew for `count` rows of `width` cells each, one after the other at `rows`, in that
    // order; nonzero when the answer of any of them would be.
    virtual int insertNewRows(const InternalName* rows, int count, int width) {
        int any = 0;
        for (int i = 0; i < count; ++i)
            if (insertNew(rows + std::size_t(i) * std::size_t(width)) != 0) any = 1;
        return any;
    }
    // insertNewRows for the `count` rows held in `rows`: a writer into a relation that holds
    // nothing yet may take their array over instead of copying them (`rows` is then left empty).
    virtual int adoptNewRows(GrowingArray<InternalName>& rows, int count, int width) {
        return insertNewRows(rows.data(), count, width);
    }
    // insert for `count` rows of `width` cells each, one after the other at `rows`, in that
    // order; nonzero when the answer of any of them would be.
    virtual int insertRows(const InternalName* rows, int count, int width) {
        int any = 0;
        for (int i = 0; i < count; ++i)
            if (insert(rows + std::size_t(i) * std::size_t(width)) != 0) any = 1;
        return any;
    }
    // A hint that about `rows` new rows come next: a writer may make room for them at once.
    virtual void expect(int /*rows*/) {}
    // Whether the row's fact is stored already (insert would answer 0 and store nothing);
    // false when unknown.
    virtual bool holds(const InternalName* /*row*/) { return false; }
    // True when the relation holds no fact yet, so that holds answers false for every row;
    // false when unknown.
    virtual bool holdsNothing() { return false; }
    // A cache hint that the row will soon be inserted or asked about: the rows of a batch wait
    // on memory together rather than one after another. Nothing by default.
    virtual void prefetch(const InternalName* /*row*/) {}
};
