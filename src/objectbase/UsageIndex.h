// UsageIndex, the index from each stored name to the hosts whose entries or rows hold it, kept
// as a log until it is first read.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <utility>

#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"
#include "objectbase/UsageSet.h"

// Only equating names, forgetting strings and printing made objects read the usage index, and a
// consulted program or a document may never do any of them: until the first read, each (name,
// host) pair is appended to a log of 16 bytes a pair (repeats are dropped from time to time),
// where the index cost about 150 bytes per stored value of a consulted molecule. From the first
// read on the index is kept up to date on every insert.
//
// A value stored under a method without arguments (a scalar value, or a member of the method's
// set) is not logged before the index is built: the object and set frames hold the same (value,
// host) pairs. A rule head deriving millions of members paid for logging and sorting them (a
// third of the method form of a transitive closure over 2000 nodes), and an imported document
// for a log entry per attribute. The store notes that such values were left out, and which
// function frames left out the rows of their made objects: building the index then walks them
// (the walk the store gives to `built`), and so does the string cleanup, which answers from the
// log. Entries lose values only while an equality is applied, which builds the index before it
// moves any.
class UsageIndex {
  public:
    using Map = FlatNameMap<InternalName, UsageSet>;
    // Called with each (value, host) pair the log left out.
    using Visit = std::function<void(const InternalName& value, const InternalName& host)>;

    // `host` joins the usage set of `name`: at once while the index is live, else in the log.
    void add(const InternalName& name, const InternalName& host) {
        if (isLive) {
            index[name].insert(host);
            return;
        }
        // A host that stores many values, or one value stored again, comes in runs.
        if (!log.empty() && log.back().first == name && log.back().second == host) return;
        log.emplace_back(name, host);
        if (log.size() >= compactAt) compactLog();
    }
    // Whether the index is built and kept up to date on every insert.
    bool live() const { return isLive; }
    // The index while it is live, else null: a read of a built index needs no walk.
    Map* liveIndex() { return isLive ? &index : nullptr; }
    // The index, built from the log and from what `walkUnlogged` visits the first time it is
    // read. Building it walks the whole base (a third of a second for the function terms of a
    // large export), so a pending farewell stops it and leaves it unbuilt with what was entered
    // so far: the program ends, and what reads the index from then on is a save or an export
    // whose writes already fail, or the clearing of the base. The next read goes on where it
    // stopped.
    Map& built(const std::function<void(const Visit&)>& walkUnlogged);
    // Whether the name is held by any host (it has a usage set), without building the index: a
    // name held only by values left out of the log is not found.
    bool usedAnywhere(const InternalName& name);

    // Values without arguments were stored and not logged.
    void noteUnloggedValue() { unloggedValues = true; }
    bool hasUnloggedValues() const { return unloggedValues; }
    // The function frame `frame` stored a made object's row and did not log it.
    [[gnu::always_inline]] void noteUnloggedRows(const InternalName& frame) {
        unloggedValues = true;
        // A head making millions of objects of one function noted its frame once per object.
        if (frame != lastUnloggedFrame) noteUnloggedFrame(frame);
    }
    // The function frames whose rows were left out of the log.
    const FlatNameMap<InternalName, bool>& unloggedRowFrames() const { return unloggedFrames; }

    // Empty again and kept as a log.
    void clear();

  private:
    // noteUnloggedRows for a frame other than the last one noted.
    void noteUnloggedFrame(const InternalName& frame);
    // Sorts the log and drops its repeats.
    void compactLog();
    // Frees the log and starts its compaction schedule again.
    void emptyLog();

    std::deque<std::pair<InternalName, InternalName>> log;
    std::size_t compacted = 0;  // the log's size after its last compaction
    // A log that compaction barely shrinks (every stored value new, as in a semi-naive run) is
    // sorted again only once it has grown fourfold, not twofold: its sorting showed in profiles.
    static constexpr std::size_t FirstCompaction = 4096;
    std::size_t compactAt = FirstCompaction;
    bool isLive = false;
    bool unloggedValues = false;
    // The parameter frames of function symbols whose rows were left out of the log: a made
    // object's row holds the (argument or object, frame) pairs the log would, and a rule head
    // making hundreds of thousands of objects spent a tenth of its time logging and sorting them.
    FlatNameMap<InternalName, bool> unloggedFrames;
    // The frame last entered there: every frame noted since it was last emptied.
    InternalName lastUnloggedFrame = InternalName::UndefinedObject;
    // Looked up on every stored value once live and never walked in key order: hashed.
    Map index;
};
