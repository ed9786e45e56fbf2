// NameRemapListener: the calls the object manager makes on the access layer registered with it.
#pragma once

#include "objectbase/InternalName.h"

// The access layer sits above the object base and keeps its own table of mapped names; when the
// object manager replaces a name by its representative it tells the registered listener, which
// moves its entry for the old name to the new one.
class NameRemapListener {
  public:
    virtual void remapName(InternalName oldName, InternalName rep) = 0;
    // Called before the frame of oldName is merged into rep's, so that values the listener put
    // there itself (and may take back) give way to the other name's values.
    virtual void beforeMerge(InternalName /*oldName*/, InternalName /*rep*/) {}
    // Called when the object base is emptied: every name may stand for something else now.
    virtual void baseCleared() {}

  protected:
    ~NameRemapListener() = default;
};
