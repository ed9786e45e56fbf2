// The roles the platform tests' children run, for the test program's main.
#pragma once

// Runs the confined child the arguments ask for; it never returns.
[[noreturn]] void runConfinedTestChild(int argc, char** argv);
