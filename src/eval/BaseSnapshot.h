// BaseSnapshot: the printed form of an object base that held facts already when the evaluations
// that may step back started on it, so that they can step back to it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "objectbase/FSymbol.h"

class Matcher;
class OMAccess;

// The facts of the base in F-Logic; which stored method values were inherited, and which own
// values were confirmed equal to an inherited one, each written as a fact of its own; and the
// further names an equality gave an object (the base prints an object by one name only). A run that
// steps back empties the base (keeping the blockings), stores the facts again and marks the
// inherited values again: an evaluation then starts from what the base held before, whether an
// earlier evaluation derived it, a query stored it or a document was loaded. Only printed forms are
// kept, and the names the base held in the order they were numbered: the names of the refilled base
// keep that order (where classes tie it decides), though not their numbers.
class BaseSnapshot {
  public:
    // Writes the base through the access layer's dump.
    explicit BaseSnapshot(OMAccess& access);

    // False when the base cannot be filled again from the text: some fact does not read back,
    // an inherited value names an object without a printed form, or the access layer's inserts
    // do more than store (documents loaded again).
    bool complete() const { return whole; }
    // The facts as written (inherited values among them, unmarked).
    const std::string& text() const { return facts; }
    // Empties the base keeping the blockings and fills it again; the matcher stores the facts.
    // An inherited value of a slot blocked since is left out, and so is an own value confirmed
    // equal to an inherited one there: it may have been derived from that value, which is no
    // longer inherited. The further names of objects name them again.
    void restore(OMAccess& access, Matcher& matcher) const;

  private:
    std::string facts;
    std::string inheritedFacts;
    std::string confirmedFacts;
    // Each further name with the name the object is printed by (a number stands for itself).
    std::vector<std::pair<FSymbol, FSymbol>> aliases;
    // The symbols of the strings and names the base held, in the order they were numbered.
    std::vector<FSymbol> names;
    bool whole = true;
};
