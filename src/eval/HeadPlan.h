// HeadPlan: how a rule head takes the rows of its body in one pass, chosen from what its compiled
// terms demand before any row is read.
#pragma once

#include <cstdint>

#include "compile/Operand.h"
#include "eval/InsertExpr.h"

// The ways a head takes its rows. Every road stores the facts that storing the body's rows first
// and inserting each distinct row in ascending order would (the roads that take rows in another
// order only serve heads whose facts do not depend on it); they differ in what they need not do
// for that. Only the names of the sets a set-valued head makes follow the order the rows come
// in: the same members may sit in a set named otherwise.
enum class HeadRoad : std::uint8_t {
    // Rows in ascending order, each once (the seen-row trie drops those an earlier pass took):
    // a head whose trees are not built yet, or one that makes objects.
    Ordered,
    // The first pass of a one-term head that can tell stored facts: the rows as the join makes
    // them, those not stored yet kept and stored in ascending order after the pass, without
    // storing and sorting the rows already there (measured: evaluating a 2000-node closure again
    // after one new fact took 4.7 times as long as from scratch without it).
    FreshOnly,
    // Built order-free trees: the rows as the join makes them, without storing them first, in
    // batches whose cache hints go first (measured: 40 % less processor time on the transitive
    // closures of 2000 nodes). Repeats reach trees that take them, or the seen-row trie.
    Batched,
    // Built order-free trees that want each row once: the body's stored rows in the order they
    // were made, no trie (their store answers a repeat in one probe).
    Distinct,
};

// What planning a head looks at.
struct HeadShape {
    enum class Trees : std::uint8_t {
        // Some term has no tree for the column layout yet.
        Unbuilt,
        // The one term's tree was built, and its objects made, just now, before reading the rows.
        BuiltAhead,
        // Every term's tree was built by an earlier pass.
        Built,
    };
    Trees trees = Trees::Unbuilt;
    // The weakest demand of the terms' trees (their weakest together when built).
    RowDemand demand = RowDemand::Ordered;
    // Some term has no tree: it wrote all it writes when it was built, and its rows still pass
    // the trie, as they always did.
    bool treeless = false;
    // Every tree takes a repeated row without change (see InsertExpr::repeatsHarmless): ordered
    // rows need not pass the trie.
    bool repeatsHarmless = false;
    // Every insert attempt is traced: each row must be attempted once across all passes, as
    // the seen-row trie makes the ordered road do, so every row passes the trie.
    bool everyAttempt = false;
};

struct HeadPlan {
    HeadRoad road = HeadRoad::Ordered;
    // Whether rows pass the seen-row trie of the head and its column layout.
    bool seenTrie = true;

    // The order in which the body's rows are read.
    RowOrder order() const {
        switch (road) {
            case HeadRoad::Ordered:
                return RowOrder::Ordered;
            case HeadRoad::Distinct:
                return RowOrder::Unordered;
            case HeadRoad::FreshOnly:
            case HeadRoad::Batched:
                break;
        }
        return RowOrder::Repeating;
    }
    // "ordered", "fresh-only", "batched" or "distinct", with " + seen-row trie" when rows pass it.
    const char* name() const;
    bool operator==(const HeadPlan& other) const {
        return road == other.road && seenTrie == other.seenTrie;
    }
};

// Whether a head's first pass builds its tree ahead of the rows: a single term without a tree,
// over the stored or streamed rows of an unkeyed operand that has a row. Nothing writes between
// building it and reading the rows, so its objects are made as a row-by-row walk would make
// them.
bool buildsAhead(int termCount, bool plainRowsPresent);

// The road for a head of the given shape.
HeadPlan planHead(const HeadShape& shape);
