// Creator: what the Matcher asks of a rule-head creator, whatever objects and facts it makes.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "compile/PtnScanner.h"
#include "foundation/Ref.h"

class FactList;
class OMAccess;
class Operand;
class ParseTreeNode;

class Creator : public PtnScanner {
  public:
    // Takes a reference on the access layer.
    explicit Creator(OMAccess* access);

    // "aCreator".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Inserts the instances of the head (an FTerm or an FTermList) for the body result.
    virtual void create(ParseTreeNode* head, Operand* bindings) = 0;
    // Inserts fact i of the list, kept compact, as create does for its head without bindings.
    // Here through a clause made for the moment; a creator that knows the fact's parts does
    // without one.
    virtual void createFact(const FactList& facts, std::size_t i);
    // From beginFactRun to endFactRun the creator is given facts of one list and nothing else,
    // and nothing else changes the base: what it made for one fact (the objects of the terms
    // facts share) it may keep for the next.
    virtual void beginFactRun() {}
    virtual void endFactRun() {}
    // Called with a fact's index right before the fact is inserted (the insert trace).
    using BeforeFact = std::function<void(std::size_t)>;
    // Inserts facts `from` .. `from + count - 1` of the list in order, within a run, each as
    // createFact does, `before` (when given) called before each: 1 when some fact was new, 0
    // none, -1 as soon as one failed (the facts behind it are not inserted).
    virtual int createFacts(const FactList& facts, std::size_t from, std::size_t count,
                            const BeforeFact& before);
    // 1 new facts since the last setChanged, 0 none, -1 the creation failed.
    virtual int changed() const = 0;
    virtual void setChanged(int value) = 0;
    // Forgets the compiled heads and the rows already handled.
    virtual void clear() = 0;
    // Non-zero when recorded equalities were applied.
    virtual int applyEqualities() = 0;

    OMAccess* getAccess() const { return access.get(); }

  protected:
    ~Creator() override;

    Ref<OMAccess> access;
};
