// Delta recording, clearing the object base and forgetting unused strings.
#include <algorithm>
#include <iostream>
#include <utility>
#include <vector>

#include "foundation/OutputChannel.h"
#include "objectbase/DeltaTable.h"
#include "objectbase/DumpTargetScope.h"
#include "objectbase/FrameManager.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/NameHandler.h"

namespace {

bool isDeltaPredicate(const InternalName& name) {
    return name.getType() == InternalName::Predicate && name.getArity() >= 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Recording

InternalName* MainMemOM::deltaRow(int width) {
    if (static_cast<int>(deltaTuple.size()) < width)
        deltaTuple.resize(static_cast<std::size_t>(width));
    return deltaTuple.data();
}

int MainMemOM::recordRow(const InternalName& deltaPredicate, const InternalName* row, int width,
                         bool knownNew) {
    if (!isDeltaPredicate(deltaPredicate)) return 0;
    MainMemPredFrame* frame = getPredFrame(deltaPredicate);
    if (frame == nullptr) {
        // Recording outlived the frame (the base was cleared meanwhile): make it again.
        if (!prepareDeltaFrame(deltaPredicate)) return 0;
        frame = getPredFrame(deltaPredicate);
        if (frame == nullptr) return 0;
    }
    if (knownNew) return frame->insertNewTuple(row, width);
    return frame->insertTuple(row, width) != 0 ? 1 : 0;
}

int MainMemOM::recordObject(const InternalName& object) {
    if (deltaInfo == nullptr || deltaInfo->bodySubclFlag == 0) return answerForNewFact(0);
    InternalName row[2] = {object, object};
    recordRow(deltaInfo->subclDelta, row, 2);
    return answerForNewFact(isDeltaPredicate(deltaInfo->subclDelta) ? 1 : 0);
}

int MainMemOM::recordIsa(const InternalName& object, const InternalName& cls, int kind) {
    if (deltaInfo == nullptr) return answerForNewFact(0);
    int flag = kind == 1 ? deltaInfo->isaFlag : deltaInfo->headSubclFlag;
    const FSymbol& target = kind == 1 ? deltaInfo->isaDelta : deltaInfo->subclDelta;
    if (flag == 0 || !isDeltaPredicate(target)) return answerForNewFact(0);
    InternalName row[2] = {object, cls};
    // A class membership reaches here only when the base found it new, so it is in no round's
    // delta yet: it is appended without a probe, and its delta builds no hash set unless asked.
    // The subclass delta also holds the (object, object) rows of new objects, so its rows are
    // probed.
    // A delta that views the rows of memberRows shows the membership already.
    if (kind == 1) {
        const IsaDeltaHint& hint = isaDelta;
        if (hint.table == deltaInfo && hint.stamp == layoutStamp) {
            if (!hint.frame->viewsRowsOf(&memberRows)) hint.frame->insertNewTuple(row, 2);
            return 1;
        }
        MainMemPredFrame* frame = getPredFrame(target);
        if (frame == nullptr || !frame->viewsRowsOf(&memberRows)) {
            recordRow(target, row, 2, true);
            frame = getPredFrame(target);
        }
        if (frame != nullptr) isaDelta = {deltaInfo, layoutStamp, frame};
        return 1;
    }
    recordRow(target, row, 2);
    return 1;
}

int MainMemOM::recordEntry(int type, const InternalName& method, const InternalName& host,
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

int MainMemOM::recordValue(int type, const InternalName& method, const InternalName& host,
                           const InternalName* args, int argCount, const InternalName& value,
                           bool knownNew) {
    if (deltaInfo == nullptr || type < 0 || type >= DeltaTable::MethodTypes)
        return answerForNewFact(0);
    const ValueDeltaHint& hint = valueDelta;
    const bool hinted = hint.table == deltaInfo && hint.stamp == layoutStamp && hint.type == type &&
                        hint.argCount == argCount;
    InternalName deltaPredicate;
    if (!hinted) {
        const FSymbol* delta = deltaInfo->methodDelta(type, argCount);
        if (delta == nullptr) return answerForNewFact(0);
        deltaPredicate = *delta;
    }
    InternalName* row = deltaRow(argCount + 3);
    row[0] = method;
    row[1] = host;
    for (int i = 0; i < argCount; ++i) row[i + 2] = args[i];
    row[argCount + 2] = value;
    if (hinted) {
        if (knownNew) return answerForNewFact(hint.frame->insertNewTuple(row, argCount + 3));
        return answerForNewFact(hint.frame->insertTuple(row, argCount + 3) != 0 ? 1 : 0);
    }
    const int result = recordRow(deltaPredicate, row, argCount + 3, knownNew);
    if (isDeltaPredicate(deltaPredicate))
        if (MainMemPredFrame* frame = getPredFrame(deltaPredicate))
            valueDelta = {deltaInfo, layoutStamp, type, argCount, frame};
    return answerForNewFact(result);
}

int MainMemOM::recordPredicate(const InternalName& predicate, const MainMemPredFrame* frame,
                               const InternalName* tuple, int arity) {
    if (deltaInfo == nullptr) return answerForNewFact(0);
    const FSymbol* found = deltaInfo->predicateDelta(predicate);
    if (found == nullptr) return answerForNewFact(0);
    const InternalName& deltaPredicate = *found;
    // A delta that views the predicate's new rows shows the tuple already.
    if (MainMemPredFrame* delta = getPredFrame(deltaPredicate))
        if (delta->viewsRowsOf(frame)) return 1;
    // The stored tuple is written as it is; its width is the predicate's, whatever the
    // description's largest method argument count.
    recordRow(deltaPredicate, tuple, arity);
    return 1;
}

int MainMemOM::recordPredicateRows(const InternalName& predicate, const MainMemPredFrame* frame,
                                   const InternalName* tuples, int count, int arity) {
    const FSymbol* found = deltaInfo == nullptr ? nullptr : deltaInfo->predicateDelta(predicate);
    if (found == nullptr) {
        for (int i = 0; i < count; ++i) answerForNewFact(0);
        return 0;
    }
    const InternalName deltaPredicate = *found;
    if (MainMemPredFrame* delta = getPredFrame(deltaPredicate))
        if (delta->viewsRowsOf(frame)) return 1;
    for (int i = 0; i < count; ++i)
        recordRow(deltaPredicate, tuples + std::size_t(i) * std::size_t(arity), arity);
    return 1;
}

void MainMemOM::viewInDelta(const InternalName& predicate, MainMemPredFrame* frame) {
    if (deltaInfo == nullptr) return;
    const FSymbol* found = deltaInfo->predicateDelta(predicate);
    if (found == nullptr || !isDeltaPredicate(*found)) return;
    MainMemPredFrame* delta = getPredFrame(*found);
    // Only a delta that holds nothing yet can become a view without losing a row.
    if (delta == nullptr || delta->isView() || !delta->store().empty()) return;
    if (delta->viewRowsAddedTo(frame)) deltaViews.push_back(*found);
}

int MainMemOM::addSetMembersLogged(const set<InternalName>& values, MainMemSetFrame* setFrame,
                                   const InternalName& host, const InternalName& method,
                                   const InternalName* args, int argCount, int type) {
    int result = 0;
    for (auto it = values.first_item(); it != nullptr; it = values.next_item(it)) {
        const InternalName& value = values.key(it);
        if (setFrame->insert(value) != 0)
            result = recordValue(type, method, host, args, argCount, value);
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Switching recording on and off

template <class Visit>
bool MainMemOM::forEachDeltaPredicate(Visit visit) {
    const DeltaTable& table = *deltaInfo;
    auto visitDelta = [&visit](int, const FSymbol& delta) { return visit(delta); };
    for (int type = 0; type < DeltaTable::MethodTypes; ++type)
        if (!table.forEachMethodDelta(type, visitDelta) ||
            !table.forEachEmptySetDelta(type, visitDelta))
            return false;
    if (!table.forEachPredicateDelta(
            [&visit](const FSymbol&, const FSymbol& delta) { return visit(delta); }))
        return false;
    if (table.isaFlag != 0 && !visit(table.isaDelta)) return false;
    // New objects land in the subclass delta as well, so it starts empty whenever either
    // kind of row is recorded.
    if ((table.headSubclFlag != 0 || table.bodySubclFlag != 0) && !visit(table.subclDelta))
        return false;
    return true;
}

bool MainMemOM::prepareDeltaFrame(const InternalName& deltaPredicate) {
    if (!isDeltaPredicate(deltaPredicate)) return true;
    MainMemPredFrame* frame = getPredFrame(deltaPredicate);
    if (frame == nullptr) frame = createPredFrame(deltaPredicate, deltaPredicate.getArity());
    if (frame == nullptr) return false;
    // The plans of the round read the last round's rows in place while this one's are recorded.
    frame->restart();
    return true;
}

template <class Keep>
void MainMemOM::freezeDeltaViews(Keep keep) {
    for (const InternalName& name : deltaViews)
        if (!keep(name))
            if (MainMemPredFrame* frame = getPredFrame(name)) frame->freeze();
    deltaViews.clear();
}

int MainMemOM::initDelta(DeltaTable* table) {
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
        if (MainMemPredFrame* delta = getPredFrame(table->isaDelta);
            delta != nullptr && delta->viewRowsAddedTo(&memberRows))
            deltaViews.push_back(table->isaDelta);
    // Each delta of a predicate that has a frame shows the rows the frame gains from now on.
    table->forEachPredicateDelta([this](const FSymbol& predicate, const FSymbol& deltaPredicate) {
        if (!isDeltaPredicate(deltaPredicate)) return true;
        MainMemPredFrame* source = getPredFrame(predicate);
        MainMemPredFrame* delta = getPredFrame(deltaPredicate);
        if (source != nullptr && delta != nullptr && delta->viewRowsAddedTo(source))
            deltaViews.push_back(deltaPredicate);
        return true;
    });
    deltaTuple.assign(static_cast<std::size_t>(table->maxArgCount + 3),
                      InternalName::UndefinedObject);
    deltaOn = 1;
    return 1;
}

void MainMemOM::clearDelta() {
    // The delta frames stay as ordinary frames: they keep what they show now.
    freezeDeltaViews([](const InternalName&) { return false; });
    deltaInfo = nullptr;
    valueDelta = {};
    isaDelta = {};
    deltaOn = 0;
    deltaTuple.clear();
    deltaTuple.shrink_to_fit();
}

void MainMemOM::showDelta() {
    if (!deltaOn || deltaInfo == nullptr) return;
    // One formatter for the whole listing when none is registered.
    DumpTargetScope scope(*this, 1, false);
    debugChannel() << "Delta predicate frames:" << std::endl;
    forEachDeltaPredicate([this](const InternalName& name) {
        if (MainMemPredFrame* frame = getPredFrame(name)) formatPredFrame(name, frame);
        debugChannel() << std::endl;
        return true;
    });
}

// ---------------------------------------------------------------------------------------------
// Clearing

void MainMemOM::clear() {
    methodStamps.invalidate();
    noteCleared();
    framesMoved();
    deltaViews.clear();
    frameManager->clear();
    // The tables own their sets.
    classToObjTable.clear();
    memberRows.clear();
    instancesIndexed = 0;
    superClassToClassTable.clear();
    parentToChildTable.clear();
    nameToSymbols.clear();
    symbolToName.clear();
    nameToSymbol.clear();
    pathHosts.clear();
    methodsTable.clear();
    methodSignatures.clear();
    usage.clear();
    nameHandler->reset();
    // The identifier counters start again, so pairs recorded before would later merge new,
    // unrelated objects that reuse the old numbers.
    equalities.clear();
    registerBuiltinObjects();
    if (NameRemapListener* access = getOMAccess()) access->baseCleared();
}

bool MainMemOM::pristine() const {
    return nameHandler->atStart() && frameManager->objectCount() == 0 &&
           frameManager->setCount() == 0 && frameManager->predicateCount() == 0 &&
           frameManager->parameterCount() == 0 && equalities.nonePending();
}

// ---------------------------------------------------------------------------------------------
// Forgetting unused strings

bool MainMemOM::stringInUse(const InternalName& name) {
    if (usage.usedAnywhere(name)) return true;                      // argument or value
    if (getObjFrame(name) != nullptr) return true;                  // host or is-a member
    if (classToObjTable.find(name) != nullptr) return true;         // class
    if (superClassToClassTable.find(name) != nullptr) return true;  // superclass
    if (parentToChildTable.find(name) != nullptr) return true;
    if (methodSignatures.count(name) != 0) return true;  // method name
    return equalities.mentions(name);                    // a pending equality
}

void MainMemOM::cleanup() {
    framesMoved();
    std::cout << "\n cleanup\n";

    if (strings.pending()) {
        // Strings held in predicate tuples, and in the method entries whose values the usage log
        // left out, collected once.
        const auto names = Ref<Iterator>::adopt(predNamesIterator(nullptr));
        Ref<Iterator> rows;
        for (bool more = names->first(); more; more = names->next()) {
            MainMemPredFrame* frame = getPredFrame(names->atColumn(1));
            if (frame == nullptr) continue;
            rows.renew([&](Iterator* old) { return frame->getIterator(old); });
            int width = frame->getArity();
            for (bool row = rows->first(); row; row = rows->next())
                for (int col = 1; col <= width; ++col) strings.noteUse(rows->atColumn(col));
        }
        if (usage.hasUnloggedValues()) {
            std::vector<InternalName> entryStrings;
            collectUnloggedStrings(entryStrings);
            for (const InternalName& string : entryStrings) strings.noteUse(string);
        }
        // The classes of the memberships stored since the instance index was last read are
        // looked at here rather than indexed: after an import of a million elements, indexing
        // them for a cleanup that asks about a few strings cost half of the cleanup.
        const RelationStore& memberships = memberRows.store();
        for (std::int32_t at = instancesIndexed; at < memberships.size(); ++at)
            strings.noteUse(memberships.row(at)[1]);
    }
    strings.run([this](const InternalName& name) { return stringInUse(name); },
                [this](const InternalName& name) {
                    const std::optional<FSymbol> symbol = nameToSymbol.find(name);
                    if (!symbol) return;
                    symbolToName.erase(*symbol);
                    nameToSymbol.erase(name);
                    std::cout << "\n delete";
                    debugChannel() << name;
                });
}
