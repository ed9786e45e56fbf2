// Switching delta recording on and off, clearing the object base and forgetting unused strings.
#include <iostream>
#include <utility>
#include <vector>

#include "foundation/OutputChannel.h"
#include "objectbase/DeltaTable.h"
#include "objectbase/DumpTargetScope.h"
#include "objectbase/FrameManager.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/NameHandler.h"

// ---------------------------------------------------------------------------------------------
// Delta recording

int MainMemOM::initDelta(DeltaTable* table) {
    return deltas.start(table);
}

void MainMemOM::clearDelta() {
    deltas.stop();
}

void MainMemOM::showDelta() {
    if (!deltas.on()) return;
    // One formatter for the whole listing when none is registered.
    DumpTargetScope scope(writer, 1, false);
    debugChannel() << "Delta predicate frames:" << std::endl;
    deltas.forEachDeltaPredicate([this](const InternalName& name) {
        if (MainMemPredFrame* frame = getPredFrame(name)) writer.formatPredFrame(name, frame);
        debugChannel() << std::endl;
        return true;
    });
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
// Clearing

void MainMemOM::clear() {
    methodStamps.invalidate();
    noteCleared();
    framesMoved();
    deltas.framesDropped();
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
