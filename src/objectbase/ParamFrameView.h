// ParamFrameView, a read-only look at the rows of one method with arguments: its argument lists
// and their results.
#pragma once

#include "objectbase/FrameView.h"
#include "objectbase/InternalName.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/ParamRows.h"

class Iterator;

// What a reader above the object base holds of a method's rows: one address, read through inline
// calls. A row is the arguments followed by the result. It changes nothing. A default view is
// empty (no such rows); the rows must outlive the view.
class ParamFrameView : public FrameView<ParamFrameView, MainMemParamFrame> {
  public:
    using FrameView::FrameView;

    // Arguments and result.
    int arity() const { return frame->getArity(); }
    int size() const { return frame->size(); }
    // The rows, for walking them in ascending order in place.
    const ParamRows& storedRows() const { return frame->storedRows(); }
    // 1 and the result of the first row stored for these arguments, else 0.
    int lookupResult(const InternalName* args, int count, InternalName& result) const {
        // A lookup reads the rows; the frame's own call predates const.
        return const_cast<MainMemParamFrame*>(frame)->lookupResult(args, count, result);
    }
    // An iterator over the rows in ascending order (columns: arguments, then the result).
    Iterator* rowsIterator(Iterator* reuse) const {
        return const_cast<MainMemParamFrame*>(frame)->getIterator(reuse);
    }

  private:
    friend class FrameWalk;
};
