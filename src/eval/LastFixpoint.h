// LastFixpoint: what an evaluator remembers of the program it last brought to its fixpoint, so
// that evaluating that program again after new facts can start from those facts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/Ref.h"

class FProgram;
class OM;

// A fixpoint stays one while the base only gains the clauses appended to its program: every
// consequence of the older facts under the older rules is stored, so the old rules need to meet
// only what is new, and a new rule the base once. It is gone as soon as anything else may have
// changed the base or the rules: another program, the base emptied, a round run on its own or by
// another evaluator, an evaluation that did not finish (the evaluator forgets the fixpoint when
// it starts one).
class LastFixpoint {
  public:
    LastFixpoint() = default;
    LastFixpoint(const LastFixpoint&) = delete;
    LastFixpoint& operator=(const LastFixpoint&) = delete;
    ~LastFixpoint();

    // Remembers the program (holding it, so that no later program can take its place) with its
    // length and the base's change stamp now, right after its last round.
    void remember(FProgram* program, const OM* base);
    void forget();
    // Forgets a program nobody else holds any more (dropped by forgetProgram), which could
    // never be evaluated again, so that its clauses go now.
    void forgetUnheld();

    // The clauses appended to the remembered program since, facts and rules, as a new program
    // over the same table (it may be empty). Null when nothing is remembered, the program is
    // another one or shorter, or the base was emptied or went through a round since (a single
    // tp, another evaluator's evaluation).
    Ref<FProgram> addedClauses(FProgram* program, const OM* base) const;

  private:
    // Held, so that no later program can take its place at the same address.
    Ref<FProgram> program;
    std::size_t clauses = 0;
    std::uint64_t stamp = 0;
};
