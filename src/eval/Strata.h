// Strata: a program cut into the parts that evaluate one after the other, so that a rule reading a
// relation under negation or inside an aggregate runs only once that relation can no longer grow.
#pragma once

#include <vector>

class FProgram;

// The relations are the predicates (by name and arity), the methods (by name and arrow kind),
// is-a and subclass. A rule depends on every relation its body reads; under negation or inside
// an aggregate it must wait until that relation is complete. A method position that is a
// variable reads (or writes) every method of its arrow kind. When negation or aggregation runs
// through a recursion the program has no strata and is evaluated as one part, as before.
class Strata {
  public:
    // Holds a reference to each part; a program that needs a single part is that part itself.
    explicit Strata(FProgram* program);
    Strata(const Strata&) = delete;
    Strata& operator=(const Strata&) = delete;
    ~Strata();

    // In evaluation order. The facts and queries stay in the first part.
    const std::vector<FProgram*>& parts() const { return programs; }

  private:
    std::vector<FProgram*> programs;
};
