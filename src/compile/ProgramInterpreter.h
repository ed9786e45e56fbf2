// ProgramInterpreter, what the shell's normaliser needs of the interpreter that runs the
// program: its current program. The shell's interpreter implements it.
#pragma once

#include "foundation/FLSysObject.h"

class FProgram;

class ProgramInterpreter : public FLSysObject {
  public:
    // The interpreter's current program (the empty program when it has none), lent: the caller
    // takes a reference of its own to keep it.
    virtual FProgram* showProgram() = 0;

  protected:
    ~ProgramInterpreter() override = default;
};
