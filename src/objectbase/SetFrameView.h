// SetFrameView, a read-only look at the members of one set of the object base.
#pragma once

#include "objectbase/FrameView.h"
#include "objectbase/InternalName.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/MemberSet.h"

class Iterator;

// What a reader above the object base holds of a set: one address, read through inline calls.
// It changes nothing. A default view is empty (no such set); the set must outlive the view.
class SetFrameView : public FrameView<SetFrameView, MainMemSetFrame> {
  public:
    using FrameView::FrameView;

    int size() const { return int(frame->memberSet().size()); }
    bool contains(const InternalName& name) const { return frame->memberSet().contains(name); }
    // The members, for a reader that walks them in place.
    const MemberSet& memberSet() const { return frame->memberSet(); }
    // An iterator over the members in ascending order (column 1).
    Iterator* membersIterator(Iterator* reuse) const {
        // Making an iterator over a set reads it; the frame's own call predates const.
        return const_cast<MainMemSetFrame*>(frame)->getIterator(reuse);
    }

  private:
    friend class FrameWalk;
};
