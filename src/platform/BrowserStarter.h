// Showing a file in the user's Web browser: which program, whether one already runs, the working
// folder, and starting the program in the background without a shell.
#pragma once

#include <string>
#include <vector>

// The first non-empty entry of the colon-separated list in BROWSER; "xdg-open", the desktop's own
// choice, when BROWSER is unset or holds no entry.
std::string browserProgram();

// True when HOME + "/.netscape/" holds an entry named exactly "lock", the mark a running browser
// leaves; false when HOME is unset or empty or the folder cannot be listed.
bool browserIsRunning();

// The working folder (getcwd), or PWD when getcwd fails; empty when neither is known.
std::string workingFolder();

// Starts args[0] with the arguments args, found along PATH, and returns at once without waiting
// for it. The program runs in a session of its own (a Ctrl-C at the terminal does not reach it),
// reads standard input from /dev/null and keeps the standard output and error streams. No shell
// takes part, so no argument is ever read as a command. False only when no process could be made;
// a program that cannot be run is not noticed.
bool startInBackground(const std::vector<std::string>& args);
