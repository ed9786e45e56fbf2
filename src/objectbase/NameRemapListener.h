// NameRemapListener: the one call the object manager makes on the access layer registered with it.
#pragma once

#include "objectbase/InternalName.h"

// The access layer sits above the object base and keeps its own table of mapped names; when the
// object manager replaces a name by its representative it tells the registered listener, which
// moves its entry for the old name to the new one.
class NameRemapListener {
  public:
    virtual void remapName(InternalName oldName, InternalName rep) = 0;

  protected:
    ~NameRemapListener() = default;
};
