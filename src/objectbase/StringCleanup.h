// StringCleanup, the strings made since the last cleanup and the choice of those no stored fact
// uses any more.
#pragma once

#include <functional>
#include <vector>

#include "objectbase/InternalName.h"

// Every string name made is noted here, read only by the cleanup: kept in the order made (almost
// always ascending already) and sorted when the cleanup runs, not one search-tree node per
// string. Before a cleanup the base notes the strings it finds used where no index reaches
// (predicate tuples, the values the usage log left out, the classes of memberships not indexed
// yet); the cleanup asks the base about the others one by one.
class StringCleanup {
  public:
    void noteMade(const InternalName& string) { made.push_back(string); }
    // Whether strings were made since the last cleanup: only then has a cleanup anything to do,
    // and only then are the uses worth collecting.
    bool pending() const { return !made.empty(); }
    // A string some stored fact uses, found by a walk of the base.
    void noteUse(const InternalName& string) {
        if (string.getType() == InternalName::String) uses.push_back(string);
    }
    // Calls forget(name), in ascending order and once each, for every string made since the last
    // cleanup that was noted as used by no fact and that inUse does not find used; then starts
    // again with no string made and no use noted.
    void run(const std::function<bool(const InternalName&)>& inUse,
             const std::function<void(const InternalName&)>& forget);
    // Nothing made, nothing noted (the base was emptied).
    void clear();

  private:
    std::vector<InternalName> made;
    std::vector<InternalName> uses;
};
