// ObjectFrameView, a read-only look at the frame of one object: its method entries and the names
// of the sets of its class relations.
#pragma once

#include "objectbase/FrameView.h"
#include "objectbase/InternalName.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/MethodType.h"

class Iterator;

// What a reader above the object base holds of an object's frame: one address, read through
// inline calls, so that a walk over every frame costs what reading the frame itself costs. It
// answers questions and changes nothing. A default view is empty (the object has no frame); the
// frame must outlive the view, and the base must not change while a walk reads it in place.
class ObjectFrameView : public FrameView<ObjectFrameView, MainMemObjFrame> {
  public:
    using FrameView::FrameView;

    // The number of method entries.
    int size() const { return frame->MainMemObjFrame::size(); }
    // The entries in ascending key order, read in place.
    const MethodEntries& entries() const { return frame->entries(); }
    // Calls visit(key, value) for every entry in ascending key order; entries may be added or
    // taken out by the visit (see MainMemObjFrame::forEachEntry).
    template <class Visit>
    void forEachEntry(Visit visit) const {
        frame->forEachEntry(visit);
    }
    // The same for a walk that changes no entry while it runs.
    template <class Visit>
    void forEachStoredEntry(Visit visit) const {
        frame->forEachStoredEntry(visit);
    }
    // Whether some entry has a method type from `lowest` to `highest`.
    bool holdsEntryOfType(int lowest, int highest) const {
        return frame->holdsEntryOfType(lowest, highest);
    }
    // 1 and the stored value when (methodType, argCount, method) is present, else 0.
    int lookupMethod(const InternalName& method, int methodType, int argCount,
                     InternalName& value) const {
        return frame->lookupMethod(method, methodType, argCount, value);
    }
    // An iterator over the entries that pass both filters (1000 = any type, -1 = any arity);
    // columns as the object base's method iterator.
    Iterator* methodIterator(int methodType, int arity, Iterator* reuse) const {
        // Making an iterator over a frame reads it; the frame's own call predates const.
        return const_cast<MainMemObjFrame*>(frame)->methodIterator(methodType, arity, reuse);
    }
    // The name of the set of what the object stands in `relation` to: its classes, its
    // superclasses or its children. Read without a virtual call: object frames are of one class.
    InternalName setNameOf(IsaRelation relation) const {
        return relation == IsaRelation::Member     ? frame->MainMemObjFrame::getSetName1()
               : relation == IsaRelation::Subclass ? frame->MainMemObjFrame::getSetName2()
                                                   : frame->MainMemObjFrame::getSetName3();
    }
    // The name of the set of the object's classes.
    InternalName classesSetName() const { return frame->MainMemObjFrame::getSetName1(); }

  private:
    friend class FrameWalk;
};
