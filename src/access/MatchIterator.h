// MatchIterator: the common base of the iterators that match one stored-fact atom against the
// object base exactly as stored (method applications, is-a facts, predicates, function terms).
#pragma once

#include "objectbase/Iterator.h"

class MatchIterator : public Iterator {
  protected:
    MatchIterator() = default;
    ~MatchIterator() override = default;

    // Reports InvalidUse 6/6 for atColumn out of range or on an unpositioned iterator.
    static void reportInvalidUse();
    static bool isBound(const InternalName& name) { return name != InternalName::UndefinedObject; }
};
