// MethodValueStamps: for each stored method, a stamp that moves whenever its values may have
// changed, so that a structure built from them can be kept until they do.
#pragma once

#include <cstdint>

#include "objectbase/FlatNameMap.h"
#include "objectbase/FrameChanges.h"
#include "objectbase/MainMemFrames.h"

// The object manager tells which method a store of a value changed: the changes counted (see
// frameChanges) between the start and the end of such a store belong to that method alone, and
// only its stamp moves. Any other change counted moves the stamps of all methods, since it may
// have touched any of them: a stamp never stays while values it stands for changed, and a store
// outside the roads that tell their method costs only the structures kept, never a wrong answer.
class MethodValueStamps {
  public:
    // The count before a store of a value of one method.
    static std::uint64_t before() { return frameChanges::count; }
    // The store that started at `before` changed only values of `key`.
    void stored(const MethodKey& key, std::uint64_t before) {
        const std::uint64_t now = frameChanges::count;
        if (now == before) return;
        if (synced == before) synced = now;
        if (pending && pendingKey == key) return;
        flush();
        pendingKey = key;
        pending = true;
    }
    // Something changed that no store told the method of (an equality, a clearing): every stamp
    // moves.
    void invalidate() { synced = ~std::uint64_t(0); }
    // The stamp of the values of `key` as they stand: two words (an epoch no other state of any
    // object base shares, and the method's own change) that stay the same exactly while no
    // change may have touched them.
    void stamp(const MethodKey& key, std::uint64_t& epochWord, std::uint64_t& changeWord) {
        flush();
        if (synced != frameChanges::count) {
            epoch = fresh();
            synced = frameChanges::count;
        }
        epochWord = epoch;
        changeWord = changed.valueOr(key, 0);
    }

  private:
    // A number no earlier call gave, in any object base.
    static std::uint64_t fresh() {
        static std::uint64_t last = 0;
        return ++last;
    }
    // Gives the method of the stores not yet noted its new stamp: a run of stores of one method
    // (a rule head's) looks it up once.
    void flush() {
        if (!pending) return;
        changed[pendingKey] = fresh();
        pending = false;
    }

    std::uint64_t synced = ~std::uint64_t(0);
    std::uint64_t epoch = 0;
    FlatNameMap<MethodKey, std::uint64_t> changed;
    MethodKey pendingKey;
    bool pending = false;
};
