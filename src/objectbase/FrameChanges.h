// FrameChanges: the count of every change made to a member set or to an object frame's entries.
#pragma once

#include <cstdint>

// Whatever makes the change (a store, a withdrawal, an equality, a frame let go of), it counts
// here: a structure built from stored values knows by the count whether anything may have changed
// since (see MethodValueStamps). One evaluation runs at a time, and the object bases share it.
namespace frameChanges {
inline std::uint64_t count = 0;
inline void note() {
    ++count;
}
}  // namespace frameChanges
