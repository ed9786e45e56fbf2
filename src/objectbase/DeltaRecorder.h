// DeltaRecorder, the part of the main-memory object base that writes every newly stored fact into
// the delta frames the semi-naive evaluator reads each round.
#pragma once

#include <cstdint>
#include <vector>

#include "objectbase/DeltaTable.h"
#include "objectbase/InternalName.h"
#include "objectbase/MainMemFrames.h"

class FrameManager;

// While recording is on (start .. stop) the recorder reads the evaluator's DeltaTable and puts a
// row for each new fact into the predicate frame the table names for its kind. The delta frames
// are ordinary predicate frames in the base's registry: made when missing, emptied when recording
// starts. A delta of a predicate (and that of class memberships) may instead be a view of the rows
// its source gains from the mark where recording began: a new row of the source is then in the
// delta without a copy, and the view is frozen into a frame of its own when recording stops.
//
// The recording calls answer 0 when the fact has no delta predicate; a value or entry row answers
// whether it was new in its delta frame, the other rows 1 once written. The caller counts an
// answer 0 for a fact it stored new as an unreported one.
class DeltaRecorder {
  public:
    // `frames` holds the delta frames; `memberships` is the base's frame of every class membership
    // (object, class), which the delta of memberships views; `layout` names the present layout
    // of the frames, and a frame found under another one is looked up again.
    DeltaRecorder(FrameManager& frames, MainMemPredFrame& memberships, const std::uint64_t& layout)
        : frames(frames), memberships(memberships), layout(layout) {}
    DeltaRecorder(const DeltaRecorder&) = delete;
    DeltaRecorder& operator=(const DeltaRecorder&) = delete;

    // Whether recording is on.
    bool on() const { return recording; }
    // The table recorded to, or null while recording is off.
    const DeltaTable* table() const { return deltaInfo; }

    // Begins recording to `table` (which the caller keeps alive until stop): every delta frame
    // of the table is emptied, made when missing, and the deltas of predicates with a frame (and
    // of memberships) become views of what their sources gain from now on. 1, or 0 when the
    // table is null or a frame cannot be made.
    int start(DeltaTable* table);
    // Ends recording: the delta frames stay as ordinary frames, holding what they show now.
    void stop();
    // The frames were all dropped (the base was cleared): no view is left to freeze.
    void framesDropped() { deltaViews.clear(); }

    // A new object, as the row (object, object) of the subclass delta when a body asks for it.
    int recordObject(const InternalName& object);
    // A new membership (kind 1) or subclass fact (kind 2, 3).
    int recordIsa(const InternalName& object, const InternalName& cls, int kind);
    // A new method entry of a set-valued type, which makes host[method ->> {}] true; answers 0
    // also for a row that is not new, and the caller counts nothing for it.
    int recordEntry(int type, const InternalName& method, const InternalName& host,
                    const InternalName* args, int argCount);
    // A new value. `knownNew`: the caller has just found the fact new, so its row cannot be in
    // the delta frame yet and is appended without a probe (each probe of a large delta frame is
    // a cache miss).
    int recordValue(int type, const InternalName& method, const InternalName& host,
                    const InternalName* args, int argCount, const InternalName& value,
                    bool knownNew = false);
    // recordValue for a member a set has just taken. A value without arguments of the method type
    // the last value went to, the usual one of a `->>` head, is appended to the delta frame found
    // then: the general recording cost as much again as appending the row.
    int recordNewMember(int type, const InternalName& method, const InternalName& host,
                        const InternalName* args, int argCount, const InternalName& value) {
        const ValueDeltaHint& hint = valueDelta;
        if (argCount == 0 && hint.argCount == 0 && hint.type == type && hint.table == deltaInfo &&
            hint.stamp == layout) {
            const InternalName row[3] = {method, host, value};
            return hint.frame->insertNewTuple(row, 3);
        }
        return recordValue(type, method, host, args, argCount, value, true);
    }
    // A tuple that `frame`, the predicate's frame, has just stored new.
    int recordPredicate(const InternalName& predicate, const MainMemPredFrame* frame,
                        const InternalName* tuple, int arity);
    // recordPredicate for `count` tuples lying one after the other, the delta looked up once; 0
    // (for every tuple) when the predicate has no delta.
    int recordPredicateRows(const InternalName& predicate, const MainMemPredFrame* frame,
                            const InternalName* tuples, int count, int arity);
    // A predicate's frame made while recording (the first of a program's consulted facts, stored
    // in the first round) gets the delta of the predicate as a view, as a frame there when
    // recording began does.
    void viewInDelta(const InternalName& predicate, MainMemPredFrame* frame);

    // Calls visit(name) for every delta predicate of the table, in the order start prepares them;
    // stops and answers false as soon as visit does. Recording must be on.
    template <class Visit>
    bool forEachDeltaPredicate(Visit visit) const;

  private:
    // Writes a row into the delta frame of a name, making the frame when the base was cleared
    // meanwhile.
    int recordRow(const InternalName& deltaPredicate, const InternalName* row, int width,
                  bool knownNew = false);
    // Empties the delta frame of a name, making it when missing; false when it cannot be made.
    bool prepareDeltaFrame(const InternalName& deltaPredicate);
    MainMemPredFrame* frameOf(const InternalName& name) const;
    // Room for a row of `width` identifiers in deltaTuple.
    InternalName* deltaRow(int width);
    // Freezes the delta views (all, or those `keep` answers false for) into frames of their own,
    // which then no longer follow their predicates.
    template <class Keep>
    void freezeDeltaViews(Keep keep);

    FrameManager& frames;
    MainMemPredFrame& memberships;
    const std::uint64_t& layout;

    DeltaTable* deltaInfo = nullptr;
    bool recording = false;
    std::vector<InternalName> deltaTuple;
    // The delta frame that the last value went to, for the next value of the same method type
    // and argument count: a `->>` head records every new member of a round there, and finding
    // the frame by name (two dictionaries) cost more than appending the row. Good while the
    // table and the layout of the frames are the ones it was found under.
    struct ValueDeltaHint {
        const DeltaTable* table = nullptr;
        std::uint64_t stamp = 0;
        int type = -1;
        int argCount = -1;
        MainMemPredFrame* frame = nullptr;
    };
    ValueDeltaHint valueDelta;
    // The same for the delta of class memberships, which a `:` head records every new
    // membership of a round to.
    struct IsaDeltaHint {
        const DeltaTable* table = nullptr;
        std::uint64_t stamp = 0;
        MainMemPredFrame* frame = nullptr;
    };
    IsaDeltaHint isaDelta;
    // The delta predicates whose frames are views of the rows their predicate's frame gained in
    // the round; a tuple recorded there is not stored a second time.
    std::vector<InternalName> deltaViews;
};

template <class Visit>
bool DeltaRecorder::forEachDeltaPredicate(Visit visit) const {
    const DeltaTable& table = *deltaInfo;
    auto visitDelta = [&visit](int, const FSymbol& delta) { return visit(delta); };
    for (int type = 0; type < DeltaTable::MethodTypes; ++type)
        if (!table.forEachMethodDelta(type, visitDelta) ||
            !table.forEachEmptySetDelta(type, visitDelta))
            return false;
    if (!table.forEachPredicateDelta(
            [&visit](const FSymbol&, const FSymbol& delta) { return visit(delta); }))
        return false;
    if (table.isaFlag != 0 && !visit(table.isaDelta)) return false;
    // New objects land in the subclass delta as well, so it starts empty whenever either
    // kind of row is recorded.
    if ((table.headSubclFlag != 0 || table.bodySubclFlag != 0) && !visit(table.subclDelta))
        return false;
    return true;
}
