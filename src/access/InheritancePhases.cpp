// InheritancePhases: the insertion phases, their queue of inherited values, the inherited lookup
// over the class hierarchy, and the record and blockings of inherited values.
#include "access/InheritancePhases.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "access/BigIterator.h"
#include "access/EmptyIterator.h"
#include "access/OMAccess.h"
#include "access/Trigger.h"
#include "foundation/ErrorHandler.h"
#include "foundation/clib_list.h"
#include "objectbase/FlatNameMap.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

bool isBound(const InternalName& name) {
    return name != Free;
}

bool setValued(int type) {
    return type == 1 || type == 2 || type == 4 || type == 5;
}

// Appends column `col` of every row of `rows` (none when null) to `out`; the iterator goes
// once it is read.
void appendColumn(std::vector<InternalName>& out, Ref<Iterator> rows, int col) {
    for (bool more = rows && rows->first(); more; more = rows->next())
        out.push_back(rows->atColumn(col));
}

InheritedValues::Slot slotOf(int type, const InternalName& method, const InternalName* args,
                             int argCount) {
    return InheritedValues::Slot{type, method,
                                 args != nullptr ? std::vector<InternalName>(args, args + argCount)
                                                 : std::vector<InternalName>()};
}

}  // namespace

InheritancePhases::InheritancePhases(OMAccess& access) : access(access) {}

InheritancePhases::~InheritancePhases() = default;

void InheritancePhases::open(bool buffered) {
    newFactCount = 0;
    fullPhase = false;
    pendingAt.clear();
    if (buffered) {
        deleteTriggers();
        triggers = std::make_unique<clib_list<Trigger>>();
        triggersFlushed = false;
    }
    phaseOpen = true;
}

bool InheritancePhases::flushQueued() {
    if (triggersFlushed) return false;
    flushTriggers();
    triggersFlushed = true;
    return true;
}

bool InheritancePhases::close() {
    fullPhase = false;
    addingOnly = false;
    pendingAt.clear();
    deferred = nullptr;
    if (!phaseOpen) return false;
    phaseOpen = false;
    return true;
}

void InheritancePhases::baseCleared() {
    inheritedValues.clear();
    consultedBlockings.clear();
    if (keepingBlockings) return;
    blockedSlots.clear();
    blockedHosts.clear();
    releasedBlockings.clear();
    replayedSlots.clear();
}

int InheritancePhases::takeNewFacts() {
    const int count = newFactCount;
    newFactCount = 0;
    return count;
}

void InheritancePhases::deleteTriggers() {
    triggers.reset();
}

void InheritancePhases::flushTriggers() {
    if (triggers != nullptr) {
        for (list_item item = triggers->first_item(); item != nullptr;
             item = triggers->next_item(item)) {
            const Trigger& t = triggers->inf(item);
            newFactCount += storeInherited(t.host, t.method, t.argData(), t.argCount(),
                                           code(t.methodType), t.value, t.source);
        }
    }
    deleteTriggers();
}

int InheritancePhases::pendingTriggers() const {
    return triggers != nullptr ? triggers->size() : 0;
}

void InheritancePhases::setCorrectTypes(int type, int& stored, int& kind) {
    if (type >= 0 && type <= 2) {
        stored = type + 3;
        kind = 1;
    } else if (type >= 3 && type <= 5) {
        stored = type;
        kind = 2;
    } else {
        // Reported as the access layer's: the phases are part of it to its users.
        centralErrorHandler().report(Error(6, 107, 2, "IllegalMethodType",
                                           "the given MethodType could not be processed",
                                           "OMAccess::setCorrectTypes", ""));
    }
}

Iterator* InheritancePhases::inheritedLookup(int type, const InternalName* tuple, int count) {
    if (!phaseOpen || count < 3 || (type >= 6 && type <= 8) || type == 1000 || type == 1001 ||
        (type >= 100 && type <= 104))
        return nullptr;
    // A direct phase inserts one inherited fact; the rest of the query must not build on it.
    if (oneFactPhase() && newFactCount != 0) return new EmptyIterator();
    if (isBound(tuple[1]) && isDeferred(tuple[1])) return nullptr;
    std::vector<InternalName> cells(tuple, tuple + count);
    inRetrieval = true;
    auto answer = Ref<Iterator>::adopt(inheritedRetrieval(type, cells.data(), count));
    inRetrieval = false;
    settledClasses.clear();
    specificClasses.clear();
    givingClasses.clear();
    // A full phase has stored everything this pattern inherits: the stored values answer.
    if (fullPhase) return nullptr;
    return answer.release();
}

Iterator* InheritancePhases::inheritedRetrieval(int type, InternalName* tuple, int count) {
    if (isBound(tuple[0])) return inheritedRetrievalForHost(type, tuple, count);
    auto answers = Ref<BigIterator>::make();
    // Every host of a phase is looked at once: hashed in place, for a walk over thousands of
    // instances (a node per host would scatter them over the heap).
    FlatNameMap<InternalName, bool> handled;
    auto stop = [&] { return newFactCount != 0 && oneFactPhase(); };
    auto handle = [&](const InternalName& host) {
        if (!handled.emplace(host, true).second) return;
        tuple[0] = host;
        auto inherited = Ref<Iterator>::adopt(inheritedRetrievalForHost(type, tuple, count));
        // A member that joins belongs to the concatenation; a refused one goes with its handle.
        if (answers->add(inherited.get())) static_cast<void>(inherited.release());
    };
    // Each walk over hosts, ascending; ends early once a direct phase has inserted its fact. The
    // hosts are read before any is handled: a full phase stores while it walks.
    auto walk = [&](const std::vector<InternalName>& found) {
        for (const InternalName& host : found) {
            if (stop()) break;
            handle(host);
        }
    };
    if (isBound(tuple[1])) {
        int stored = 1000;
        int kind = 0;
        setCorrectTypes(type, stored, kind);
        std::vector<InternalName> carriers;
        FlatNameMap<InternalName, bool> membersWalked;
        if (stored != 1000)
            appendColumn(
                carriers,
                Ref<Iterator>::adopt(access.lookup(MethodType(stored), tuple, count, nullptr)), 1);
        for (const InternalName& cls : carriers) {
            if (stop()) break;
            // The class and every class below it, ascending; the hosts of a value of instances
            // are their members, gathered from each class's direct members and sorted once,
            // rather than through a search tree of every instance.
            std::vector<InternalName> below;
            appendColumn(below,
                         Ref<Iterator>::adopt(
                             access.makeEnhIsaIter(Free, cls, IsaRelation::Subclass, nullptr)),
                         1);
            if (kind == 1) {
                std::vector<InternalName> members;
                {
                    Ref<Iterator> direct;
                    for (const InternalName& c : below) {
                        // The members of a class walked for an earlier carrier are handled: in
                        // a chain every class carries the value, and each would walk all
                        // instances.
                        if (!membersWalked.emplace(c, true).second) continue;
                        direct.renew([&](Iterator* old) {
                            return access.makeIsaIter(Free, c, IsaRelation::Member, old);
                        });
                        for (bool more = direct && direct->first(); more; more = direct->next())
                            members.push_back(direct->atColumn(1));
                    }
                }
                // Members of one class come ascending; only members of several need sorting.
                if (!std::is_sorted(members.begin(), members.end()))
                    std::sort(members.begin(), members.end());
                members.erase(std::unique(members.begin(), members.end()), members.end());
                walk(members);
            }
            if (!stop()) walk(below);
        }
    } else {
        std::vector<InternalName> found;
        appendColumn(found, Ref<Iterator>::adopt(access.objNamesIterator(nullptr)), 1);
        walk(found);
    }
    tuple[0] = Free;
    if (!answers->first()) return nullptr;
    return answers.release();
}

Iterator* InheritancePhases::inheritedRetrievalForHost(int type, InternalName* tuple, int count) {
    const InternalName host = tuple[0];
    int stored = 1000;
    int kind = 0;
    setCorrectTypes(type, stored, kind);
    if (stored == 1000 || retrievalPath.member(host)) return nullptr;
    const std::unique_ptr<set<InternalName>> classes = classRetrieval(host, kind);
    retrievalPath.insert(host);
    const InternalName result = tuple[count - 1];
    const bool oneFact = oneFactPhase();
    const bool buffered = !triggersFlushed;
    Ref<Iterator> answer;
    bool done = false;
    // The classes first take what lies above them, so the value a host finds at its most
    // specific class is already the one that class inherits.
    for (auto item = classes->first_item(); item != nullptr && !done;
         item = classes->next_item(item)) {
        const InternalName cls = classes->key(item);
        if (settledClasses.member(cls)) continue;
        tuple[0] = cls;
        auto inner = Ref<Iterator>::adopt(inheritedRetrievalForHost(stored, tuple, count));
        if (oneFact && newFactCount != 0) {
            answer = std::move(inner);
            done = true;
        } else {
            settledClasses.insert(cls);
        }
    }
    // In a buffered phase, the methods one of the classes is still to receive: the host waits
    // for them rather than take them from a class that would not come first.
    std::set<InternalName> awaited;
    if (buffered) {
        for (auto item = classes->first_item(); item != nullptr; item = classes->next_item(item)) {
            auto pending = pendingAt.find(classes->key(item));
            if (pending != pendingAt.end())
                awaited.insert(pending->second.begin(), pending->second.end());
        }
    }
    // What the classes wait for, the host waits for, even where they offer nothing yet.
    if (!awaited.empty()) pendingAt[host].insert(awaited.begin(), awaited.end());
    // A host with a value of its own for the method and arguments asked for inherits nothing:
    // one probe instead of one per class (most hosts walked in a one-fact phase have one).
    bool ownValue = false;
    if (!done && std::all_of(tuple + 1, tuple + count - 1, isBound)) {
        std::vector<InternalName> probe(tuple, tuple + count);
        probe[0] = host;
        probe[count - 1] = Free;
        ownValue = yieldsRow(access.lookup(MethodType(type), probe.data(), count, nullptr));
        // A value inherited from a class that a more specific one has since replaced goes: the
        // host takes the more specific class's value below.
        if (ownValue && !addingOnly && !inheritedValues.empty() && awaited.count(tuple[1]) == 0) {
            const InheritedValues::Slot slot{
                type, tuple[1], std::vector<InternalName>(tuple + 2, tuple + count - 1)};
            ownValue = !yieldToMoreSpecific(host, stored, slot, *classes);
        }
    }
    // A pattern whose method or arguments are free asks for every slot: each slot the host
    // holds inherited values of from a class that a more specific one has since replaced gives
    // way as well, and the host takes the more specific class's values below.
    if (!done && !addingOnly && !std::all_of(tuple + 1, tuple + count - 1, isBound)) {
        if (const InheritedValues::Slots* slots = inheritedValues.ofHost(host)) {
            std::vector<InheritedValues::Slot> held;
            for (const auto& entry : *slots) {
                const InheritedValues::Slot& slot = entry.first;
                if (slot.type != type || static_cast<int>(slot.args.size()) != count - 3) continue;
                bool fits = !isBound(tuple[1]) || tuple[1] == slot.method;
                for (int i = 0; fits && i < count - 3; ++i)
                    fits = !isBound(tuple[2 + i]) || tuple[2 + i] == slot.args[std::size_t(i)];
                if (fits && awaited.count(slot.method) == 0) held.push_back(slot);
            }
            for (const InheritedValues::Slot& slot : held)
                yieldToMoreSpecific(host, stored, slot, *classes);
        }
    }
    // The first most specific class (in name order) that has a value for a method and its
    // arguments gives the host that value; later classes add nothing to it.
    std::set<std::vector<InternalName>> decided;
    for (auto item = classes->first_item(); item != nullptr && !done && !ownValue;
         item = classes->next_item(item)) {
        tuple[0] = classes->key(item);
        // The class gives its value whatever value the pattern asks for: a class whose value
        // differs still decides the slot, and a later class with the value asked for gives
        // nothing.
        tuple[count - 1] = Free;
        auto values =
            Ref<Iterator>::adopt(access.lookup(MethodType(stored), tuple, count, nullptr));
        for (bool more = values && values->first(); more && !done; more = values->next()) {
            std::vector<InternalName> key;
            for (int col = 2; col < count; ++col) key.push_back(values->atColumn(col));
            if (decided.count(key) != 0) continue;
            if (awaited.count(key[0]) != 0 || isDeferred(key[0])) continue;
            // A blocked slot takes nothing, from this class or a later one.
            if (anyBlocked() &&
                isBlocked(host, type, key[0], key.size() > 1 ? key.data() + 1 : nullptr,
                          static_cast<int>(key.size()) - 1, classes->key(item))) {
                decided.insert(key);
                continue;
            }
            const int added = insertBuffered(values.get(), host, count, type);
            if (added == 0) continue;
            decided.insert(key);
            if (buffered) continue;
            if (!oneFact) {
                newFactCount += added;
                continue;
            }
            ++newFactCount;
            std::vector<InternalName> probe{host};
            probe.insert(probe.end(), key.begin(), key.end());
            probe.push_back(setValued(type) ? Free : result);
            answer =
                Ref<Iterator>::adopt(access.lookup(MethodType(type), probe.data(), count, nullptr));
            done = true;
        }
        tuple[count - 1] = result;
    }
    tuple[0] = host;
    tuple[count - 1] = result;
    retrievalPath.del(host);
    return answer.release();
}

int InheritancePhases::insertBuffered(Iterator* row, const InternalName& host, int count,
                                      int type) {
    const InternalName method = row->atColumn(2);
    std::vector<InternalName> probe{host, method};
    for (int col = 3; col < count; ++col) probe.push_back(row->atColumn(col));
    probe.push_back(Free);
    const InternalName* args = count > 3 ? probe.data() + 2 : nullptr;
    const int argCount = count - 3;

    if (yieldsRow(access.lookup(MethodType(type), probe.data(), count, nullptr))) return 0;

    // The members of an inherited set are read before any of them is inserted.
    std::vector<InternalName> values;
    const InternalName value = row->atColumn(count);
    if (setValued(type) && value.getType() == InternalName::SetName) {
        appendColumn(values, Ref<Iterator>::adopt(access.setIterator(value, nullptr)), 1);
    } else {
        values.push_back(value);
    }
    int added = 0;
    const InternalName source = row->atColumn(1);
    for (const InternalName& v : values) {
        if (!triggersFlushed) {
            if (triggers == nullptr) continue;
            triggers->append(Trigger(host, method, args, argCount, MethodType(type), v, source));
            ++added;
        } else {
            added += storeInherited(host, method, args, argCount, type, v, source);
        }
    }
    if (!triggersFlushed && added != 0) pendingAt[host].insert(method);
    return added;
}

int InheritancePhases::storeInherited(const InternalName& host, const InternalName& method,
                                      const InternalName* args, int argCount, int type,
                                      const InternalName& value, const InternalName& source) {
    std::vector<InternalName> fact{host, method};
    if (args != nullptr) fact.insert(fact.end(), args, args + argCount);
    // A scalar method takes no value beside the one it has; a set no member twice.
    fact.push_back(setValued(type) ? value : Free);
    const int width = static_cast<int>(fact.size());
    if (yieldsRow(access.makeRefIter(MethodType(type), fact.data(), width, nullptr))) return 0;
    storing = true;
    access.insertValue(host, method, args, argCount, MethodType(type), value);
    storing = false;
    fact.back() = value;
    if (!yieldsRow(access.makeRefIter(MethodType(type), fact.data(), width, nullptr))) return 0;
    const InheritedValues::Slot slot{type, method,
                                     std::vector<InternalName>(args, args + argCount)};
    inheritedValues.add(host, slot, value, source);
    if (addingOnly) queried.push_back({host, slot, value});
    return 1;
}

void InheritancePhases::withdrawQueried() {
    OM* const om = access.om();
    if (om != nullptr) {
        for (const Queried& fact : queried) {
            const std::vector<InternalName>* held = inheritedValues.find(fact.host, fact.slot);
            // A value that became own since stays.
            if (held == nullptr || std::find(held->begin(), held->end(), fact.value) == held->end())
                continue;
            const int argCount = static_cast<int>(fact.slot.args.size());
            om->removeMethodValue(fact.host, fact.slot.method,
                                  argCount != 0 ? fact.slot.args.data() : nullptr, argCount,
                                  fact.slot.type, fact.value);
            inheritedValues.forget(fact.host, fact.slot, fact.value);
        }
    }
    queried.clear();
}

void InheritancePhases::giveWayToOwn(const InternalName& host, const InternalName& method,
                                     const InternalName* args, int argCount, int type,
                                     const std::vector<InternalName>& own) {
    if (type < 0 || type > 5 || own.empty()) return;
    const InheritedValues::Slot slot{type, method,
                                     args != nullptr
                                         ? std::vector<InternalName>(args, args + argCount)
                                         : std::vector<InternalName>()};
    const std::vector<InternalName>* marked = inheritedValues.find(host, slot);
    if (marked == nullptr) {
        const std::vector<InternalName>* confirmed = inheritedValues.confirmed(host, slot);
        OM* const om = access.om();
        if (confirmed == nullptr || om == nullptr) return;
        for (const InternalName& value : own) {
            if (std::find(confirmed->begin(), confirmed->end(), value) != confirmed->end())
                continue;
            inheritedValues.noteConflict(host, slot, om->changeStamp());
            return;
        }
        return;
    }
    std::vector<InternalName> keep;
    for (const InternalName& value : *marked)
        if (std::find(own.begin(), own.end(), value) != own.end()) keep.push_back(value);
    withdrawInherited(host, slot, keep);
    if (!keep.empty()) inheritedValues.confirm(host, slot, keep);
}

void InheritancePhases::withdrawInherited(const InternalName& host,
                                          const InheritedValues::Slot& slot,
                                          const std::vector<InternalName>& keep,
                                          const InternalName& from, bool conflict) {
    const std::vector<InternalName>* marked = inheritedValues.find(host, slot);
    OM* const om = access.om();
    if (marked == nullptr || om == nullptr) return;
    const std::vector<InternalName> values = *marked;
    const int argCount = static_cast<int>(slot.args.size());
    const InternalName* args = argCount != 0 ? slot.args.data() : nullptr;
    int removed = 0;
    for (const InternalName& value : values) {
        if (std::find(keep.begin(), keep.end(), value) != keep.end()) continue;
        removed += om->removeMethodValue(host, slot.method, args, argCount, slot.type, value);
    }
    withdrawn += removed;
    // What stays is own from now on, and the host takes no inherited value beside it.
    inheritedValues.forget(host, slot);
    if (removed != 0 && conflict) inheritedValues.noteConflict(host, slot, om->changeStamp(), from);
}

void InheritancePhases::classValues(const InternalName& cls, int stored,
                                    const InheritedValues::Slot& slot,
                                    std::vector<InternalName>& values) {
    std::vector<InternalName> cells{cls, slot.method};
    cells.insert(cells.end(), slot.args.begin(), slot.args.end());
    cells.push_back(Free);
    const int count = static_cast<int>(cells.size());
    values.clear();
    const auto rows =
        Ref<Iterator>::adopt(access.lookup(MethodType(stored), cells.data(), count, nullptr));
    for (bool more = rows && rows->first(); more; more = rows->next()) {
        const InternalName value = rows->atColumn(count);
        if (!setValued(slot.type) || value.getType() != InternalName::SetName) {
            values.push_back(value);
            continue;
        }
        appendColumn(values, Ref<Iterator>::adopt(access.setIterator(value, nullptr)), 1);
    }
}

InternalName InheritancePhases::givingClass(const set<InternalName>& classes, int stored,
                                            const InheritedValues::Slot& slot,
                                            std::vector<InternalName>& values) {
    for (auto item = classes.first_item(); item != nullptr; item = classes.next_item(item)) {
        classValues(classes.key(item), stored, slot, values);
        if (!values.empty()) return classes.key(item);
    }
    return Free;
}

bool InheritancePhases::tieOffersOther(const set<InternalName>& classes, int stored,
                                       const InheritedValues::Slot& slot,
                                       const InternalName& giving,
                                       const std::vector<InternalName>& offered) {
    std::vector<InternalName> values;
    for (auto item = classes.first_item(); item != nullptr; item = classes.next_item(item)) {
        if (classes.key(item) == giving) continue;
        classValues(classes.key(item), stored, slot, values);
        if (values.empty()) continue;
        std::sort(values.begin(), values.end());
        values.erase(std::unique(values.begin(), values.end()), values.end());
        if (values != offered) return true;
    }
    return false;
}

bool InheritancePhases::yieldToMoreSpecific(const InternalName& host, int stored,
                                            const InheritedValues::Slot& slot,
                                            const set<InternalName>& classes) {
    const std::vector<InternalName>* held = inheritedValues.find(host, slot);
    if (held == nullptr) return false;
    // Within one inherited lookup the classes have taken what they inherit before their hosts
    // ask, and hosts share their classes: each set of classes is asked once a slot.
    std::vector<InternalName> key{InternalName(stored, InternalName::Integer, 0), slot.method};
    key.insert(key.end(), slot.args.begin(), slot.args.end());
    for (auto item = classes.first_item(); item != nullptr; item = classes.next_item(item))
        key.push_back(classes.key(item));
    // Outside a lookup the one answer is kept only until the next.
    if (!inRetrieval) givingClasses.clear();
    auto known = givingClasses.find(key);
    if (known == givingClasses.end()) {
        std::vector<InternalName> values;
        const InternalName cls = givingClass(classes, stored, slot, values);
        std::sort(values.begin(), values.end());
        values.erase(std::unique(values.begin(), values.end()), values.end());
        known = givingClasses.emplace(std::move(key), std::make_pair(cls, std::move(values))).first;
    }
    const InternalName giving = known->second.first;
    if (!isBound(giving)) return false;
    const std::vector<InternalName>& offered = known->second.second;
    std::vector<InternalName> had = *held;
    std::sort(had.begin(), had.end());
    // The same values, from the class they came from or from a more specific one: nothing read
    // changes. The class recorded may then be a less specific one; should the values change
    // later, the blocking of that class steps back once more, to the class between.
    // A value whose class is not known (a base filled again from its printed form) stays.
    const InternalName source = inheritedValues.source(host, slot);
    if (had == offered) {
        // The class the values came from is no longer among the most specific ones, and these
        // tie with classes that offer other values: the host may have reached the class that
        // now offers the same values through those very values (a rule that reclasses by
        // them), and without them another class would decide. The values give way, with what
        // was derived from them; the run without them decides the tie.
        if (!isBound(source) || classes.member(source) ||
            !tieOffersOther(classes, stored, slot, giving, offered))
            return false;
        withdrawInherited(host, slot, {}, source);
        return true;
    }
    if (!isBound(source)) return false;
    const int argCount = static_cast<int>(slot.args.size());
    const InternalName* args = argCount != 0 ? slot.args.data() : nullptr;
    if (giving != source && anyBlocked() &&
        isBlocked(host, slot.type, slot.method, args, argCount, giving))
        return false;
    if (giving != source) {
        withdrawInherited(host, slot, {}, source);
        return true;
    }
    // The class's own values changed since the host took them. Members that an own set of the
    // class added to what it inherited come to the host as well.
    if (setValued(slot.type) &&
        std::includes(offered.begin(), offered.end(), had.begin(), had.end())) {
        for (const InternalName& value : offered) {
            if (std::binary_search(had.begin(), had.end(), value)) continue;
            if (!triggersFlushed) {
                if (triggers == nullptr) continue;
                triggers->append(Trigger(host, slot.method, args, argCount, MethodType(slot.type),
                                         value, source));
                pendingAt[host].insert(slot.method);
            } else {
                newFactCount +=
                    storeInherited(host, slot.method, args, argCount, slot.type, value, source);
            }
        }
        return false;
    }
    // Values the class had inherited gave way to its own: that conflict steps back, and the
    // host takes the class's values now.
    withdrawInherited(host, slot, {}, source, false);
    return true;
}

std::string InheritancePhases::slotForm(const std::string& hostForm, int type,
                                        const InternalName& method, const InternalName* args,
                                        int argCount) {
    // Printed forms hold no control characters: one separates the parts.
    std::string form = hostForm;
    form += '\x1f';
    form += std::to_string(type);
    form += '\x1f';
    appendForm(method, form);
    for (int i = 0; i < argCount; ++i) {
        form += '\x1f';
        appendForm(args[i], form);
    }
    return form;
}

void InheritancePhases::appendForm(const InternalName& name, std::string& out) {
    const std::size_t before = out.size();
    if (access.giveLexicalForm(name, out, 1, 0) != 0 && out.size() != before) return;
    // A name without a printed form is told apart by its number.
    out.resize(before);
    out += '#';
    out += name.ToString();
}

bool InheritancePhases::isBlocked(const InternalName& host, int type, const InternalName& method,
                                  const InternalName* args, int argCount,
                                  const InternalName& from) {
    if (!anyBlocked()) return false;
    std::string hostForm;
    appendForm(host, hostForm);
    if (blockedHosts.count(hostForm) == 0) return false;
    std::string form = slotForm(hostForm, type, method, args, argCount);
    std::string classForm;
    if (!slotBlocks(blockedSlots, form, from, classForm) &&
        !slotBlocks(replayedSlots, form, from, classForm))
        return false;
    std::pair<std::string, std::string> key{std::move(form), classForm};
    if (consultedBlockings.count(key) == 0) {
        MetBlocking met{host, slotOf(type, method, args, argCount), classForm.empty() ? Free : from,
                        key.first, classForm};
        consultedBlockings.emplace(std::move(key), std::move(met));
    }
    return true;
}

bool InheritancePhases::slotBlocks(const std::map<std::string, std::set<std::string>>& slots,
                                   const std::string& form, const InternalName& from,
                                   std::string& classForm) {
    classForm.clear();
    auto blocked = slots.find(form);
    if (blocked == slots.end()) return false;
    if (blocked->second.count(classForm) != 0) return true;
    if (!isBound(from)) return false;
    appendForm(from, classForm);
    return blocked->second.count(classForm) != 0;
}

std::size_t InheritancePhases::blockEarliestConflicts() {
    std::size_t added = 0;
    for (const InheritedValues::Conflict& conflict : inheritedValues.takeEarliestConflicts()) {
        std::string hostForm;
        appendForm(conflict.host, hostForm);
        const std::string form =
            slotForm(hostForm, conflict.slot.type, conflict.slot.method, conflict.slot.args.data(),
                     static_cast<int>(conflict.slot.args.size()));
        std::string classForm;
        if (isBound(conflict.from)) appendForm(conflict.from, classForm);
        if (blockedSlots[form].insert(classForm).second) ++added;
        blockedHosts.insert(hostForm);
    }
    return added;
}

bool InheritancePhases::blockingFounded(const MetBlocking& met) {
    const InheritedValues::Slot& slot = met.slot;
    std::vector<InternalName> cells{met.host, slot.method};
    cells.insert(cells.end(), slot.args.begin(), slot.args.end());
    cells.push_back(Free);
    const bool holds = yieldsRow(access.lookup(MethodType(slot.type), cells.data(),
                                               static_cast<int>(cells.size()), nullptr));
    // An own value keeps every blocking of the slot.
    if (holds && inheritedValues.find(met.host, slot) == nullptr) return true;
    if (!isBound(met.from)) return false;
    // A class blocking holds while another class gives the host its value first.
    int stored = 1000;
    int kind = 0;
    setCorrectTypes(slot.type, stored, kind);
    if (stored == 1000) return true;
    const std::unique_ptr<set<InternalName>> classes = classRetrieval(met.host, kind);
    std::vector<InternalName> offered;
    const InternalName giving = givingClass(*classes, stored, slot, offered);
    return isBound(giving) && giving != met.from;
}

std::size_t InheritancePhases::releaseUnfoundedBlockings() {
    std::size_t released = 0;
    for (const auto& [key, met] : consultedBlockings) {
        if (releasedBlockings.count(key) != 0 || blockingFounded(met)) continue;
        auto blocked = blockedSlots.find(met.slotForm);
        if (blocked == blockedSlots.end() || blocked->second.erase(met.classForm) == 0) continue;
        if (blocked->second.empty()) blockedSlots.erase(blocked);
        releasedBlockings.insert(key);
        ++released;
    }
    return released;
}

InheritancePhases::Blockings InheritancePhases::beginEvaluation() {
    Blockings lifted;
    for (const auto& key : releasedBlockings) {
        auto blocked = blockedSlots.find(key.first);
        if (blocked == blockedSlots.end() || blocked->second.erase(key.second) == 0) continue;
        if (blocked->second.empty()) blockedSlots.erase(blocked);
        lifted.insert(key);
    }
    releasedBlockings.clear();
    return lifted;
}

void InheritancePhases::holdForReplay(const Blockings& lifted) {
    replayedSlots.clear();
    // A lifted blocking keeps its host among the blocked hosts: they go only with the base.
    for (const auto& [slotForm, classForm] : lifted) replayedSlots[slotForm].insert(classForm);
}

void InheritancePhases::clearKeepingBlockings() {
    keepingBlockings = true;
    access.clear();
    keepingBlockings = false;
}

bool InheritancePhases::blockedOnRefill(const InternalName& host, const InternalName& method,
                                        const InternalName* args, int argCount, int type,
                                        const InternalName& value) {
    OM* const om = access.om();
    if (om == nullptr || type < 0 || type > 2) return true;
    if (!isBlocked(host, type, method, args, argCount)) return false;
    // Never inherited in the run to come; nothing is derived from it yet.
    om->removeMethodValue(host, method, args, argCount, type, value);
    return true;
}

void InheritancePhases::restoreInherited(const InternalName& host, const InternalName& method,
                                         const InternalName* args, int argCount, int type,
                                         const InternalName& value) {
    if (blockedOnRefill(host, method, args, argCount, type, value)) return;
    inheritedValues.add(host, slotOf(type, method, args, argCount), value);
}

void InheritancePhases::restoreConfirmed(const InternalName& host, const InternalName& method,
                                         const InternalName* args, int argCount, int type,
                                         const InternalName& value) {
    if (blockedOnRefill(host, method, args, argCount, type, value)) return;
    inheritedValues.confirm(host, slotOf(type, method, args, argCount), {value});
}

void InheritancePhases::beforeMerge(const InternalName& oldName, const InternalName& rep) {
    if (inheritedValues.empty() || oldName == rep) return;
    // Every key that names old or rep as host, method or argument may meet another key once old
    // is rep: the host's values of both then stand under one key.
    std::vector<std::pair<InternalName, InheritedValues::Slot>> touched;
    auto names = [&](const InternalName& name) { return name == oldName || name == rep; };
    inheritedValues.forEachSlot([&](const InternalName& host, const InheritedValues::Slot& slot) {
        if (names(host) || names(slot.method) ||
            std::any_of(slot.args.begin(), slot.args.end(), names))
            touched.emplace_back(host, slot);
    });
    for (const auto& [host, slot] : touched) settleMergedKey(host, slot, oldName, rep);
}

void InheritancePhases::settleMergedKey(const InternalName& host, const InheritedValues::Slot& slot,
                                        const InternalName& oldName, const InternalName& rep) {
    // The key's cells, host and method first; after the merge each old or rep cell is rep.
    std::vector<InternalName> cells{host, slot.method};
    cells.insert(cells.end(), slot.args.begin(), slot.args.end());
    std::vector<std::size_t> joined;
    for (std::size_t i = 0; i < cells.size(); ++i)
        if (cells[i] == oldName || cells[i] == rep) joined.push_back(i);
    // Keys with more than a few joined cells do not occur in practice; their other variants
    // are left to the merge.
    if (joined.empty() || joined.size() > 8) return;
    const bool mineHasOld = std::find(cells.begin(), cells.end(), oldName) != cells.end();
    for (unsigned variant = 0; variant < (1U << joined.size()); ++variant) {
        const std::vector<InternalName>* mine = inheritedValues.find(host, slot);
        if (mine == nullptr) return;
        std::vector<InternalName> other = cells;
        for (std::size_t bit = 0; bit < joined.size(); ++bit)
            other[joined[bit]] = (variant >> bit & 1U) != 0 ? oldName : rep;
        if (other == cells) continue;
        const InheritedValues::Slot otherSlot{
            slot.type, other[1], std::vector<InternalName>(other.begin() + 2, other.end())};
        // The other key's stored values.
        std::vector<InternalName> probe = other;
        probe.push_back(Free);
        const int width = static_cast<int>(probe.size());
        std::vector<InternalName> stored;
        appendColumn(stored,
                     Ref<Iterator>::adopt(
                         access.makeRefIter(MethodType(slot.type), probe.data(), width, nullptr)),
                     width);
        // A set value is stored as a set: its members are what was inherited there.
        std::vector<InternalName> theirs;
        for (const InternalName& value : stored) {
            if (!setValued(slot.type) || value.getType() != InternalName::SetName) {
                theirs.push_back(value);
                continue;
            }
            appendColumn(theirs, Ref<Iterator>::adopt(access.setIterator(value, nullptr)), 1);
        }
        if (theirs.empty()) continue;
        const std::vector<InternalName>* inheritedThere = inheritedValues.find(other[0], otherSlot);
        std::vector<InternalName> own;
        for (const InternalName& value : theirs)
            if (inheritedThere == nullptr ||
                std::find(inheritedThere->begin(), inheritedThere->end(), value) ==
                    inheritedThere->end())
                own.push_back(value);
        if (!own.empty()) {
            // An own value stands; an equal inherited one is own from now on.
            std::vector<InternalName> keep;
            for (const InternalName& value : *mine)
                if (std::find(own.begin(), own.end(), value) != own.end()) keep.push_back(value);
            withdrawInherited(host, slot, keep);
            return;
        }
        if (!setValued(slot.type) && mineHasOld && theirs.front() != mine->front()) {
            // Two inherited values: the one under the key that goes stays out, and inheritance
            // may give the merged key its value again. Rules may have read the value that goes:
            // a conflict, as for an own value.
            withdrawInherited(host, slot, {});
            return;
        }
    }
}

std::unique_ptr<set<InternalName>> InheritancePhases::classRetrieval(const InternalName& x,
                                                                     int kind) {
    set<InternalName> classes;
    // The most specific members of the closure above x are among its direct classes (any other
    // member lies above one of them), so the direct ones suffice for instance-of and subclass.
    // The child relation keeps its closure.
    std::vector<InternalName> found;
    appendColumn(
        found,
        Ref<Iterator>::adopt(kind == 3 ? access.makeEnhIsaIter(x, Free, IsaRelation(kind), nullptr)
                                       : access.makeIsaIter(x, Free, IsaRelation(kind), nullptr)),
        2);
    // x :: x always holds; x as its own class would be its only most specific one.
    for (const InternalName& c : found)
        if (isBound(c) && c != x) classes.insert(c);
    const int relation = kind == 3 ? 3 : 2;
    if (classes.size() < 2 || !inRetrieval) return access.mostSpecificClasses(classes, relation);
    // Many hosts share their direct classes, and within one inherited lookup the hierarchy does
    // not change (inheritance stores method values only): each set is reduced once.
    std::vector<InternalName> key{InternalName(relation, InternalName::Integer, 0)};
    for (auto item = classes.first_item(); item != nullptr; item = classes.next_item(item))
        key.push_back(classes.key(item));
    auto known = specificClasses.find(key);
    if (known == specificClasses.end()) {
        known =
            specificClasses.emplace(std::move(key), *access.mostSpecificClasses(classes, relation))
                .first;
    }
    return std::make_unique<set<InternalName>>(known->second);
}
