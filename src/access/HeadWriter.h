// HeadWriter, the writer of one relation of a rule head for one pass of the head's rows, and
// HeadRelation, the relation it writes; opened from the access layer in the trace mode of the
// pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "access/InheritedValues.h"
#include "foundation/set.h"
#include "objectbase/FSymbol.h"
#include "objectbase/FactWriter.h"
#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"
#include "platform/GrowingArray.h"

class OM;
class OMAccess;

// What the insert trace shows of a pass: nothing, one line per new fact, or one line per fact
// the pass attempts (each fact once, whether it was new or stored already).
enum class TraceMode : std::uint8_t { Off, NewFacts, EveryAttempt };

// A relation of a rule head whose rows may come in any order and more than once, with the
// layout of its rows.
struct HeadRelation {
    enum class Kind : std::uint8_t {
        // The tuples of a predicate (stored or built-in): a row is the tuple.
        Predicate,
        // host[method@(arguments) arrow results]: a row is [host, method, arguments...,
        // results...]; one result is a single value, any other count a set of values.
        Method,
        // object : class, object :: class or the child relation: a row is [object, class].
        ClassRelation,
    };
    Kind kind = Kind::Predicate;
    FSymbol predicate;
    std::int32_t arity = 0;
    MethodType type = MethodType::Scalar;
    std::int32_t argCount = 0;
    std::int32_t resultCount = 0;
    IsaRelation relation = IsaRelation::Member;

    static HeadRelation ofPredicate(const FSymbol& symbol, int arity) {
        HeadRelation made;
        made.predicate = symbol;
        made.arity = arity;
        return made;
    }
    static HeadRelation ofMethod(MethodType type, int argCount, int resultCount) {
        HeadRelation made;
        made.kind = Kind::Method;
        made.type = type;
        made.argCount = argCount;
        made.resultCount = resultCount;
        return made;
    }
    static HeadRelation ofClassRelation(IsaRelation relation) {
        HeadRelation made;
        made.kind = Kind::ClassRelation;
        made.relation = relation;
        return made;
    }
    int width() const;
};

// Every fact a head writes goes through its writer, traced or not, by one road: a stored
// predicate's tuples and a set-valued method's members without arguments through a writer of the
// object manager that keeps their frames and sets for the pass, every other fact through the
// insert operation of the access layer (which an XML layer may watch). The writer writes the
// trace of the facts it stores itself, by the same condition as those operations; so the trace
// mode never changes which facts are written, nor in which order.
//
// With every attempt traced, each attempt shows, as the insert operations show theirs: the head
// takes each of its body's rows once across all passes (its seen-row trie), and two rows that
// make the same fact are two attempts. A row found stored by `holds` counts as attempted there.
class HeadWriter {
  public:
    // `mode` is the access layer's: the insert operations it calls trace by the same.
    HeadWriter(OMAccess& access, const HeadRelation& relation, TraceMode mode);
    HeadWriter(const HeadWriter&) = delete;
    HeadWriter& operator=(const HeadWriter&) = delete;
    ~HeadWriter();

    // Stores the row's fact; the insert operation's new-fact answer.
    int insert(const InternalName* row) {
        // Untraced, a stored predicate's tuple or an unwatched membership needs nothing around
        // the manager's writer, nor does a method's member while no inherited value waits to
        // give way to it.
        if (untracedTuples || (untracedMembers && !inherited.watching())) return facts->insert(row);
        return insertTraced(row);
    }
    // insert for `count` rows of `width` cells each, one after the other at `rows`, in that
    // order; nonzero when the answer of any of them is.
    int insertRows(const InternalName* rows, int count, int width) {
        if (untracedTuples) return facts->insertRows(rows, count, width);
        int any = 0;
        for (int i = 0; i < count; ++i)
            if (insert(rows + std::size_t(i) * std::size_t(width)) != 0) any = 1;
        return any;
    }
    // A hint that about `rows` new rows come next.
    void expect(int rows) {
        if (facts != nullptr) facts->expect(rows);
    }
    // Stores the fact of a row that `holds` found not stored (see FactWriter::insertNew).
    int insertNew(const InternalName* row) {
        if (untracedTuples || (untracedMembers && !inherited.watching()))
            return facts->insertNew(row);
        return insertTraced(row);
    }
    // insertNew for `count` rows of `width` cells each, one after the other at `rows`, in that
    // order; nonzero when the answer of any of them is.
    int insertNewRows(const InternalName* rows, int count, int width) {
        if (untracedTuples) return facts->insertNewRows(rows, count, width);
        int any = 0;
        for (int i = 0; i < count; ++i)
            if (insertTraced(rows + std::size_t(i) * std::size_t(width)) != 0) any = 1;
        return any;
    }
    // insertNewRows for the `count` rows held in `rows`, whose array an untraced writer into a
    // relation that holds nothing yet takes over (see FactWriter::adoptNewRows).
    int adoptNewRows(GrowingArray<InternalName>& rows, int count, int width) {
        if (untracedTuples) return facts->adoptNewRows(rows, count, width);
        return insertNewRows(rows.data(), count, width);
    }
    // Whether the row's fact is stored already, so that a pass may leave it out; false when
    // unknown (an inherited member, which a rule that derives it makes its own, counts as not
    // stored).
    bool holds(const InternalName* row);
    // True when holds answers false for every row (the relation holds nothing yet).
    bool holdsNothing() {
        return facts == nullptr ||
               (relation.kind == HeadRelation::Kind::ClassRelation &&
                relation.relation != IsaRelation::Member) ||
               facts->holdsNothing();
    }
    // A cache hint that the row comes soon.
    void prefetch(const InternalName* row) {
        if (facts != nullptr) facts->prefetch(row);
    }

  private:
    // insert where the trace or the inherited values may have something to do.
    int insertTraced(const InternalName* row);
    int store(const InternalName* row);
    // The trace line of the row's fact.
    void trace(const InternalName* row);
    // Whether a trace line is due for a store through the manager's writer.
    bool traceDue(int result, std::uint64_t unreportedBefore) const;

    OMAccess& access;
    // The access layer's object manager, null when it has none.
    OM* om;
    HeadRelation relation;
    TraceMode mode;
    // The manager's writer; null where the facts take the access layer's insert operations
    // (for the class relations, it only gives the hints).
    std::unique_ptr<FactWriter> facts;
    // The access layer's inherited values, which a derived member may have to give way to.
    const InheritedValues& inherited;
    // Whether the rows are a stored predicate's tuples or memberships no layer watches, not
    // traced: they go to the manager's writer alone.
    bool untracedTuples = false;
    // Whether the rows are members of a set-valued method without arguments, not traced.
    bool untracedMembers = false;
    // The values of a set-valued row, reused from row to row.
    set<InternalName> values;
};
