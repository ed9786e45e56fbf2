// The choice of a head's road from its shape.
#include "eval/HeadPlan.h"

const char* HeadPlan::name() const {
    switch (road) {
        case HeadRoad::Ordered:
            return seenTrie ? "ordered + seen-row trie" : "ordered";
        case HeadRoad::FreshOnly:
            return seenTrie ? "fresh-only + seen-row trie" : "fresh-only";
        case HeadRoad::Batched:
            return seenTrie ? "batched + seen-row trie" : "batched";
        case HeadRoad::Distinct:
            return seenTrie ? "distinct + seen-row trie" : "distinct";
    }
    return "?";
}

bool buildsAhead(int termCount, bool plainRowsPresent) {
    return termCount == 1 && plainRowsPresent;
}

namespace {
// Whether the trees want ascending rows only for the order in which they make objects, and
// take a row seen before without change: the trie, which would hold a copy of every row taken
// (a head making 6 M function-term objects spent an eighth of its time and a quarter of its
// memory on it), would drop nothing that matters.
bool ordersOnly(const HeadShape& shape) {
    return shape.repeatsHarmless && !shape.treeless;
}
}  // namespace

HeadPlan planHead(const HeadShape& shape) {
    if (shape.everyAttempt) {
        // A row taken in an earlier pass is no attempt again: the roads keep the trie, and the
        // fresh-only one, whose rows pass none, gives way to the ordered one.
        HeadShape traced = shape;
        traced.everyAttempt = false;
        HeadPlan plan = planHead(traced);
        if (plan.road == HeadRoad::FreshOnly) plan.road = HeadRoad::Ordered;
        plan.seenTrie = true;
        return plan;
    }
    switch (shape.trees) {
        case HeadShape::Trees::Unbuilt:
            // The trees are built when the first row comes, in the order a row-by-row walk
            // would build them: a term built may write before the terms ahead of it took the row.
            return HeadPlan{HeadRoad::Ordered, true};
        case HeadShape::Trees::BuiltAhead:
            if (!shape.treeless && shape.demand == RowDemand::TellsStored)
                return HeadPlan{HeadRoad::FreshOnly, false};
            return HeadPlan{HeadRoad::Ordered, !ordersOnly(shape)};
        case HeadShape::Trees::Built:
            break;
    }
    if (shape.demand == RowDemand::Ordered) return HeadPlan{HeadRoad::Ordered, !ordersOnly(shape)};
    // A repeat reaches the trees only when all of them take it.
    const bool repeats = shape.demand >= RowDemand::Repeats && !shape.treeless;
    if (shape.treeless) return HeadPlan{HeadRoad::Batched, true};
    return HeadPlan{repeats ? HeadRoad::Batched : HeadRoad::Distinct, false};
}
