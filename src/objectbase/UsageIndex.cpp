// The usage index: building it from its log, answering from the log, compacting the log.
#include "objectbase/UsageIndex.h"

#include <algorithm>

#include "platform/ControlEvents.h"

UsageIndex::Map& UsageIndex::built(const std::function<void(const Visit&)>& walkUnlogged) {
    if (isLive) return index;
    // The log's prefix is still sorted from its last compaction, so its pairs come grouped by
    // name: a name is looked up once per run of its pairs. Only entering a new name moves the
    // table's entries, and the set held is then looked up anew.
    UsageSet* holders = nullptr;
    InternalName last;
    std::size_t step = 0;
    for (const auto& [name, host] : log) {
        if ((++step & 4095) == 0 && controlEvents::farewellPending()) return index;
        if (holders == nullptr || name != last) {
            holders = &index[name];
            last = name;
        }
        holders->insert(host);
    }
    emptyLog();
    if (unloggedValues)
        walkUnlogged([this](const InternalName& value, const InternalName& host) {
            index[value].insert(host);
        });
    if (controlEvents::farewellPending()) return index;
    unloggedValues = false;
    unloggedFrames.clear();
    lastUnloggedFrame = InternalName::UndefinedObject;
    isLive = true;
    return index;
}

bool UsageIndex::usedAnywhere(const InternalName& name) {
    if (isLive) return index.count(name) != 0;
    // Asked for many names at once (cleanup), answered from the sorted log: building the index
    // for it would cost its whole memory at the end of a run.
    if (compacted != log.size()) compactLog();
    auto at = std::lower_bound(log.begin(), log.end(), name,
                               [](const std::pair<InternalName, InternalName>& pair,
                                  const InternalName& key) { return pair.first < key; });
    return at != log.end() && at->first == name;
}

void UsageIndex::noteUnloggedFrame(const InternalName& frame) {
    unloggedFrames[frame] = true;
    lastUnloggedFrame = frame;
}

void UsageIndex::clear() {
    index.clear();
    emptyLog();
    isLive = false;
    unloggedValues = false;
    unloggedFrames.clear();
    lastUnloggedFrame = InternalName::UndefinedObject;
}

void UsageIndex::emptyLog() {
    std::deque<std::pair<InternalName, InternalName>>().swap(log);
    compacted = 0;
    compactAt = FirstCompaction;
}

void UsageIndex::compactLog() {
    // Runs while a program or document is being stored, at its peak of memory: the part up to
    // the last compaction is sorted already, so only the pairs since then are sorted (a sort of
    // the whole log took a quarter of an import) and merged in, with a buffer no larger than the
    // smaller part.
    std::size_t before = log.size();
    auto sortedEnd = log.begin() + static_cast<std::ptrdiff_t>(compacted);
    std::sort(sortedEnd, log.end());
    std::inplace_merge(log.begin(), sortedEnd, log.end());
    log.erase(std::unique(log.begin(), log.end()), log.end());
    log.shrink_to_fit();
    compacted = log.size();
    bool barelyShrunk = before - compacted < before / 4;
    compactAt = (barelyShrunk ? 4 : 2) * compacted + FirstCompaction;
}
