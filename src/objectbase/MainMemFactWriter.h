// The main-memory object manager's fact writers: a predicate's tuples, the members of a
// set-valued method, and the class relations.
#pragma once

#include <cstdint>

#include "objectbase/FactWriter.h"
#include "objectbase/HostSetCache.h"

class MainMemOM;
class MainMemPredFrame;

// Keeps the predicate's frame: a tuple costs one probe of its store, which answers at once
// whether it was there and stores it when it was not.
class MainMemPredicateWriter : public FactWriter {
  public:
    MainMemPredicateWriter(MainMemOM& om, const InternalName& predicate, int arity);
    int insert(const InternalName* row) override;
    int insertNew(const InternalName* row) override;
    int insertNewRows(const InternalName* rows, int count, int width) override;
    int adoptNewRows(GrowingArray<InternalName>& rows, int count, int width) override;
    int insertRows(const InternalName* rows, int count, int width) override;
    void expect(int rows) override { expected = rows; }
    bool holds(const InternalName* row) override;
    bool holdsNothing() override;
    void prefetch(const InternalName* row) override;

  private:
    // The answer of a store of a tuple into its frame, `stored` the frame's own answer.
    int afterStore(MainMemPredFrame* found, const InternalName* row, int stored);
    // The predicate's frame, looked up once while it is missing (the first insert makes it).
    MainMemPredFrame* frame();

    MainMemOM& om;
    InternalName predicate;
    int arity;
    MainMemPredFrame* kept = nullptr;
    bool looked = false;
    // The rows announced by expect, room for them not made yet (the frame may not exist).
    int expected = 0;
    // The layout of the frames `kept` was found under (0: none yet).
    std::uint64_t stamp = 0;
};

// Finds the set frames of the hosts in the ones the object manager keeps (see HostSetCache): a
// member of a host met before, in this pass or an earlier one, costs one probe of its set.
class MainMemSetMemberWriter : public FactWriter {
  public:
    MainMemSetMemberWriter(MainMemOM& om, int methodType);
    int insert(const InternalName* row) override;
    bool holds(const InternalName* row) override;
    void prefetch(const InternalName* row) override;

  private:
    MainMemOM& om;
    int type;
    // Whether the type's values are sets, which the writer keeps: decided once.
    bool sets;
    // Only the hints' notes are used: the sets found are kept by the object manager.
    HostSetCache hints;
};

// Stores into the object's set of classes, which the object manager keeps for the objects met
// (see HostSetCache): whether an object already stands in the relation to a class costs one
// probe of its set, so a head's repeated rows are left out before the insert, and the insert
// takes the set its hint found. Its hint loads the sets an insert probes.
class MainMemClassRelationWriter : public FactWriter {
  public:
    MainMemClassRelationWriter(MainMemOM& om, int kind) : om(om), kind(kind) {}
    int insert(const InternalName* row) override;
    bool holds(const InternalName* row) override;
    bool holdsNothing() override;
    void prefetch(const InternalName* row) override;

  private:
    // The set of the object's classes of the writer's kind, or null while it has none.
    MainMemSetFrame* classesOf(const InternalName& object);

    MainMemOM& om;
    int kind;
    // Only the hints' notes are used: the sets found are kept by the object manager.
    HostSetCache hints;
};
