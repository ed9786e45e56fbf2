// InternalFParser: the wrapper of one generated grammar over one input stream, which the shell's
// parser objects delegate to.
#pragma once

#include <istream>
#include <string>

#include "language/FactList.h"

class FRule;
class SymTab;

class InternalFParser {
  public:
    virtual ~InternalFParser() = default;
    // The next clause of the input: (rule, 1) for a good clause, (null, 1) at the end of the
    // input, (null, 0) for a rejected one. Constants are entered into symTab.
    virtual FRule* parse(SymTab* symTab, int* ok) = 0;
    // As parse, but a clause that is a ground fact of the kinds FactList holds may come back in
    // `ground` instead, read without a parse tree: then the answer is null, *ok is 1 and *read
    // true. The symbols are entered as parse enters them.
    virtual FRule* parse(SymTab* symTab, int* ok, FactList::Ground& /*ground*/, bool* read) {
        *read = false;
        return parse(symTab, ok);
    }
    // Starts a new input: the clause state is cleared, the line counter is 1 and the file name
    // the given one.
    virtual void reset(std::string fileName) = 0;
    // True when nothing is left of the input `in` (the stream the parser reads): neither in
    // the stream nor read ahead by the scanner.
    virtual bool atEnd(std::istream& in) = 0;
};
