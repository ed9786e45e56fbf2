// The process-wide interrupt flag that Ctrl-C raises and long-running work polls.
#pragma once

#include <atomic>

// 1 after an interrupt, 0 otherwise. The signal handler stores into it while other code polls it,
// so it is a lock-free atomic int: a plain store from a handler and a plain read elsewhere are
// then well defined. Whoever stops on it clears it.
extern std::atomic<int> interruptFlag;

static_assert(std::atomic<int>::is_always_lock_free, "the interrupt flag must be signal-safe");
