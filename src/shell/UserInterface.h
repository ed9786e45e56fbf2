// The program: start-up with the command-line options, the configuration and history files, the
// shell loop, the farewell of the control events and the orderly end.
#pragma once

#include <string>

#include "shell/SystemObjects.h"

class FLSysInterpreter;
class FLSysObject;

namespace userInterface {

// The one sys interpreter; null until start-up has made it.
extern FLSysInterpreter* sys;
// -1 ends the shell before its first command and suppresses the final forgetIDB.
extern int quitFlag;

// The whole program: start-up, the loop and the end. Answers the exit status: 0, 1 after a bad
// option or a missing option argument, 1 with -q when a command-line file could not be consulted,
// or the code of the control event that ended the program.
int run(int argc, char** argv, const Session& handedIn);

// Works through the command-line options, the configuration and history files and the files to
// consult.
void interpOptions(int argc, char** argv, FLSysInterpreter& sys);
// Consults the configuration file and loads the history file unless named on the command line.
void loadDefaultConfiguration(bool cfgGiven, bool hisGiven, bool quorinNaming, bool kavum,
                              FLSysInterpreter& sys);
// Hands a history file to the line input; reports NoHistory when it cannot be opened.
void loadHistoryFile(const std::string& path);
// The usage text on helpChannel, headed by Quorin or (quorinNaming false) Kavum.
void printUsage(bool quorinNaming);
// True for the "end" escape.
bool isEndEscape(const FLSysObject* object);

}  // namespace userInterface
