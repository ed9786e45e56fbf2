// NameHandler, the source of the numbers of objects, set names and parameter frames the object base
// makes.
#pragma once

#include <cstdint>

#include "foundation/ManagedObject.h"

// Each object manager owns one. The counters belong to the instance, so two object managers never
// disturb each other's numbering. Every operation increments first and returns the new value, so
// the start values (object 100, set 0, parameter frame 0) are never handed out.
class NameHandler : public ManagedObject {
  public:
    NameHandler();

    // Objects (kind 8) and strings (kind 2): 101, 102, ...
    std::int32_t nextObjectId() { return ++objectCounter; }
    // The identifier nextObjectId hands out next, not yet taken.
    std::int32_t upcomingObjectId() const { return objectCounter + 1; }
    // Set names (kind 10, flag 1): 1, 2, ...
    std::int32_t nextSetId();
    // Parameter-frame names (kind 9, flag = arity): 1, 2, ...
    std::int32_t nextParamId();
    // Back to the start values; used when the object base is cleared.
    void reset();
    // Whether no identifier was handed out since construction or the last reset.
    bool atStart() const {
        return objectCounter == FirstObjectCounter && setCounter == 0 && paramCounter == 0;
    }

  protected:
    ~NameHandler() override = default;

  private:
    static constexpr std::int32_t FirstObjectCounter = 100;

    std::int32_t objectCounter;
    std::int32_t setCounter;
    std::int32_t paramCounter;
};
