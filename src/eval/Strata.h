// Strata: a program cut into the parts that evaluate one after the other, so that a rule reading a
// relation under negation or inside an aggregate runs only once that relation can no longer grow.
#pragma once

#include <string>
#include <vector>

#include "compile/Ref.h"

class FProgram;
class FSymbol;
class FTerm;

// The name a method or class position holds when it is a plain constant; null for anything else
// (a variable, a path, a function term with arguments), which may stand for any of them.
const FSymbol* constantName(FTerm* term);

// The relations are the predicates (by name and arity), the methods (by name and arrow kind),
// the membership in each class and the subclasses of each class. A rule depends on every
// relation its body reads; under negation or inside an aggregate it must wait until that
// relation is complete. A method or class position that is a variable reads (or writes) every
// method of its arrow kind, or every class. Memberships and subclasses follow the hierarchy that
// the program's subclass facts and heads can build. A method read sees inherited values, and so
// depends on the memberships in the classes that hold them, only when the evaluator inherits and
// the program holds or derives an inheritable value of that method.
//
// Where negation or aggregation runs through a recursion, the relations of that recursion have
// no strata: they are evaluated in rounds as one part of their own, after every part they read
// and before every part that reads them, and a warning names them.
class Strata {
  public:
    // Whether the evaluator turns inheritable values into facts of the classes' members.
    enum class Inheritance { None, Inherits };

    // A program that needs a single part is that part itself.
    Strata(FProgram* program, Inheritance inheritance);
    Strata(const Strata&) = delete;
    Strata& operator=(const Strata&) = delete;
    ~Strata();

    // In evaluation order. The facts and queries stay in the first part.
    const std::vector<Ref<FProgram>>& parts() const { return programs; }

    // One line for each part evaluated in rounds, naming its relations and the first rule that
    // negates or aggregates inside it; empty for a stratified program.
    const std::vector<std::string>& warnings() const { return roundsWarnings; }

  private:
    std::vector<Ref<FProgram>> programs;
    std::vector<std::string> roundsWarnings;
};
