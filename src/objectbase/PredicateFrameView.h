// PredicateFrameView, a read-only look at the rows of one predicate of the object base.
#pragma once

#include "objectbase/FrameView.h"
#include "objectbase/InternalName.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/RelationStore.h"

class Iterator;

// What a reader above the object base holds of a predicate's rows: one address, read through
// inline calls. It changes nothing. A default view is empty (no such predicate); the rows must
// outlive the view.
class PredicateFrameView : public FrameView<PredicateFrameView, MainMemPredFrame> {
  public:
    using FrameView::FrameView;

    int arity() const { return frame->getArity(); }
    // The number of rows shown (a round's delta shows only the rows its predicate gained).
    int size() const { return frame->size(); }
    // The rows themselves, numbered in insertion order; the rows shown are the last size().
    const RelationStore& store() const { return frame->store(); }
    bool containsTuple(const InternalName* cells, int count) const {
        // A lookup reads the rows; the frame's own call predates const.
        return const_cast<MainMemPredFrame*>(frame)->containsTuple(cells, count);
    }
    // An iterator over the rows in ascending order.
    Iterator* rowsIterator(Iterator* reuse) const {
        return const_cast<MainMemPredFrame*>(frame)->getIterator(reuse);
    }
};
