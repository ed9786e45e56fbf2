// Merging the frames of an equated name into those of its representative.
#include <memory>
#include <vector>

#include "objectbase/FrameManager.h"
#include "objectbase/MainMemOM.h"

std::vector<MainMemOM::MethodEntry> MainMemOM::methodEntries(MainMemObjFrame* frame) {
    std::vector<MethodEntry> entries;
    // One walk over every type; the type comes back as its arrow object.
    const auto it = Ref<Iterator>::adopt(frame->methodIterator(1000, nullptr));
    for (bool more = it->first(); more; more = it->next()) {
        InternalName arrow = it->atColumn(4);
        int type = 0;
        while (type < 8 && arrowObject(type) != arrow) ++type;
        entries.push_back({type, it->atColumn(3).getValue(), it->atColumn(1), it->atColumn(2)});
    }
    return entries;
}

std::vector<InternalName> MainMemOM::rowCells(MainMemParamFrame* rows) {
    std::vector<InternalName> cells;
    int width = rows->getArity();
    const auto it = Ref<Iterator>::adopt(rows->getIterator(nullptr));
    for (bool more = it->first(); more; more = it->next())
        for (int col = 1; col <= width; ++col) cells.push_back(it->atColumn(col));
    return cells;
}

void MainMemOM::resolveCompetitors(const InternalName& value, const InternalName& kept) {
    // Only like with like: a constant never stands in for a set or parameter frame.
    if (value == kept) return;
    if (value.isConstant() && kept.isConstant()) {
        InternalName replaced;
        InternalName representative;
        // Only a pair that was recorded is entered, and in its direction: a refused one (two
        // numbers) leaves nothing behind, and a number always survives.
        if (equatePair(value, kept, 1, replaced, representative))
            equalities.noteApplied(replaced, representative);
    } else if (value.getType() == kept.getType()) {
        if (value.getType() == InternalName::ParamFrame) mergeParamFrames(value, kept);
        if (value.getType() == InternalName::SetName) mergeSetFrames(value, kept);
    }
}

void MainMemOM::dropSetFrame(const InternalName& setName, MainMemSetFrame* frame) {
    framesMoved();
    frameManager->deleteSetFrame(setName);
    frame->clear();
}

void MainMemOM::mergeSetFrames(const InternalName& replaced, const InternalName& kept) {
    framesMoved();
    if (replaced == kept) return;
    MainMemSetFrame* from = getSetFrame(replaced);
    MainMemSetFrame* into = getSetFrame(kept);
    if (from == nullptr || into == nullptr || from->size() == 0) return;
    auto members = Ref<Iterator>::adopt(from->getIterator(nullptr));
    for (bool more = members->first(); more; more = members->next())
        into->insert(members->atColumn(1));
    members.reset();
    dropSetFrame(replaced, from);
}

void MainMemOM::mergeParamFrames(const InternalName& replaced, const InternalName& kept) {
    framesMoved();
    if (replaced == kept) return;
    MainMemParamFrame* from = getParamFrame(replaced);
    MainMemParamFrame* into = getParamFrame(kept);
    if (from == nullptr || into == nullptr || from->size() == 0) return;
    if (from->getArity() != into->getArity() || from->getArity() < 1) return;
    int width = from->getArity();
    std::vector<InternalName> cells = rowCells(from);
    for (std::size_t at = 0; at < cells.size(); at += width) {
        const InternalName* row = &cells[at];
        InternalName result = row[width - 1];
        InternalName stored;
        if (into->lookupResult(row, width - 1, stored) == 0) {
            into->insertTuple(row, width);
            continue;
        }
        if (result.getType() != InternalName::ParamFrame) resolveCompetitors(result, stored);
    }
    // The registry destroys the replaced frame.
    frameManager->deleteParamFrame(replaced);
}

void MainMemOM::mergeObjFrames(const InternalName& replaced, const InternalName& kept) {
    framesMoved();
    if (replaced == kept) return;
    MainMemObjFrame* from = getObjFrame(replaced);
    if (from == nullptr) return;
    MainMemObjFrame* into = getObjFrame(kept);
    if (into == from) return;
    std::vector<MethodEntry> entries = methodEntries(from);

    // The representative becomes the host of every entry, in the method index and in the usage
    // sets of the entry's values.
    auto moveHost = [&](const MethodEntry& entry) {
        if (MemberSet* hosts = methodsTable.valueOr(
                MethodKey(entry.type, entry.argCount, entry.method), nullptr)) {
            hosts->erase(replaced);
            hosts->insert(kept);
        }
        rewriteReferences(replaced, kept, entry.value);
    };

    if (into == nullptr) {
        frameManager->insertObjFrame(kept, from);
        frameManager->deleteObjFrame(replaced);
        // The frame now belongs to the representative, so must its entries, or lookups by
        // method miss these facts.
        for (const MethodEntry& entry : entries) moveHost(entry);
        return;
    }

    for (int kind = 1; kind <= 3; ++kind) {
        InternalName fromName = kind == 1   ? from->getSetName1()
                                : kind == 2 ? from->getSetName2()
                                            : from->getSetName3();
        MainMemSetFrame* fromSet = getSetFrame(fromName);
        if (fromSet == nullptr) continue;
        MainMemSetFrame* intoSet = relationSet(into, kind);
        InternalName none =
            kind == 3 ? InternalName::UndefinedObject : InternalName::InitialSetName;
        if (intoSet == nullptr) {
            if (kind == 1) {
                into->setSetName1(fromName);
                from->setSetName1(none);
            } else if (kind == 2) {
                into->setSetName2(fromName);
                from->setSetName2(none);
            } else {
                into->setSetName3(fromName);
                from->setSetName3(none);
            }
            continue;
        }
        auto members = Ref<Iterator>::adopt(fromSet->getIterator(nullptr));
        for (bool more = members->first(); more; more = members->next())
            intoSet->insert(members->atColumn(1));
        members.reset();
        dropSetFrame(fromName, fromSet);
    }

    for (const MethodEntry& entry : entries) {
        moveHost(entry);
        InternalName current;
        if (into->lookupMethod(entry.method, entry.type, entry.argCount, current) == 0) {
            into->insertMethod(entry.method, entry.value, entry.type, entry.argCount);
            continue;
        }
        bool scalar = entry.type == 0 || entry.type == 3;
        if (scalar && entry.argCount == 0) {
            if (entry.value != current) resolveCompetitors(entry.value, current);
        } else if (entry.argCount == 0) {
            mergeSetFrames(entry.value, current);
        } else {
            mergeParamFrames(entry.value, current);
        }
    }
    frameManager->deleteObjFrame(replaced);
    // A pooled frame is never handed out again; emptied, its entries are freed.
    from->clear();
}
