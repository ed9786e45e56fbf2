// TermMaker, the maker of the objects of one function symbol's terms that an object manager
// hands to a caller that makes many of them (a rule head that makes an object per row).
#pragma once

#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"

// A maker may keep what it found of the symbol's table between its calls, so that a head's rows
// cost a probe of the table each rather than a lookup of the symbol first. What it keeps it
// checks against the base's layout at each call, so a maker may be kept for as long as the
// caller likes: it keeps its manager alive.
class TermMaker {
  public:
    explicit TermMaker(const FSymbol& function) : symbol(function) {}
    TermMaker(const TermMaker&) = delete;
    TermMaker& operator=(const TermMaker&) = delete;
    virtual ~TermMaker() = default;

    const FSymbol& function() const { return symbol; }
    // What the manager's getFunctionObject answers for the term function()(args).
    virtual int make(const InternalName* args, int argCount, InternalName& out) = 0;
    // A cache hint that make will soon be asked for the term over `args`: the rows of a batch
    // wait on memory together rather than one after another. Given only while the maker finds
    // hints of use (a rule head asks for one for every row).
    void prefetch(const InternalName* args, int argCount) {
        if (hintsOfUse) loadAhead(args, argCount);
    }

  protected:
    // Loads what make will read for the term; nothing by default.
    virtual void loadAhead(const InternalName* /*args*/, int /*argCount*/) {}
    // Whether prefetch gives hints: a maker turns them off while they would load nothing.
    bool hintsOfUse = true;

  private:
    FSymbol symbol;
};
