// What the XML export writes at the top level and what it nests: the walks over the entries of
// every object that count the holders of each value, and the signatures that nest them.
#include "shell/FLtoXMLSelection.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "access/DescIter.h"
#include "access/OMAccess.h"
#include "objectbase/CellHash.h"
#include "objectbase/FrameWalk.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "objectbase/ParamRows.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

}  // namespace

void FLtoXMLSelection::clear() {
    walked.clear();
    walkedNames.clear();
    walkedAll = false;
    nested.clear();
    nestedInOrder.clear();
    hostShapes.clear();
    valueGroups.clear();
    planGroups.clear();
    classSignatures.clear();
    groupedCount = 0;
    planner.framed = nullptr;
}

std::size_t FLtoXMLSelection::NameHash::operator()(const InternalName& name) const {
    return hashCell(name);
}

bool FLtoXMLSelection::hostOutsideDocument(const InternalName& host, ObjectFrameView frame,
                                           const InternalName& docClass, int& hostSet) {
    if (docClass == Free) return false;
    const int kind = host.getType();
    if (kind == InternalName::String || kind == InternalName::Integer ||
        kind == InternalName::Float)
        return planner.memberOf(host, docClass);
    hostSet = planner.classSetOf(host, frame);
    return planner.classSetMemberOf(hostSet, host, docClass);
}

void FLtoXMLSelection::collectNested(OMAccess* through, const InternalName& docClass) {
    access = through;
    walked.clear();
    walkedNames.clear();
    walkedAll = false;
    planner.framed = nullptr;
    if (planner.storedValuesAnswer) {
        collectStoredNested(docClass);
        return;
    }
    // While an evaluation is open, inherited values may come in as the export looks them up:
    // the values are looked up entry by entry, and the objects are found again as the writing
    // walk goes.
    // Each value held by a declared entry: 1 while one entry holds it, 2 once shared.
    NameMarks<std::uint8_t> holders;
    // The signatures without arguments, for step two, found by the same walk.
    std::vector<ClassSignature> signatures;
    // One walk over the entries of every object; the values of an entry are looked up only
    // when the entry is declared, and the pattern and iterator of that lookup are reused.
    Ref<Iterator> declaredValues;
    OM* om = access->om();
    // Object by object, each one's entries straight from its frame.
    const auto hosts = Ref<Iterator>::adopt(access->objNamesIterator(nullptr));
    for (bool more = hosts != nullptr && hosts->first(); more && !stopped(); more = hosts->next()) {
        const InternalName host = hosts->atColumn(1);
        const ObjectFrameView frame = om->objectFrameOf(host);
        if (!frame) continue;
        walked.append(host, frame);
        walkedNames.set(host, std::uint32_t(walked.size()));
        // Asked once the host shows an entry with a value.
        bool hostChecked = false;
        bool hostOutside = false;
        int hostSet = -1;
        std::size_t entry = 0;
        frame.forEachEntry([&](const MethodKey& key, const InternalName&) {
            const int type = key.methodType;
            const InternalName method = key.method;
            const int argCount = key.argCount;
            if (type >= 6 && type <= 8 && argCount == 0) signatures.push_back({host, method, type});
            if (type < 0 || type > 2) return;
            if (!hostChecked) {
                hostChecked = true;
                hostOutside = hostOutsideDocument(host, frame, docClass, hostSet);
            }
            if (hostOutside) return;
            if (hostSet < 0) hostSet = planner.classSetOf(host, frame);
            if (!planner.planOf(hostSet, method, argCount, type, entry++).declared) return;
            const auto hold = [&](const InternalName& v) {
                const std::uint8_t held = holders.get(v);
                if (held < 2) holders.set(v, held + 1);
                return true;
            };
            const int width = argCount + 3;
            valuePattern.assign(static_cast<std::size_t>(width), Free);
            valuePattern[0] = host;
            valuePattern[1] = method;
            declaredValues.renew([&](Iterator* old) {
                return access->lookup(MethodType(type), valuePattern.data(), width, old);
            });
            for (bool value = declaredValues != nullptr && declaredValues->first(); value;
                 value = declaredValues->next())
                planner.forEachValue(declaredValues->atColumn(width), hold);
        });
    }
    declaredValues.reset();

    std::unordered_map<InternalName, std::vector<InternalName>, NameHash> instancesOf;
    for (const ClassSignature& signature : signatures) {
        if (stopped()) break;
        const int type = signature.type;
        const InternalName cls = signature.cls;
        const InternalName method = signature.method;
        if (cls == docClass) continue;
        if (planner.namesBuiltinResult(type, cls, method)) continue;
        // Gathered in a list and added one by one: joining a whole set into the growing nested
        // set costs its size every time, which made the walk quadratic.
        std::vector<InternalName> candidates;
        bool failed = false;
        const MethodType valueType = type == 6 ? MethodType::Scalar : MethodType::Set;
        const auto candidate = [&](const InternalName& v) {
            candidates.push_back(v);
            failed = failed || holders.get(v) == 2;
            return true;
        };
        // A class declares several methods: its instances are gathered once.
        auto known = instancesOf.find(cls);
        if (known == instancesOf.end()) {
            std::vector<InternalName> members;
            const auto instances = Ref<Iterator>::adopt(
                access->makeEnhIsaIter(Free, cls, IsaRelation::Member, nullptr));
            for (bool row = instances != nullptr && instances->first(); row;
                 row = instances->next())
                members.push_back(instances->atColumn(1));
            known = instancesOf.emplace(cls, std::move(members)).first;
        }
        for (const InternalName& instance : known->second) {
            if (failed) break;
            const InternalName valuePattern[] = {instance, method, Free};
            const auto values =
                Ref<Iterator>::adopt(access->lookup(valueType, valuePattern, 3, nullptr));
            for (bool value = values != nullptr && values->first(); value && !failed;
                 value = values->next())
                planner.forEachValue(values->atColumn(3), candidate);
        }
        if (!failed)
            for (const InternalName& candidate : candidates)
                if (nested.set(candidate, 1) == 0) nestedInOrder.push_back(candidate);
    }
}

inline void FLtoXMLSelection::runEntryStep(const EntryStep& step, const InternalName& host,
                                           const InternalName& stored, const FoundFrame& found) {
    switch (step.kind) {
        case EntryStep::Skip:
            return;
        case EntryStep::Signature:
            classSignatures.push_back({host, step.method, step.type});
            return;
        case EntryStep::Hold:
            holdValue(stored);
            return;
        case EntryStep::HoldMembers:
            if (!found.known) {
                holdMembers(stored);
            } else if (found.set) {
                for (const InternalName& member : found.set.memberSet().ascending())
                    holdValue(member);
            }
            return;
        case EntryStep::HoldRows: {
            // Mostly a few rows, read in place from the parameter frame: the arguments, then
            // the value, the last cell of each row.
            const ParamFrameView tuples = found.known ? found.rows
                                          : planner.paramFramesRead != nullptr
                                              ? planner.paramFramesRead->findRows(stored)
                                              : ParamFrameView();
            const InternalName* cells = nullptr;
            int rowCount = 0;
            if (tuples && tuples.storedRows().width() >= 1 &&
                tuples.storedRows().smallCells(cells, rowCount)) {
                const std::size_t width = std::size_t(tuples.storedRows().width());
                for (const InternalName* held = cells + (width - 1);
                     held < cells + std::size_t(rowCount) * width; held += width) {
                    if (held->getType() != InternalName::SetName)
                        holdValue(*held);
                    else
                        holdMembers(*held);
                }
                return;
            }
            holdRowValues(step, host, stored);
            return;
        }
        case EntryStep::HoldLookedUp:
            holdRowValues(step, host, stored);
            return;
        case EntryStep::Group:
            // A value held already is shared now, and so is the group that holds it again: a
            // shared group never nests, so its values need not be kept from then on.
            if (step.declared) {
                ValueGroup& group = valueGroups[step.group];
                if (valueHolders.raise(stored, 2) != 0) group.shared = true;
                if (group.shared) return;
            }
            groupValues(step.group, &stored, 1);
            return;
        case EntryStep::GroupMembers: {
            const SetFrameView members = found.known ? found.set : planner.setFrameOf(stored);
            if (!members) return;
            const auto values = members.memberSet().ascending();
            if (step.declared) {
                ValueGroup& group = valueGroups[step.group];
                bool heldBefore = false;
                for (const InternalName& member : values)
                    heldBefore |= valueHolders.raise(member, 2) != 0;
                if (heldBefore) group.shared = true;
                if (group.shared) return;
            }
            groupValues(step.group, values.data(), values.size());
            return;
        }
    }
}

void FLtoXMLSelection::growGroupedValues(std::size_t count) {
    const std::size_t room = std::max(groupedRoom * 2, groupedCount + count);
    auto larger = std::make_unique_for_overwrite<GroupedValue[]>(room);
    std::copy(groupedValues.get(), groupedValues.get() + groupedCount, larger.get());
    groupedValues = std::move(larger);
    groupedRoom = room;
}

void FLtoXMLSelection::holdMembers(const InternalName& set) {
    if (const SetFrameView members = planner.setFrameOf(set))
        for (const InternalName& member : members.memberSet().ascending()) holdValue(member);
}

void FLtoXMLSelection::holdRowValues(const EntryStep& step, const InternalName& host,
                                     const InternalName& stored) {
    const auto hold = [&](const InternalName& v) {
        holdValue(v);
        return true;
    };
    // The rows of an entry with arguments, read in place from its parameter frame: the
    // arguments, then the value, the last cell of each row.
    ParamFrameView tuples;
    if (stored.getType() == InternalName::ParamFrame)
        tuples = planner.paramFramesRead != nullptr ? planner.paramFramesRead->findRows(stored)
                                                    : access->om()->paramFrameOf(stored);
    if (tuples) {
        const ParamRows& rows = tuples.storedRows();
        const int last = rows.width() - 1;
        ParamRows::Cursor at;
        for (const InternalName* row = rows.first(at); row != nullptr; row = rows.next(at, row)) {
            if (row[last].getType() != InternalName::SetName)
                holdValue(row[last]);
            else
                planner.forEachValue(row[last], hold);
        }
        return;
    }
    const int argCount = step.argCount;
    valuePattern.assign(static_cast<std::size_t>(argCount + 3), Free);
    valuePattern[0] = host;
    valuePattern[1] = step.method;
    const auto values = Ref<Iterator>::adopt(
        access->lookup(MethodType(step.type), valuePattern.data(), argCount + 3, nullptr));
    for (bool value = values != nullptr && values->first(); value; value = values->next())
        planner.forEachValue(values->atColumn(argCount + 3), hold);
}

void FLtoXMLSelection::collectStoredNested(const InternalName& docClass) {
    valueHolders.clear();
    groupedCount = 0;
    classSignatures.clear();
    valueGroups.clear();
    planGroups.clear();
    hostShapes.clear();
    // Object by object, each one's entries straight from its frame; the objects and their
    // frames are taken at once.
    walked = access->om()->walkFrames(FrameFilter::everyObject().readingAhead());
    planner.setFramesRead = walked.readsInPlace() ? &walked : nullptr;
    planner.paramFramesRead = planner.setFramesRead;
    const FrameWalk* const setFramesRead = planner.setFramesRead;
    const FrameWalk* const paramFramesRead = planner.paramFramesRead;
    // Every object met gets its number in walkedNames, and nearly every one a class set and a
    // count of its holders: their marks are made room for once.
    std::size_t objectNumbers = 0;
    for (const auto& each : walked) {
        const InternalName& host = each.first;
        if (host.getType() == InternalName::Object && host.getArity() == 0 &&
            host.getValue() >= 0 && host.getValue() < (1 << 24))
            objectNumbers = std::max(objectNumbers, std::size_t(host.getValue()) + 1);
    }
    walkedNames.reserveObjects(objectNumbers);
    planner.reserveObjects(objectNumbers);
    valueHolders.reserveObjects(objectNumbers);
    // Mostly a few values a host: room for them saves copying the list as it grows.
    if (groupedRoom < walked.size() * 4) growGroupedValues(walked.size() * 4);
    // A large base's frames, their entries, and the set and parameter frames their values name
    // are spread through memory: while one host is walked, the frame of a host a few places
    // ahead is asked for, the entries of a nearer one, and the set and parameter frames the
    // values of a nearer one still name are found and asked for, and kept for its steps.
    constexpr std::size_t frameAhead = 12;
    constexpr std::size_t entriesAhead = 8;
    constexpr std::size_t valuesAhead = 4;
    // By host number modulo the ring's size: what the host leads to, found ahead (the frames
    // of the entries whose values name none are left as they were).
    constexpr std::size_t ringSize = 8;
    // Whether a host's class set was found ahead.
    bool classesKnown[ringSize] = {};
    FrameWalk::Leads ring[ringSize];
    const bool findAhead = setFramesRead != nullptr && paramFramesRead != nullptr;
    const auto findFrames = [&](std::size_t number) __attribute__((always_inline)) {
        walked.findLeads(number, ring[number % ringSize]);
        classesKnown[number % ringSize] = true;
    };
    if (findAhead)
        for (std::size_t number = 0; number < valuesAhead && number < walked.size(); ++number)
            findFrames(number);
    const FoundFrame unknown;
    // The walk adds no object: the count and the list stay where they are.
    const std::size_t hosts = walked.size();
    const FrameWalk::Step* const hostsAt = walked.data();
    for (std::size_t number = 0; number < hosts; ++number) {
        if (stopped()) {
            walked.truncate(number);
            break;
        }
        if (number + frameAhead < hosts) walked.loadFrame(number + frameAhead);
        if (number + entriesAhead < hosts) walked.loadEntries(number + entriesAhead);
        if (findAhead && number + valuesAhead < hosts) findFrames(number + valuesAhead);
        const FrameWalk::Leads& ahead = ring[number % ringSize];
        const InternalName host = hostsAt[number].first;
        const ObjectFrameView frame = hostsAt[number].second;
        walkedNames.set(host, std::uint32_t(number + 1));
        const MethodEntries& entries = frame.entries();
        const int kind = host.getType();
        // An object's steps depend on its class set alone: they are decided for one host and
        // replayed for the next of the same shapes. A string or number is asked about the
        // document's class itself.
        int hostSet = -1;
        bool hostOutside = false;
        std::size_t at = 0;
        while (at < entries.size() && (entries[at].type() < 0 || entries[at].type() > 2)) ++at;
        // The class set whose steps this host's entries decide, or -1.
        int recording = -1;
        if (at < entries.size()) {
            if (kind == InternalName::String || kind == InternalName::Integer ||
                kind == InternalName::Float) {
                hostOutside = hostOutsideDocument(host, frame, docClass, hostSet);
            } else {
                // The walk meets each host once: its class set is not known yet.
                hostSet = findAhead && classesKnown[number % ringSize]
                              ? planner.classSetOfSet(host, ahead.classes)
                              : planner.classSetFound(host, frame);
                const MethodSlot* const slots = entries.begin() + at;
                const std::size_t count = entries.size() - at;
                if (replay == ShapeReplay::Replay) {
                    if (const EntryStep* const steps = hostShapes.find(hostSet, at, slots, count)) {
                        if (findAhead && ahead.entriesKnown) {
                            for (std::size_t each = 0; each < count; ++each)
                                runEntryStep(steps[each], host, slots[each].value(),
                                             {true, ahead.sets[at + each], ahead.rows[at + each]});
                        } else {
                            for (std::size_t each = 0; each < count; ++each)
                                runEntryStep(steps[each], host, slots[each].value(), unknown);
                        }
                        continue;
                    }
                    recording = hostSet;
                    hostShapes.start(hostSet, at, count);
                }
                hostOutside = docClass != Free && planner.classSetMemberOf(hostSet, host, docClass);
            }
        }
        std::size_t entry = 0;
        for (std::size_t each = 0; each < entries.size(); ++each) {
            const MethodSlot slot = entries[each];
            const MethodKey key = slot.key();
            const int type = key.methodType;
            const int argCount = key.argCount;
            const InternalName stored = slot.value();
            const bool members = stored.getType() == InternalName::SetName;
            EntryStep step;
            step.shape = slot.shapeNumber();
            step.type = key.methodType;
            step.argCount = key.argCount;
            step.method = key.method;
            if (type >= 6 && type <= 8 && argCount == 0) step.kind = EntryStep::Signature;
            if (type >= 0 && type <= 2) {
                // Step two asks about the entries without arguments of "->" and "->>", those of
                // a host outside the document too; the others only count when declared.
                const bool grouped = type <= 1 && argCount == 0;
                if (!hostOutside || grouped) {
                    if (hostSet < 0) hostSet = planner.classSetFound(host, frame);
                    const std::size_t place =
                        planner.planPlace(hostSet, key.method, argCount, type, entry++);
                    const bool declared =
                        !hostOutside && planner.classSet(hostSet).plans[place]->declared;
                    if (!grouped) {
                        step.kind = !declared       ? EntryStep::Skip
                                    : argCount != 0 ? (stored.getType() == InternalName::ParamFrame
                                                           ? EntryStep::HoldRows
                                                           : EntryStep::HoldLookedUp)
                                    : members       ? EntryStep::HoldMembers
                                                    : EntryStep::Hold;
                    } else {
                        if (planGroups.size() <= std::size_t(hostSet))
                            planGroups.resize(
                                std::max(planner.classSetCount(), planGroups.size() * 2));
                        std::vector<std::uint32_t>& groups = planGroups[std::size_t(hostSet)];
                        if (groups.size() <= place)
                            groups.resize(
                                std::max(place + 1, planner.classSet(hostSet).plans.size()), 0);
                        if (groups[place] == 0) {
                            valueGroups.push_back({false, false});
                            groups[place] = std::uint32_t(valueGroups.size());
                        }
                        step.kind = members ? EntryStep::GroupMembers : EntryStep::Group;
                        step.group = groups[place] - 1;
                        step.declared = declared;
                    }
                }
            }
            if (recording >= 0 && each >= at) hostShapes.add() = step;
            runEntryStep(step, host, stored, unknown);
        }
        if (recording >= 0) hostShapes.finish();
    }
    walkedAll = !stopped();
    if (walkedAll) planner.framed = &walkedNames;
    // Once stopped, nothing more is written.
    if (walkedAll) nestGroups(docClass);
}

void FLtoXMLSelection::nestGroups(const InternalName& docClass) {
    const GroupedValue* const grouped = groupedValues.get();
    signatureClassAt.clear();
    setsOfSignatureClass.clear();
    for (const ClassSignature& signature : classSignatures)
        if (signature.cls != docClass && signatureClassAt.get(signature.cls) == 0) {
            setsOfSignatureClass.emplace_back();
            signatureClassAt.set(signature.cls, std::uint32_t(setsOfSignatureClass.size()));
        }
    for (std::size_t number = 0; number < planGroups.size(); ++number) {
        const std::vector<std::uint32_t>& groups = planGroups[number];
        if (std::none_of(groups.begin(), groups.end(), [](std::uint32_t g) { return g != 0; }))
            continue;
        for (const InternalName& cls : planner.classSet(int(number)).classes)
            if (const std::uint32_t at = signatureClassAt.get(cls))
                setsOfSignatureClass[at - 1].push_back(int(number));
    }
    // The candidate groups of each signature that names no built-in literal class, one list
    // after another, and where each list ends: only their values are asked whether they are
    // shared.
    std::vector<std::uint32_t> candidates;
    std::vector<std::size_t> candidatesEnd;
    for (const ClassSignature& signature : classSignatures) {
        if (stopped()) return;
        if (signature.cls == docClass) continue;
        const int valueType = signature.type == 6 ? 0 : 1;
        const std::size_t start = candidates.size();
        for (const int number : setsOfSignatureClass[signatureClassAt.get(signature.cls) - 1]) {
            const std::vector<EntryPlan*>& known = planner.classSet(number).plans;
            const std::vector<std::uint32_t>& groups = planGroups[std::size_t(number)];
            for (std::size_t place = 0; place < known.size() && place < groups.size(); ++place)
                if (known[place]->method == signature.method && known[place]->argCount == 0 &&
                    known[place]->type == valueType) {
                    if (groups[place] != 0) candidates.push_back(groups[place] - 1);
                    break;
                }
        }
        // A signature with a candidate group found shared already nests nothing, whatever its
        // results: it is not asked further.
        if (candidates.size() == start ||
            std::any_of(candidates.begin() + std::ptrdiff_t(start), candidates.end(),
                        [&](std::uint32_t group) { return valueGroups[group].shared; }) ||
            planner.namesBuiltinResult(signature.type, signature.cls, signature.method)) {
            candidates.resize(start);
            continue;
        }
        for (std::size_t at = start; at < candidates.size(); ++at)
            valueGroups[candidates[at]].asked = true;
        candidatesEnd.push_back(candidates.size());
    }
    for (std::size_t at = 0; at < groupedCount; ++at) {
        ValueGroup& group = valueGroups[grouped[at].group];
        if (group.asked && !group.shared && valueHolders.get(grouped[at].value()) == 2)
            group.shared = true;
    }
    bool anyNests = false;
    std::size_t start = 0;
    for (const std::size_t end : candidatesEnd) {
        if (std::none_of(candidates.begin() + std::ptrdiff_t(start),
                         candidates.begin() + std::ptrdiff_t(end),
                         [&](std::uint32_t group) { return valueGroups[group].shared; })) {
            for (std::size_t at = start; at < end; ++at) valueGroups[candidates[at]].nests = true;
            anyNests = true;
        }
        start = end;
    }
    if (!anyNests) return;
    // Gathered in a list and added one by one: joining a whole set into the growing nested set
    // costs its size every time, which made the walk quadratic. The values newly nested move to
    // the front of the grouped values, which are read for the last time, and join the list at
    // once.
    GroupedValue* const values = groupedValues.get();
    std::size_t kept = 0;
    for (std::size_t at = 0; at < groupedCount; ++at)
        if (valueGroups[values[at].group].nests && nested.set(values[at].value(), 1) == 0)
            values[kept++] = values[at];
    const std::size_t before = nestedInOrder.size();
    nestedInOrder.resize(before + kept);
    for (std::size_t at = 0; at < kept; ++at) nestedInOrder[before + at] = values[at].value();
    groupedCount = 0;
}
