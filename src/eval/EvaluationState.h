// EvaluationState: where one evaluation stands, its rounds and trigger phases counted for its
// traces and statistics, with the trigger program its phases match and what the evaluator keeps
// of its own for the walk.
#pragma once

#include <memory>

#include "eval/TriggerProgram.h"

// Owned by the run of the driver that walks an evaluation (FixpointDriver::run); the evaluator
// points to it for that run only (FixpointDriver::PartEvaluator::countInto), and the run takes it
// over from where it stood before and leaves it there as it ends. Between walks the evaluator
// keeps only where the counts stand and the trigger program until a reset: the single steps of tp
// count on from one another, an evaluation's rounds outside its walk count on with those of the
// walk, and an evaluation draws its trigger program before the driver runs. What the evaluator
// keeps of its own for the walk (`own`) is the run's alone: it is not taken over from before, and
// it goes as the run ends.
struct EvaluationState {
    // What an evaluator keeps of its own for one walk (its delta programs, say): made by the
    // evaluator before the walk and handed to the driver's run (FixpointDriver::holding), which
    // owns it until it ends. Only the evaluator that made it reads it.
    class Own {
      public:
        Own() = default;
        Own(const Own&) = delete;
        Own& operator=(const Own&) = delete;
        virtual ~Own() = default;
    };

    // The rounds run, which is the number of the next: only the first inserts the program's facts.
    int rounds = 0;
    // The fixpoints reached before trigger phases or, where the evaluator counts productive
    // phases, the phases that added facts.
    int triggers = 0;
    // Whether the evaluation ran a trigger phase.
    bool phaseRan = false;
    // Set by a round that was abandoned or left the matcher unusable: the evaluation cannot go on.
    bool roundFailed = false;
    // Set by a round that applied equalities.
    bool equated = false;
    // What the last single round of tp, or the trigger phase before it, changed (non-zero: the
    // walk stopped there).
    int changed = 0;
    // What the trigger phases match, drawn from the program as the evaluation began (null
    // without inheritance). The single steps of tp go on with the one drawn last, until a reset.
    std::unique_ptr<const TriggerProgram> triggerProgram;
    // The evaluator's own state for the walk running (null where the evaluator keeps none).
    std::unique_ptr<Own> own;
};
