// NaiveEvalWithInherit: naive evaluation for programs with inheritance, alternating TP rounds to
// a fixpoint with trigger phases that turn inherited values into facts; its class object.
#pragma once

#include <vector>

#include "eval/NaiveEval.h"

class FMolecule;
class Normalizer;

class NaiveEvalWithInherit : public NaiveEval {
  public:
    // Takes a second reference on the access layer, through which the phases run.
    NaiveEvalWithInherit(Matcher* matcher, OMAccess* access);

    // "aNaiveEvalWithInherit".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    int evaluate(FProgram* program) override;
    Evaluation* tp(FProgram* program) override;
    // Matches the query again until a matching inherits nothing new; the last answers.
    Operand* retrieve(FRule* query, SymTab* names) override;
    // A non-zero mode also forgets that any program used inheritance.
    void reset(int mode) override;
    // One trigger phase; non-zero when it added facts.
    virtual int fireTrigger();

    // Rebuilds the trigger list from the atomized program of the held normalizer.
    void buildTriggerList();
    void clearTriggerList();

    const std::vector<FRule*>& triggers() const { return triggerList; }
    int triggerCount() const { return triggerNumber; }
    int inheritance() const { return inheritanceFlag; }
    int triggerMode() const { return allTriggers; }

  protected:
    ~NaiveEvalWithInherit() override;

    // Builds the normalizer over the program and atomizes it.
    void holdNormalizer(FProgram* program);
    void releaseNormalizer();
    void addTimingStatistics();
    // Rounds to a fixpoint, then a trigger phase, until a phase adds nothing; `changed` is the
    // answer of the last round (start with -1). False when a round failed or the user
    // interrupted.
    bool fixpointWithTriggers(FProgram* program, int& changed);

    OMAccess* phases;
    // Fixpoints (or, when semi-naive, productive phases) of the current evaluation.
    int triggerNumber = 0;
    int inheritanceFlag = 0;
    // 0 one trigger per phase, 1 all triggers with buffered inserts.
    int allTriggers = 0;
    Timer* triggerTimer;
    Normalizer* normalizer = nullptr;
    std::vector<FRule*> triggerList;
};

// Registered as "classNaiveEvalWithInherit": new@(Matcher, OMAccess).
class NaiveEvalWithInheritMeta : public XMeta {
  public:
    NaiveEvalWithInheritMeta() : XMeta("NaiveEvalWithInherit") {}

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;
};
