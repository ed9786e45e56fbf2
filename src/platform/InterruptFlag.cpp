// The process-wide interrupt flag.
#include "platform/InterruptFlag.h"

std::atomic<int> interruptFlag{0};
