// The print pieces that path steps and method specifications share: the method, its arguments
// and the axis texts of the Pevo dialect.
#pragma once

#include "foundation/clib_list.h"

class FTerm;
class OutputChannel;
class SymTab;

// The method; a variable is parenthesised when its name holds "." or "!", so that it reads back
// as one name.
void printStepMethod(OutputChannel& channel, const FTerm* method, const SymTab* names,
                     const SymTab* vars);
// "@(" and the arguments separated by ",", then ")"; nothing without arguments.
void printStepArgs(OutputChannel& channel, const clib_list<FTerm*>* args, const SymTab* names,
                   const SymTab* vars);
// The text written before a Pevo step's method for its axis code: "descendant::", "parent::",
// "ancestor::", "sibling::", "@"; nothing for the child and self axes.
const char* pevoAxisText(int code);
