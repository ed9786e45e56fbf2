// Strata: a program cut into the parts that evaluate one after the other, so that a rule reading a
// relation under negation or inside an aggregate runs only once that relation can no longer grow.
#pragma once

#include <string>
#include <vector>

#include "foundation/Ref.h"

class FProgram;
class FSymbol;
class FTerm;

// The name a method or class position holds when it is a plain constant; null for anything else
// (a variable, a path, a function term with arguments), which may stand for any of them.
const FSymbol* constantName(FTerm* term);

// The strata of a program, drawn from its plan (ProgramPlan, which says what a rule waits for):
// where negation or aggregation runs through a recursion, the relations of that recursion have
// no strata and form one part evaluated in rounds, and a warning names them.
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
