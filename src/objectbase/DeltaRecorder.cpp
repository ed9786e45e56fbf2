// DeltaRecorder: writing new facts into the delta frames, and starting and stopping a recording.
#include "objectbase/DeltaRecorder.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "objectbase/FrameManager.h"

namespace {

bool isDeltaPredicate(const InternalName& name) {
    return name.getType() == InternalName::Predicate && name.getArity() >= 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Recording

MainMemPredFrame* DeltaRecorder::frameOf(const InternalName& name) const {
    MainMemPredFrame* frame = nullptr;
    frames.getPredFrame(name, frame);
    return frame;
}

InternalName* DeltaRecorder::deltaRow(int width) {
    if (static_cast<int>(deltaTuple.size()) < width)
        deltaTuple.resize(static_cast<std::size_t>(width));
    return deltaTuple.data();
}

int DeltaRecorder::recordRow(const InternalName& deltaPredicate, const InternalName* row, int width,
                             bool knownNew) {
    if (!isDeltaPredicate(deltaPredicate)) return 0;
    MainMemPredFrame* frame = frameOf(deltaPredicate);
    if (frame == nullptr) {
        // Recording outlived the frame (the base was cleared meanwhile): make it again.
        if (!prepareDeltaFrame(deltaPredicate)) return 0;
        frame = frameOf(deltaPredicate);
        if (frame == nullptr) return 0;
    }
    if (knownNew) return frame->insertNewTuple(row, width);
    return frame->insertTuple(row, width) != 0 ? 1 : 0;
}

int DeltaRecorder::recordObject(const InternalName& object) {
    if (deltaInfo == nullptr || deltaInfo->bodySubclFlag == 0) return 0;
    InternalName row[2] = {object, object};
    recordRow(deltaInfo->subclDelta, row, 2);
    return isDeltaPredicate(deltaInfo->subclDelta) ? 1 : 0;
}

int DeltaRecorder::recordIsa(const InternalName& object, const InternalName& cls, int kind) {
    if (deltaInfo == nullptr) return 0;
    int flag = kind == 1 ? deltaInfo->isaFlag : deltaInfo->headSubclFlag;
    const FSymbol& target = kind == 1 ? deltaInfo->isaDelta : deltaInfo->subclDelta;
    if (flag == 0 || !isDeltaPredicate(target)) return 0;
    InternalName row[2] = {object, cls};
    // A class membership reaches here only when the base found it new, so it is in no round's
    // delta yet: it is appended without a probe, and its delta builds no hash set unless asked.
    // The subclass delta also holds the (object, object) rows of new objects, so its rows are
    // probed.
    // A delta that views the rows of the memberships shows the membership already.
    if (kind == 1) {
        const IsaDeltaHint& hint = isaDelta;
        if (hint.table == deltaInfo && hint.stamp == layout) {
            if (!hint.frame->viewsRowsOf(&memberships)) hint.frame->insertNewTuple(row, 2);
            return 1;
        }
        MainMemPredFrame* frame = frameOf(target);
        if (frame == nullptr || !frame->viewsRowsOf(&memberships)) {
            recordRow(target, row, 2, true);
            frame = frameOf(target);
        }
        if (frame != nullptr) isaDelta = {deltaInfo, layout, frame};
        return 1;
    }
    recordRow(target, row, 2);
    return 1;
}

int DeltaRecorder::recordEntry(int type, const InternalName& method, const InternalName& host,
                               const InternalName* args, int argCount) {
    if (deltaInfo == nullptr) return 0;
    const FSymbol* delta = deltaInfo->emptySetDelta(type, argCount);
    if (delta == nullptr) return 0;
    InternalName* row = deltaRow(argCount + 2);
    row[0] = method;
    row[1] = host;
    for (int i = 0; i < argCount; ++i) row[i + 2] = args[i];
    return recordRow(*delta, row, argCount + 2);
}

int DeltaRecorder::recordValue(int type, const InternalName& method, const InternalName& host,
                               const InternalName* args, int argCount, const InternalName& value,
                               bool knownNew) {
    if (deltaInfo == nullptr || type < 0 || type >= DeltaTable::MethodTypes) return 0;
    const ValueDeltaHint& hint = valueDelta;
    const bool hinted = hint.table == deltaInfo && hint.stamp == layout && hint.type == type &&
                        hint.argCount == argCount;
    InternalName deltaPredicate;
    if (!hinted) {
        const FSymbol* delta = deltaInfo->methodDelta(type, argCount);
        if (delta == nullptr) return 0;
        deltaPredicate = *delta;
    }
    InternalName* row = deltaRow(argCount + 3);
    row[0] = method;
    row[1] = host;
    for (int i = 0; i < argCount; ++i) row[i + 2] = args[i];
    row[argCount + 2] = value;
    if (hinted) {
        if (knownNew) return hint.frame->insertNewTuple(row, argCount + 3);
        return hint.frame->insertTuple(row, argCount + 3) != 0 ? 1 : 0;
    }
    const int result = recordRow(deltaPredicate, row, argCount + 3, knownNew);
    if (isDeltaPredicate(deltaPredicate))
        if (MainMemPredFrame* frame = frameOf(deltaPredicate))
            valueDelta = {deltaInfo, layout, type, argCount, frame};
    return result;
}

int DeltaRecorder::recordPredicate(const InternalName& predicate, const MainMemPredFrame* frame,
                                   const InternalName* tuple, int arity) {
    if (deltaInfo == nullptr) return 0;
    const FSymbol* found = deltaInfo->predicateDelta(predicate);
    if (found == nullptr) return 0;
    const InternalName& deltaPredicate = *found;
    // A delta that views the predicate's new rows shows the tuple already.
    if (MainMemPredFrame* delta = frameOf(deltaPredicate))
        if (delta->viewsRowsOf(frame)) return 1;
    // The stored tuple is written as it is; its width is the predicate's, whatever the
    // description's largest method argument count.
    recordRow(deltaPredicate, tuple, arity);
    return 1;
}

int DeltaRecorder::recordPredicateRows(const InternalName& predicate, const MainMemPredFrame* frame,
                                       const InternalName* tuples, int count, int arity) {
    const FSymbol* found = deltaInfo == nullptr ? nullptr : deltaInfo->predicateDelta(predicate);
    if (found == nullptr) return 0;
    const InternalName deltaPredicate = *found;
    if (MainMemPredFrame* delta = frameOf(deltaPredicate))
        if (delta->viewsRowsOf(frame)) return 1;
    for (int i = 0; i < count; ++i)
        recordRow(deltaPredicate, tuples + std::size_t(i) * std::size_t(arity), arity);
    return 1;
}

void DeltaRecorder::viewInDelta(const InternalName& predicate, MainMemPredFrame* frame) {
    if (deltaInfo == nullptr) return;
    const FSymbol* found = deltaInfo->predicateDelta(predicate);
    if (found == nullptr || !isDeltaPredicate(*found)) return;
    MainMemPredFrame* delta = frameOf(*found);
    // Only a delta that holds nothing yet can become a view without losing a row.
    if (delta == nullptr || delta->isView() || !delta->store().empty()) return;
    if (delta->viewRowsAddedTo(frame)) deltaViews.push_back(*found);
}

// ---------------------------------------------------------------------------------------------
// Switching recording on and off

bool DeltaRecorder::prepareDeltaFrame(const InternalName& deltaPredicate) {
    if (!isDeltaPredicate(deltaPredicate)) return true;
    MainMemPredFrame* frame = frameOf(deltaPredicate);
    if (frame == nullptr) frame = frames.makePredFrame(deltaPredicate, deltaPredicate.getArity());
    if (frame == nullptr) return false;
    // The plans of the round read the last round's rows in place while this one's are recorded.
    frame->restart();
    return true;
}

template <class Keep>
void DeltaRecorder::freezeDeltaViews(Keep keep) {
    for (const InternalName& name : deltaViews)
        if (!keep(name))
            if (MainMemPredFrame* frame = frameOf(name)) frame->freeze();
    deltaViews.clear();
}

int DeltaRecorder::start(DeltaTable* table) {
    if (table == nullptr) return 0;
    deltaInfo = table;
    valueDelta = {};
    isaDelta = {};
    // The views that this table empties anyway are not worth a copy of their rows.
    std::vector<InternalName> prepared;
    forEachDeltaPredicate([&prepared](const InternalName& name) {
        prepared.push_back(name);
        return true;
    });
    std::sort(prepared.begin(), prepared.end());
    freezeDeltaViews([&prepared](const InternalName& name) {
        return std::binary_search(prepared.begin(), prepared.end(), name);
    });
    if (!forEachDeltaPredicate(
            [this](const InternalName& name) { return prepareDeltaFrame(name); }))
        return 0;
    // The delta of memberships shows the memberships stored from now on.
    if (table->isaFlag != 0 && isDeltaPredicate(table->isaDelta))
        if (MainMemPredFrame* delta = frameOf(table->isaDelta);
            delta != nullptr && delta->viewRowsAddedTo(&memberships))
            deltaViews.push_back(table->isaDelta);
    // Each delta of a predicate that has a frame shows the rows the frame gains from now on.
    table->forEachPredicateDelta([this](const FSymbol& predicate, const FSymbol& deltaPredicate) {
        if (!isDeltaPredicate(deltaPredicate)) return true;
        MainMemPredFrame* source = frameOf(predicate);
        MainMemPredFrame* delta = frameOf(deltaPredicate);
        if (source != nullptr && delta != nullptr && delta->viewRowsAddedTo(source))
            deltaViews.push_back(deltaPredicate);
        return true;
    });
    deltaTuple.assign(static_cast<std::size_t>(table->maxArgCount + 3),
                      InternalName::UndefinedObject);
    recording = true;
    return 1;
}

void DeltaRecorder::stop() {
    // The delta frames stay as ordinary frames: they keep what they show now.
    freezeDeltaViews([](const InternalName&) { return false; });
    deltaInfo = nullptr;
    valueDelta = {};
    isaDelta = {};
    recording = false;
    deltaTuple.clear();
    deltaTuple.shrink_to_fit();
}
