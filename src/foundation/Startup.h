// The start-up of the program-wide globals, in their fixed order, and the program directory.
#pragma once

#include <string>

// The program-wide interrupt flag that Ctrl-C raises and the evaluators and the answer printer
// poll lives with the other process-wide state of the platform layer.
#include "platform/InterruptFlag.h"

// Builds every program-wide global in its fixed order: the floating-point precision, the OK
// error, the central error handler, the two boolean constants, the statistic handler, the timer,
// the six output channels (without streams), the parse-tree class names and the program
// directory. Globals are torn down at exit in the reverse order, the container library's memory
// manager last. Calling it again does nothing more.
void startupGlobals();

// The folder the program was started from; empty until the program entry fills it in.
std::string& programDirectory();
