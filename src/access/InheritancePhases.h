// InheritancePhases: the insertion phases in which classes pass their values on to members and
// subclasses, the record of what was inherited, and the blockings an evaluation steps back with.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "access/InheritedValues.h"
#include "foundation/set.h"
#include "objectbase/InternalName.h"

class Iterator;
class OMAccess;
struct Trigger;
template <class T>
class clib_list;

// Owned by one OMAccess and made with it; it keeps a reference back to that access layer and
// reaches the base only through it (lookups, inserts, the class hierarchy), so that an access
// layer's overrides (a Web layer's inserts that load documents) act on inherited values too.
// The access layer keeps the phase protocol's entry points and the insert trace; this class
// keeps the phase state and does the inheriting.
//
// Method types as in OMAccess; the inheritable types 3 to 5 pass a value on to members (as 0 to
// 2) or to subclasses (as themselves).
class InheritancePhases {
  public:
    explicit InheritancePhases(OMAccess& access);
    InheritancePhases(const InheritancePhases&) = delete;
    InheritancePhases& operator=(const InheritancePhases&) = delete;
    ~InheritancePhases();

    // The phase itself. The access layer opens and closes it around its trace; open is only
    // called while no phase is open. A buffered phase queues inherited values until it ends.
    bool isOpen() const { return phaseOpen; }
    void open(bool buffered);
    // The open direct phase stores every value an inherited lookup finds (not only the first)
    // and then lets the stored values answer.
    void storeEverything() { fullPhase = true; }
    // The open phase answers a query: it inherits what is missing but withdraws no value
    // inherited before, so that the next evaluation reads the base the last one left (a
    // withdrawal here would not take back what was derived from the value).
    void onlyAdd() { addingOnly = true; }
    // After the query's answers are made: the values its phases stored go again, so that the
    // base is the one the last evaluation left.
    void withdrawQueried();
    // Stores what a buffered phase queued; true when the phase was buffered.
    bool flushQueued();
    // Ends the phase and forgets the deferred methods; true when one was open.
    bool close();
    int newFacts() const { return newFactCount; }
    int takeNewFacts();
    // The number of queued values (0 without a queue).
    int pendingTriggers() const;

    // The first stage of the lookup cascade: inherited values, while a phase is open, for the
    // method types that inherit. Null when this stage does not answer.
    Iterator* inheritedLookup(int type, const InternalName* tuple, int count);
    Iterator* inheritedRetrieval(int type, InternalName* tuple, int count);
    Iterator* inheritedRetrievalForHost(int type, InternalName* tuple, int count);
    // stored := the inheritable type a method type is looked up as, kind := the relation along
    // which it flows (1 class to instance, 2 class to subclass).
    static void setCorrectTypes(int type, int& stored, int& kind);
    // A new set of the most specific classes of x for relation kind k (x itself left out).
    std::unique_ptr<set<InternalName>> classRetrieval(const InternalName& x, int kind);
    // The class's value in the row goes to the host unless the host has one of its own: stored
    // at once in a direct phase, queued in a buffered one. Answers the number of facts stored or
    // queued.
    int insertBuffered(Iterator* row, const InternalName& host, int count, int type);
    // Stores one inherited value; 1 when the fact is new in the base. Counted by looking at the
    // base, not by the insert's answer, which says whether a delta tuple was recorded. A scalar
    // value is never stored beside another one: inheritance never equates objects.
    // `source` is the class the value comes from.
    int storeInherited(const InternalName& host, const InternalName& method,
                       const InternalName* args, int argCount, int type, const InternalName& value,
                       const InternalName& source);
    // Set while storeInherited inserts, so the insert does not count as an own value.
    bool storingInherited() const { return storing; }

    // An own value (or own members) for host.method@(args) is about to be stored: the values
    // the host inherited there give way. An inherited value equal to an own one becomes own.
    void giveWayToOwn(const InternalName& host, const InternalName& method,
                      const InternalName* args, int argCount, int type,
                      const std::vector<InternalName>& own);
    // The values inheritance stored and that are still inherited.
    const InheritedValues& inherited() const { return inheritedValues; }
    // How many inherited values own ones replaced since the access layer was made.
    int withdrawnValues() const { return withdrawn; }

    // An own value that replaces inherited ones is a conflict: whatever was derived from the
    // inherited values must go as well. The evaluator steps back: it blocks the slots of the
    // earliest round with conflicts, empties the base keeping the blockings, and evaluates again.
    bool conflictsPending() const { return inheritedValues.conflictsPending(); }
    // Blocks the slots of the conflicts of the earliest round that had any and forgets the
    // conflicts; the number of slots newly blocked (none when all were blocked already).
    std::size_t blockEarliestConflicts();
    void forgetConflicts() { inheritedValues.forgetConflicts(); }
    // Empties the base (through the access layer) but keeps the blockings.
    void clearKeepingBlockings();
    // A base emptied and filled again from its printed form: the stored value host.method@(args)
    // was inherited. Recorded as such, or taken out of the base when the slot is blocked now.
    void restoreInherited(const InternalName& host, const InternalName& method,
                          const InternalName* args, int argCount, int type,
                          const InternalName& value);
    // After the base was filled again: the own value was confirmed equal to an inherited one.
    // Recorded as such, or taken out of the base when the slot is blocked now: it may have been
    // derived from the inherited value, which the run to come does not inherit.
    void restoreConfirmed(const InternalName& host, const InternalName& method,
                          const InternalName* args, int argCount, int type,
                          const InternalName& value);
    // Whether the host inherits nothing for the method type, method and arguments: from any
    // class (an own value came), or from the class `from` (a more specific class came). Each
    // blocking met is remembered with the names of this base, for releaseUnfoundedBlockings.
    bool isBlocked(const InternalName& host, int type, const InternalName& method,
                   const InternalName* args, int argCount,
                   const InternalName& from = InternalName::UndefinedObject);
    // After a run with blockings: the blockings it met whose cause did not come in it (the
    // host has no own value for the slot, or the blocked class is the one that would give it
    // its value) go, so that the inherited value comes back in the next run. A blocking goes
    // once: should it come back, it stays (a value that only comes when the blocking holds
    // would never let the runs end). The number of blockings that went.
    std::size_t releaseUnfoundedBlockings();
    // Blockings by the printed forms of their slot and class.
    using Blockings = std::set<std::pair<std::string, std::string>>;
    // A new evaluation begins: the blockings that came back after they went for want of a
    // cause (an own value that comes only from the value it replaces) go, and every blocking
    // may go once more. They ended the runs of the last evaluation; in this one the clauses
    // added may give the host its value from another class, or another value from the same
    // class, and the slot is decided again. Answers the blockings that went.
    Blockings beginEvaluation();
    // While an earlier evaluation runs again to fill the base: the blockings that went when the
    // evaluations after it began hold again, as they held when it ran. Replaces the blockings
    // held so before; an empty set ends the holding.
    void holdForReplay(const Blockings& lifted);
    // While set, the phases inherit no value of these methods: rules may still give the hosts
    // values of their own, and the methods' turn comes when nothing else is inherited. Null
    // for none; the set is the caller's and must stay until it is reset. A phase's end resets it.
    void deferMethods(const std::set<InternalName>* methods) { deferred = methods; }

    // What the object manager tells the access layer about its names and its base.
    // Before old's frame goes into rep's: where one of the two holds an own value for a method
    // and arguments and the other an inherited one, the inherited one goes, so that no equality
    // of values comes from inheritance.
    void beforeMerge(const InternalName& oldName, const InternalName& rep);
    // After the merge: oldName is rep in the record as well.
    void remapName(const InternalName& oldName, const InternalName& rep) {
        inheritedValues.rename(oldName, rep);
    }
    // The record of inherited values goes with the values; the blockings stay only when the
    // base is emptied to evaluate again with them (clearKeepingBlockings).
    void baseCleared();

  private:
    OMAccess& access;

    bool phaseOpen = false;
    int newFactCount = 0;
    bool triggersFlushed = true;
    // Set in a direct phase that stores everything it finds.
    bool fullPhase = false;
    // Set in a phase that answers a query.
    bool addingOnly = false;
    // The values stored in phases that answered a query, since the last withdrawQueried.
    struct Queried {
        InternalName host;
        InheritedValues::Slot slot;
        InternalName value;
    };
    std::vector<Queried> queried;
    // The values a buffered phase queued; none outside one. A linked list: a value stored while
    // the queue is flushed may queue further values (through an access layer's inserts), and
    // those are flushed in the same walk.
    std::unique_ptr<clib_list<Trigger>> triggers;
    void deleteTriggers();
    void flushTriggers();
    // Whether a phase inserts only the first inherited fact it finds.
    bool oneFactPhase() const { return triggersFlushed && !fullPhase; }

    InheritedValues inheritedValues;
    bool storing = false;
    int withdrawn = 0;
    const std::set<InternalName>* deferred = nullptr;
    bool isDeferred(const InternalName& method) const {
        return deferred != nullptr && deferred->count(method) != 0;
    }

    // The blocked slots, each as the printed forms of its host, method type, method and
    // arguments: a base emptied and evaluated again may number objects made by rules otherwise,
    // and what a blocking names keeps its printed form. The hosts' forms alone, for a quick
    // look.
    // Each slot's blocked classes by their printed forms; the empty form blocks every class.
    std::map<std::string, std::set<std::string>> blockedSlots;
    std::set<std::string> blockedHosts;
    bool keepingBlockings = false;
    // A blocking met in the runs since the base was last emptied, with the names it has there;
    // keyed by the slot's form and the class's form.
    struct MetBlocking {
        InternalName host;
        InheritedValues::Slot slot;
        InternalName from;
        std::string slotForm;
        std::string classForm;
    };
    std::map<std::pair<std::string, std::string>, MetBlocking> consultedBlockings;
    // The blockings released once (slot form, class form): they do not go again.
    Blockings releasedBlockings;
    // The blockings that hold only while an earlier evaluation runs again (holdForReplay), as
    // blockedSlots keeps them.
    std::map<std::string, std::set<std::string>> replayedSlots;
    // Whether the slot's form blocks the class's form, or, with `from` bound and not blocked
    // from every class, the class `from` (its form then in `classForm`).
    bool anyBlocked() const { return !blockedSlots.empty() || !replayedSlots.empty(); }
    bool slotBlocks(const std::map<std::string, std::set<std::string>>& slots,
                    const std::string& form, const InternalName& from, std::string& classForm);
    bool blockingFounded(const MetBlocking& met);
    // Whether a value written out as inherited or confirmed stays out after a refill: its slot
    // is blocked now (the value is taken out of the base), or there is no base to hold it.
    bool blockedOnRefill(const InternalName& host, const InternalName& method,
                         const InternalName* args, int argCount, int type,
                         const InternalName& value);
    // The first of the most specific classes (in name order) holding a value for the slot,
    // looked up as `stored`, with the values it holds there (the members of a set value); the
    // class is undefined when none holds one.
    InternalName givingClass(const set<InternalName>& classes, int stored,
                             const InheritedValues::Slot& slot, std::vector<InternalName>& values);
    // The values the class holds for the slot, looked up as `stored` (the members of a set).
    void classValues(const InternalName& cls, int stored, const InheritedValues::Slot& slot,
                     std::vector<InternalName>& values);
    // Whether a class among `classes` other than `giving` holds values for the slot other than
    // `offered` (sorted, without duplicates).
    bool tieOffersOther(const set<InternalName>& classes, int stored,
                        const InheritedValues::Slot& slot, const InternalName& giving,
                        const std::vector<InternalName>& offered);
    // The host holds inherited values of the slot from a class that no longer gives them first:
    // a more specific class with other values reached the host since. They go, a conflict (the
    // values may have been read); true when they went.
    bool yieldToMoreSpecific(const InternalName& host, int stored,
                             const InheritedValues::Slot& slot, const set<InternalName>& classes);
    std::string slotForm(const std::string& hostForm, int type, const InternalName& method,
                         const InternalName* args, int argCount);
    // Appends the printed form of a name (strings quoted), or its number when it has none.
    void appendForm(const InternalName& name, std::string& out);
    // Takes the host's inherited values of the slot out of the base and the record, but those
    // in `keep`, which become own. Rules may have read a value that goes: a conflict.
    // `from` is the class the values came from when a more specific one replaces it (undefined
    // when an own value replaces them); no conflict when `conflict` is false (another conflict
    // steps back already).
    void withdrawInherited(const InternalName& host, const InheritedValues::Slot& slot,
                           const std::vector<InternalName>& keep,
                           const InternalName& from = InternalName::UndefinedObject,
                           bool conflict = true);
    // Before a merge: the host's inherited values of the slot against the values that come to
    // share their key once old is rep (the key itself excluded).
    void settleMergedKey(const InternalName& host, const InheritedValues::Slot& slot,
                         const InternalName& oldName, const InternalName& rep);

    // The hosts whose inheritance is being computed: a class hierarchy may hold cycles until the
    // equalities are applied, and a host met again on its own path inherits nothing more there.
    set<InternalName> retrievalPath;
    // The classes whose own inheritance one inherited lookup has already derived without an
    // answer: many hosts share their classes, and deriving a class again adds nothing (in a
    // buffered phase only the same triggers once more).
    set<InternalName> settledClasses;
    // While one inherited lookup runs: the most specific members of each set of direct classes
    // met (the first cell of a key is the relation kind).
    bool inRetrieval = false;
    std::map<std::vector<InternalName>, set<InternalName>> specificClasses;
    // While one inherited lookup runs: the class that gives a slot first among a set of most
    // specific classes, and its values sorted (the key: the stored type, method, arguments and
    // the classes).
    std::map<std::vector<InternalName>, std::pair<InternalName, std::vector<InternalName>>>
        givingClasses;
    // In a buffered phase: the methods each host has a value queued for, or waits for because
    // one of its most specific classes has. A host inherits nothing for such a method from
    // another class in the same phase, so it takes what a direct phase would give it: the value
    // of its first most specific class once that class holds its own.
    std::map<InternalName, std::set<InternalName>> pendingAt;
};
