// Storing and looking up facts: is-a facts, method values, paths, function terms, predicates.
#include <memory>
#include <new>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/FrameManager.h"
#include "objectbase/HostSetCache.h"
#include "objectbase/MainMemFactWriter.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/NameHandler.h"
#include "platform/ControlEvents.h"

namespace {

bool isScalarType(int type) {
    return type == 0 || type == 3;
}

bool isSetValuedType(int type) {
    return type >= 1 && type <= 8 && !isScalarType(type);
}

// The set a table keeps under key, made on first use.
template <class Key, class Members>
Members* setUnder(FlatNameMap<Key, std::unique_ptr<Members>>& table, const Key& key) {
    std::unique_ptr<Members>& members = table[key];
    if (members == nullptr) members = std::make_unique<Members>();
    return members.get();
}
template <class Members>
Members* setUnder(FrameRegistry<Members>& table, const InternalName& key) {
    if (Members* members = table.find(key)) return members;
    auto made = std::make_unique<Members>();
    Members* const members = made.get();
    table.insert(key, std::move(made));
    return members;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Indexes

void MainMemOM::addRelation(const InternalName& host, const InternalName& name) {
    usage.add(name, host);
}

void MainMemOM::addRelations(const InternalName& host, const set<InternalName>& names) {
    for (auto it = names.first_item(); it != nullptr; it = names.next_item(it))
        addRelation(host, names.key(it));
}

void MainMemOM::addToRelationMap(NameSetTable& table, const InternalName& value,
                                 const InternalName& key) {
    setUnder(table, key)->insert(value);
}

void MainMemOM::indexMethod(const InternalName& host, const InternalName& method, int argCount,
                            int type) {
    const MethodKey key(type, argCount, method);
    MethodIndexHint& hint =
        methodIndexHints[std::uint32_t(method.getValue()) % methodIndexHints.size()];
    if (hint.hosts != nullptr && hint.stamp == layoutStamp && hint.key == key) {
        hint.hosts->insert(host);
        return;
    }
    MemberSet* hosts = setUnder(methodsTable, key);
    hosts->insert(host);
    setUnder(methodSignatures, method)->insert(MethodSig(type, argCount));
    hint = {key, hosts, layoutStamp};
}

int MainMemOM::addSetMembers(const set<InternalName>& values, MainMemSetFrame* setFrame) {
    int added = 0;
    for (auto it = values.first_item(); it != nullptr; it = values.next_item(it))
        if (setFrame->insert(values.key(it)) != 0) added = 1;
    return added;
}

std::unique_ptr<FactWriter> MainMemOM::openWriter(const FactRelation& relation) {
    switch (relation.kind) {
        case FactRelation::Kind::Predicate:
            return std::make_unique<MainMemPredicateWriter>(*this, relation.predicate,
                                                            relation.width);
        case FactRelation::Kind::SetMember:
            return std::make_unique<MainMemSetMemberWriter>(*this, relation.type);
        case FactRelation::Kind::ClassRelation:
            return std::make_unique<MainMemClassRelationWriter>(*this, relation.type);
    }
    return OM::openWriter(relation);
}

bool MainMemOM::holdsNoRelation(int kind) {
    if (kind == 1) return memberRows.store().empty();
    const NameSetTable* table = relationTable(kind);
    return table != nullptr && table->empty();
}

MainMemOM::NameSetTable* MainMemOM::relationTable(int kind) {
    switch (kind) {
        case 1:
            indexInstances();
            return &classToObjTable;
        case 2:
            return &superClassToClassTable;
        case 3:
            return &parentToChildTable;
        default:
            return nullptr;
    }
}

bool MainMemOM::indexInstances(bool stoppable) {
    const RelationStore& rows = memberRows.store();
    controlEvents::StopPoll stopPoll;
    for (; instancesIndexed < rows.size(); ++instancesIndexed) {
        if (stoppable && stopPoll.stop()) return false;
        const InternalName* row = rows.row(instancesIndexed);
        setUnder(classToObjTable, row[1])->insert(row[0]);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Set frames

// Inline where a run of fresh children makes two sets for each child: the call cost about 30
// instructions of the 75 a set took.
[[gnu::always_inline]] inline MainMemSetFrame* MainMemOM::makeSetFrame(InternalName& name) {
    InternalName fresh(nameHandler->nextSetId(), InternalName::SetName, 1);
    MainMemSetFrame* frame = frameManager->makeSetFrame(fresh);
    if (frame == nullptr) return nullptr;
    name = fresh;
    return frame;
}

MainMemSetFrame* MainMemOM::newSetName(InternalName& name) {
    return makeSetFrame(name);
}

// ---------------------------------------------------------------------------------------------
// Is-a facts

int MainMemOM::noteRelation(const InternalName& object, const InternalName& cls, int kind) {
    if (kind == 1) {
        // The object's set of classes has just found the membership new.
        const InternalName row[2] = {object, cls};
        memberRows.insertNewTuple(row, 2);
    } else {
        addToRelationMap(kind == 2 ? superClassToClassTable : parentToChildTable, object, cls);
    }
    if (deltas.on()) return recordIsa(object, cls, kind);
    return 1;
}

int MainMemOM::insertIsa(const InternalName& object, const InternalName& cls, int kind) {
    bool made = false;
    MainMemObjFrame* frame = objFrameFor(object, made);
    if (frame == nullptr || kind < 1 || kind > 3) return 0;

    // A frame made now has no set yet (a consulted `o:c[...]` makes it here).
    InternalName setName = kind == 1   ? frame->getSetName1()
                           : kind == 2 ? frame->getSetName2()
                                       : frame->getSetName3();
    MainMemSetFrame* members = made ? nullptr : getSetFrame(setName);
    if (members != nullptr) return storeIsa(members, object, cls, kind);
    {
        members = newSetName(setName);
        if (members == nullptr) return 0;
        members->insert(cls);
        if (kind == 1)
            frame->setSetName1(setName);
        else if (kind == 2)
            frame->setSetName2(setName);
        else
            frame->setSetName3(setName);
    }
    return noteRelation(object, cls, kind);
}

MainMemObjFrame* MainMemOM::freshObjFrame(const InternalName& object) {
    bool made = false;
    MainMemObjFrame* frame = frameManager->objFrameFor(object, made);
    if (frame == nullptr || made) return frame;
    // Made before for the values of the object's own children: fresh while it has no classes
    // and no parents.
    if (getSetFrame(frame->getSetName1()) != nullptr ||
        getSetFrame(frame->getSetName3()) != nullptr)
        return nullptr;
    return frame;
}

int MainMemOM::insertFreshChild(const InternalName& object, const InternalName& cls,
                                const InternalName& host, const InternalName& method, int type) {
    // An import stores these three facts for every element it maps. The object's frame is found
    // once for both of its sets, and the host's set of values is the one kept from its last
    // child rather than found through the host's frame again. While deltas are recorded, or for
    // an object that has classes or parents already, each fact takes its own insert.
    if (deltas.on() || !isSetValuedType(type) || object == host)
        return OM::insertFreshChild(object, cls, host, method, type);
    MainMemObjFrame* frame = freshObjFrame(object);
    if (frame == nullptr) return OM::insertFreshChild(object, cls, host, method, type);
    return linkFreshChild(frame, object, cls, host, method, type);
}

int MainMemOM::insertFreshElement(const FreshElement& element) {
    // An element of a large document: its frame is found once for its text, its classes, its
    // parents and its own values, and the facts are stored as their inserts store them, in
    // their order.
    const InternalName& object = element.object;
    if (deltas.on() || !isSetValuedType(element.type) ||
        (element.hasText() && !isSetValuedType(element.textType)) ||
        (!element.values.empty() && !isSetValuedType(element.valueType)) ||
        object == element.host || element.text == object)
        return OM::insertFreshElement(element);
    bool made = false;
    MainMemObjFrame* frame = objFrameFor(object, made);
    if (frame == nullptr || !made) return OM::insertFreshElement(element);
    int added = 0;
    if (element.hasText()) {
        added = storeValueOf(frame, true, object, element.textMethod, nullptr, 0, element.textType,
                             element.text);
        if (insertIsa(element.text, object, 3) != 0) added = 1;
    }
    // The frame has its text's entry or nothing: no classes, no parents.
    if (linkFreshChild(frame, object, element.cls, element.host, element.method, element.type) != 0)
        added = 1;
    for (const FreshElement::Value& value : element.values)
        if (storeValueOf(frame, false, object, value.method, nullptr, 0, element.valueType,
                         value.value) != 0)
            added = 1;
    return added;
}

int MainMemOM::linkFreshChild(MainMemObjFrame* frame, const InternalName& object,
                              const InternalName& cls, const InternalName& host,
                              const InternalName& method, int type) {
    int added = 0;
    InternalName classesName;
    if (MainMemSetFrame* classes = newSetName(classesName)) {
        classes->insert(cls);
        frame->setSetName1(classesName);
        added = noteRelation(object, cls, 1);
    }
    MainMemSetFrame* members = methodSetFrame(host, method, type, methodSets);
    const int stored = members != nullptr
                           ? storeSetMember(members, host, method, nullptr, 0, type, object)
                           : insertMethodValue(host, method, nullptr, 0, type, object);
    if (stored != 0) added = 1;
    InternalName parentsName;
    if (MainMemSetFrame* parents = newSetName(parentsName)) {
        parents->insert(host);
        frame->setSetName3(parentsName);
        if (noteRelation(object, host, 3) != 0) added = 1;
    }
    return added;
}

int MainMemOM::insertFreshChildren(const InternalName& host, const InternalName& method, int type,
                                   std::span<const FreshChild> children) {
    // Each child is stored as insertFreshChild stores it, in the same order, but what the run
    // shares is found once: the host's set of values and its set of children, which take the
    // children a block at a time, as the rows of the memberships do. A million sibling elements
    // spent most of their storing on finding these again for every child.
    if (deltas.on() || !isSetValuedType(type))
        return OM::insertFreshChildren(host, method, type, children);
    constexpr std::size_t Block = 64;
    InternalName memberships[2 * Block];
    std::size_t pending = 0;
    auto storeMemberships = [&] {
        if (pending != 0 && memberRows.insertNewTuples(memberships, 2, int(pending)) == 0)
            for (std::size_t row = 0; row < pending; ++row)
                memberRows.insertNewTuple(&memberships[2 * row], 2);
        pending = 0;
    };
    MainMemSetFrame* values = nullptr;
    MemberSet* siblings = nullptr;
    // Children whose classes and parents are stored, ascending, still to join `values` and
    // `siblings`: the sets are only read by what the loop calls once they have joined.
    InternalName joining[Block];
    std::size_t waiting = 0;
    auto join = [&] {
        if (waiting == 0) return;
        const std::span<const InternalName> objects(joining, waiting);
        if (values->appendAscending(objects)) {
            for (const InternalName& object : objects) indexStoredValue(host, nullptr, 0, object);
        } else {
            for (const InternalName& object : objects)
                if (values->insert(object) != 0) indexStoredValue(host, nullptr, 0, object);
        }
        if (siblings == nullptr) siblings = setUnder(parentToChildTable, host);
        if (!siblings->appendAscending(objects))
            for (const InternalName& object : objects) siblings->insert(object);
        waiting = 0;
    };
    int added = 0;
    for (const FreshChild& child : children) {
        const InternalName& object = child.object;
        MainMemObjFrame* frame = object == host ? nullptr : freshObjFrame(object);
        if (frame == nullptr) {
            // The plain inserts may store memberships and make the host's sets.
            join();
            storeMemberships();
            if (OM::insertFreshChild(object, child.cls, host, method, type) != 0) added = 1;
            values = nullptr;
            siblings = nullptr;
            continue;
        }
        InternalName classesName;
        if (MainMemSetFrame* classes = makeSetFrame(classesName)) {
            classes->insert(child.cls);
            frame->setSetName1(classesName);
            memberships[2 * pending] = object;
            memberships[2 * pending + 1] = child.cls;
            if (++pending == Block) storeMemberships();
            added = 1;
        }
        if (values == nullptr) values = methodSetFrame(host, method, type, methodSets);
        if (values == nullptr) {
            // The host's first value makes its set (and a set name).
            if (insertMethodValue(host, method, nullptr, 0, type, object) != 0) added = 1;
        }
        InternalName parentsName;
        MainMemSetFrame* parents = makeSetFrame(parentsName);
        if (parents == nullptr) {
            join();
            if (values != nullptr && values->insert(object) != 0) {
                indexStoredValue(host, nullptr, 0, object);
                added = 1;
            }
            continue;
        }
        parents->insert(host);
        frame->setSetName3(parentsName);
        added = 1;
        if (values == nullptr) {
            if (siblings == nullptr) siblings = setUnder(parentToChildTable, host);
            siblings->insert(object);
            continue;
        }
        if (waiting != 0 && !(joining[waiting - 1] < object)) join();
        joining[waiting] = object;
        if (++waiting == Block) join();
    }
    join();
    storeMemberships();
    return added;
}

int MainMemOM::storeIsa(MainMemSetFrame* classes, const InternalName& object,
                        const InternalName& cls, int kind) {
    if (kind < 1 || kind > 3 || classes->insert(cls) == 0) return 0;
    return noteRelation(object, cls, kind);
}

MainMemSetFrame* MainMemOM::lookUpClassSet(const InternalName& object, int kind) {
    MainMemObjFrame* frame = getObjFrame(object);
    if (frame == nullptr) return nullptr;
    MainMemSetFrame* classes = getSetFrame(frame->setNameOf(IsaRelation(kind)));
    if (classes != nullptr)
        classSets.keep(object, InternalName::UndefinedObject, kind, classes, layoutStamp);
    return classes;
}

// ---------------------------------------------------------------------------------------------
// Method values

MainMemSetFrame* MainMemOM::createSetEntry(MainMemObjFrame* frame, const InternalName& method,
                                           const InternalName* args, int argCount, int type) {
    InternalName setName;
    MainMemSetFrame* members = newSetName(setName);
    if (members == nullptr) return nullptr;
    if (argCount == 0) {
        frame->insertMethod(method, setName, type, 0);
        return members;
    }
    InternalName paramName;
    MainMemParamFrame* rows = createParamFrame(argCount + 1, paramName);
    if (rows == nullptr) {
        frameManager->deleteSetFrame(setName);
        return nullptr;
    }
    rows->insertResult(args, argCount, setName);
    frame->insertMethod(method, paramName, type, argCount);
    return members;
}

int MainMemOM::storeMethodValue(MainMemObjFrame* frame, const InternalName& method,
                                const InternalName* args, int argCount, int type,
                                const InternalName& value) {
    if (isScalarType(type)) {
        if (argCount == 0) {
            frame->insertMethod(method, value, type, 0);
            return 1;
        }
        InternalName paramName;
        MainMemParamFrame* rows = createParamFrame(argCount + 1, paramName);
        if (rows == nullptr) return 0;
        rows->insertResult(args, argCount, value);
        frame->insertMethod(method, paramName, type, argCount);
        return 1;
    }
    MainMemSetFrame* members = createSetEntry(frame, method, args, argCount, type);
    if (members == nullptr) return 0;
    members->insert(value);
    return 1;
}

int MainMemOM::insertMethodValue(const InternalName& host, const InternalName& method,
                                 const InternalName* args, int argCount, int type,
                                 const InternalName& value) {
    if (type < 0 || type > 8) {
        centralErrorHandler().report(err5::WrongMetType);
        return 0;
    }
    const std::uint64_t before = MethodValueStamps::before();
    bool made = false;
    MainMemObjFrame* frame = objFrameFor(host, made);
    if (frame == nullptr) return 0;
    const int added = storeValueOf(frame, made, host, method, args, argCount, type, value);
    methodStamps.stored(MethodKey(type, argCount, method), before);
    return added;
}

int MainMemOM::storeValueOf(MainMemObjFrame* frame, bool made, const InternalName& host,
                            const InternalName& method, const InternalName* args, int argCount,
                            int type, const InternalName& value) {
    // The value is indexed on every path but two: a set member already there was indexed when it
    // came (rule heads repeat set members far more often than they add one), and a value of a
    // method without arguments waits in its entry until the index is built. A frame made now
    // holds no entry.
    InternalName stored;
    if (made || frame->lookupMethod(method, type, argCount, stored) == 0) {
        indexStoredValue(host, args, argCount, value);
        if (storeMethodValue(frame, method, args, argCount, type, value) == 0) return 0;
        indexMethod(host, method, argCount, type);
        if (!deltas.on()) return 1;
        deltas.recordEntry(type, method, host, args, argCount);
        return recordNewValue(type, method, host, args, argCount, value);
    }

    // The value already stored for these arguments: the entry itself, or its row.
    InternalName current = stored;
    if (argCount >= 1) {
        MainMemParamFrame* rows =
            stored.getType() == InternalName::ParamFrame ? getParamFrame(stored) : nullptr;
        if (rows == nullptr || rows->lookupResult(args, argCount, current) == 0) {
            indexValue(host, args, argCount, value);
            if (rows == nullptr) return 0;
            if (isScalarType(type)) {
                rows->insertResult(args, argCount, value);
            } else {
                InternalName setName;
                MainMemSetFrame* members = newSetName(setName);
                if (members == nullptr) return 0;
                members->insert(value);
                rows->insertResult(args, argCount, setName);
                // New arguments of a set-valued method make host[method@(args) ->> {}] true too.
                if (deltas.on()) deltas.recordEntry(type, method, host, args, argCount);
            }
            return deltas.on() ? recordNewValue(type, method, host, args, argCount, value) : 1;
        }
    }
    if (current.getType() == InternalName::SetName) {
        MainMemSetFrame* members = getSetFrame(current);
        if (members == nullptr) {
            indexValue(host, args, argCount, value);
            return 0;
        }
        return storeSetMember(members, host, method, args, argCount, type, value);
    }
    indexValue(host, args, argCount, value);
    if (current.isConstant()) {
        // A second value of a scalar method: both denote one object. The answer is whether
        // that equality is new, so that a refused or already known one does not count as a
        // change in every round.
        if (current == value) return 0;
        return equate(current, value, 0);
    }
    return 0;
}

int MainMemOM::storeSetMember(MainMemSetFrame* members, const InternalName& host,
                              const InternalName& method, const InternalName* args, int argCount,
                              int type, const InternalName& value) {
    // One probe answers both whether the value is there and where it goes.
    const std::uint64_t before = MethodValueStamps::before();
    if (members->insert(value) == 0) return 0;
    methodStamps.stored(MethodKey(type, argCount, method), before);
    return noteNewSetMember(host, method, args, argCount, type, value);
}

int MainMemOM::noteNewSetMember(const InternalName& host, const InternalName& method,
                                const InternalName* args, int argCount, int type,
                                const InternalName& value) {
    indexStoredValue(host, args, argCount, value);
    if (!deltas.on()) return 1;
    // Appended to the delta frame the last value went to when it is of the same method: the
    // general recording cost as much again as appending the row (6 % of the method form's
    // instructions on the closure of a chain of 1000 nodes).
    return answerForNewFact(deltas.recordNewMember(type, method, host, args, argCount, value));
}

MainMemSetFrame* MainMemOM::lookUpMethodSetFrame(const InternalName& host,
                                                 const InternalName& method, int type,
                                                 HostSetCache& sets) {
    MainMemObjFrame* frame = getObjFrame(host);
    InternalName stored;
    if (frame == nullptr || frame->lookupMethod(method, type, 0, stored) == 0 ||
        stored.getType() != InternalName::SetName)
        return nullptr;
    MainMemSetFrame* members = getSetFrame(stored);
    if (members != nullptr) sets.keep(host, method, type, members, layoutStamp);
    return members;
}

int MainMemOM::insertSetMember(const InternalName& host, const InternalName& method,
                               const InternalName* args, int argCount, int type,
                               const set<InternalName>& values) {
    if (!isSetValuedType(type)) {
        centralErrorHandler().report(err5::WrongMetType);
        return 0;
    }
    const std::uint64_t before = MethodValueStamps::before();
    const int added = storeSetMembers(host, method, args, argCount, type, values);
    methodStamps.stored(MethodKey(type, argCount, method), before);
    return added;
}

int MainMemOM::storeSetMembers(const InternalName& host, const InternalName& method,
                               const InternalName* args, int argCount, int type,
                               const set<InternalName>& values) {
    MainMemObjFrame* frame = objFrameFor(host);
    if (frame == nullptr) return 0;
    for (int i = 0; i < argCount; ++i) addRelation(host, args[i]);
    addRelations(host, values);

    // A new entry (or new arguments) is a new fact even when no member comes with it:
    // host[method ->> {}] holds from now on.
    int created = 0;
    int entryRecorded = 0;
    MainMemSetFrame* members = nullptr;
    InternalName stored;
    if (frame->lookupMethod(method, type, argCount, stored) == 0) {
        members = createSetEntry(frame, method, args, argCount, type);
        if (members == nullptr) return 0;
        indexMethod(host, method, argCount, type);
        created = 1;
    } else if (argCount == 0 && stored.getType() == InternalName::SetName) {
        members = getSetFrame(stored);
    } else if (argCount >= 1 && stored.getType() == InternalName::ParamFrame) {
        MainMemParamFrame* rows = getParamFrame(stored);
        if (rows == nullptr) return 0;
        InternalName result;
        if (rows->lookupResult(args, argCount, result) == 0) {
            InternalName setName;
            members = newSetName(setName);
            if (members == nullptr) return 0;
            rows->insertResult(args, argCount, setName);
            created = 1;
        } else if (result.getType() == InternalName::SetName) {
            members = getSetFrame(result);
        }
    }
    if (members == nullptr) return 0;
    if (deltas.on()) {
        if (created) entryRecorded = deltas.recordEntry(type, method, host, args, argCount);
        int logged = addSetMembersLogged(values, members, host, method, args, argCount, type);
        return (logged != 0 || entryRecorded != 0) ? 1 : 0;
    }
    int added = addSetMembers(values, members);
    return (added != 0 || created != 0) ? 1 : 0;
}

InternalName MainMemOM::newPathObject(const InternalName& host) {
    InternalName object(nameHandler->nextObjectId(), InternalName::Object, -1);
    pathHosts.insert(object, host);
    return object;
}

MainMemOM::ScalarLookup MainMemOM::findScalarValue(MainMemObjFrame* frame,
                                                   const InternalName& method,
                                                   const InternalName* args, int argCount, int type,
                                                   InternalName& value, MainMemParamFrame*& rows) {
    InternalName stored;
    if (frame->lookupMethod(method, type, argCount, stored) == 0) return ScalarLookup::NoEntry;
    if (argCount == 0) {
        if (!stored.isConstant()) return ScalarLookup::Unusable;
        value = stored;
        return ScalarLookup::Found;
    }
    if (stored.getType() != InternalName::ParamFrame) return ScalarLookup::Unusable;
    rows = getParamFrame(stored);
    if (rows == nullptr) return ScalarLookup::Unusable;
    InternalName result;
    if (rows->lookupResult(args, argCount, result) == 0) return ScalarLookup::NoRow;
    if (!result.isConstant()) return ScalarLookup::Unusable;
    value = result;
    return ScalarLookup::Found;
}

void MainMemOM::indexValue(const InternalName& host, const InternalName* args, int argCount,
                           const InternalName& value) {
    for (int i = 0; i < argCount; ++i) addRelation(host, args[i]);
    addRelation(host, value);
}

void MainMemOM::indexStoredValue(const InternalName& host, const InternalName* args, int argCount,
                                 const InternalName& value) {
    if (argCount == 0 && !usage.live())
        usage.noteUnloggedValue();  // the host's entry holds the pair until the index is built
    else
        indexValue(host, args, argCount, value);
}

int MainMemOM::getOrCreateScalarValue(const InternalName& host, const InternalName& method,
                                      const InternalName* args, int argCount, int type,
                                      InternalName& value) {
    return scalarValue(host, method, args, argCount, type, value, nullptr);
}

int MainMemOM::storeReservedPath(const InternalName& host, const InternalName& method,
                                 const InternalName* args, int argCount, int type,
                                 const InternalName& reserved) {
    InternalName value;
    return scalarValue(host, method, args, argCount, type, value, &reserved);
}

int MainMemOM::scalarValue(const InternalName& host, const InternalName& method,
                           const InternalName* args, int argCount, int type, InternalName& value,
                           const InternalName* reserved) {
    if (!isScalarType(type)) {
        centralErrorHandler().report(err5::WrongMetType);
        return 0;
    }
    MainMemObjFrame* frame = objFrameFor(host);
    if (frame == nullptr) return 0;

    MainMemParamFrame* rows = nullptr;
    switch (findScalarValue(frame, method, args, argCount, type, value, rows)) {
        case ScalarLookup::NoEntry: {
            InternalName made = reserved != nullptr ? *reserved : newPathObject(host);
            if (storeMethodValue(frame, method, args, argCount, type, made) == 0) return 0;
            value = made;
            indexValue(host, args, argCount, made);
            indexMethod(host, method, argCount, type);
            return deltas.on() ? recordValue(type, method, host, args, argCount, made) : 1;
        }
        case ScalarLookup::NoRow: {
            InternalName made = reserved != nullptr ? *reserved : newPathObject(host);
            rows->insertResult(args, argCount, made);
            value = made;
            // Indexed like any stored value, so that renaming and cleanup find the arguments.
            indexValue(host, args, argCount, made);
            return deltas.on() ? recordValue(type, method, host, args, argCount, made) : 1;
        }
        default:
            return 0;
    }
}

int MainMemOM::lookupMethodValue(const InternalName& host, const InternalName& method,
                                 const InternalName* args, int argCount, int type,
                                 InternalName& value) {
    if (!isScalarType(type)) {
        centralErrorHandler().report(err5::WrongMetType);
        return 0;
    }
    MainMemObjFrame* frame = getObjFrame(host);
    if (frame == nullptr) return 0;
    MainMemParamFrame* rows = nullptr;
    return findScalarValue(frame, method, args, argCount, type, value, rows) == ScalarLookup::Found
               ? 1
               : 0;
}

// ---------------------------------------------------------------------------------------------
// Function terms and predicates

MainMemParamFrame* MainMemOM::functionTable(FunctionTableHandle& table, int argCount, bool make) {
    if (table.layout == layoutStamp && table.rows != nullptr) [[likely]]
        return table.rows;
    InternalName name;
    MainMemParamFrame* rows = nullptr;
    if (giveInternalName(table.function, name) != 0 && name.getType() == InternalName::ParamFrame)
        rows = getParamFrame(name);
    if (rows == nullptr) {
        if (!make) return nullptr;
        // First use of the symbol, or its frame has gone (an earlier clear): make it afresh.
        rows = createParamFrame(argCount + 1, name);
        if (rows == nullptr) return nullptr;
        registerName(table.function, name);
    }
    table.rows = rows;
    table.rowsName = name;
    table.layout = layoutStamp;
    return rows;
}

int MainMemOM::getFunctionObject(const FSymbol& function, const InternalName* args, int argCount,
                                 InternalName& out) {
    FunctionTableHandle table(function);
    return getFunctionObject(table, args, argCount, out);
}

int MainMemOM::getFunctionObject(FunctionTableHandle& table, const InternalName* args, int argCount,
                                 InternalName& out) {
    MainMemParamFrame* rows = functionTable(table, argCount, true);
    if (rows == nullptr) return 0;
    if (rows->getArity() != argCount + 1) return 0;
    if (expectedObjects > 0 && table.function == expectedFunction) [[unlikely]] {
        rows->reserveRows(expectedObjects);
        expectedObjects = 0;
    }

    // Callers read non-zero as "new": an old object must not signal a change.
    if (argCount > 0 && args == nullptr) return 0;
    // `out` may be one of the arguments (a term built inside out): it is written last.
    InternalName object;
    const bool made = rows->findOrAddResult(args, object, [&] {
        return InternalName(nameHandler->nextObjectId(), InternalName::Object,
                            static_cast<std::int8_t>(argCount + 1));
    });
    table.ascending = rows->storedRows().ascending();
    if (made && usage.live()) {
        for (int i = 0; i < argCount; ++i) addRelation(table.rowsName, args[i]);
        addRelation(table.rowsName, object);
    } else if (made) {
        // The frame's new row holds the pairs until the index is built.
        usage.noteUnloggedRows(table.rowsName);
    }
    out = object;
    if (!made) return 0;
    if (deltas.on()) return recordObject(object);
    return 1;
}

namespace {

// Keeps the symbol's table in a handle between its terms; a hint for a term is given only
// while the table's rows come out of ascending order (the next term of an ascending run is
// added at the end without a lookup, so a hint for it would load nothing of use).
class MainMemTermMaker : public TermMaker {
  public:
    MainMemTermMaker(MainMemOM& om, const FSymbol& function)
        : TermMaker(function), om(Ref<MainMemOM>::share(&om)), table(function) {}
    int make(const InternalName* args, int argCount, InternalName& out) override {
        const int made = om->getFunctionObject(table, args, argCount, out);
        hintsOfUse = !table.ascending;
        return made;
    }

  protected:
    void loadAhead(const InternalName* args, int argCount) override {
        om->prefetchFunctionObject(table, args, argCount);
    }

  private:
    Ref<MainMemOM> om;
    FunctionTableHandle table;
};

}  // namespace

std::unique_ptr<TermMaker> MainMemOM::openTermMaker(const FSymbol& function) {
    return std::make_unique<MainMemTermMaker>(*this, function);
}

void MainMemOM::prefetchFunctionObject(const FSymbol& function, const InternalName* args,
                                       int argCount) {
    FunctionTableHandle table(function);
    prefetchFunctionObject(table, args, argCount);
}

void MainMemOM::prefetchFunctionObject(FunctionTableHandle& table, const InternalName* args,
                                       int argCount) {
    if (argCount <= 0 || args == nullptr) return;
    const MainMemParamFrame* rows = functionTable(table, argCount, false);
    if (rows != nullptr && rows->getArity() == argCount + 1) rows->storedRows().prefetch(args);
}

void MainMemOM::expectFunctionObjects(const FSymbol& function, std::size_t rows) {
    expectedFunction = function;
    expectedObjects = rows;
}

MainMemPredFrame* MainMemOM::createPredFrame(const InternalName& predicate, int arity) {
    return frameManager->makePredFrame(predicate, arity);
}

int MainMemOM::addPredicate(const InternalName& predicate, const InternalName* tuple, int arity) {
    MainMemPredFrame* frame = getPredFrame(predicate);
    if (frame != nullptr) {
        if (tuple == nullptr) return 0;
        if (frame->insertTuple(tuple, arity) == 0) return 0;
    } else {
        frame = createPredFrame(predicate, arity);
        if (frame == nullptr) return 0;
        if (deltas.on()) deltas.viewInDelta(predicate, frame);
        if (tuple == nullptr) return 1;
        if (frame->insertTuple(tuple, arity) == 0) return 0;
    }
    if (deltas.on()) return recordPredicate(predicate, frame, tuple, arity);
    return 1;
}
