// FLtoXMLSelection: what the XML export writes at the top level and what it nests in the
// element of the one entry that holds it.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "objectbase/InternalName.h"
#include "platform/ControlEvents.h"
#include "shell/FLtoXMLPlanner.h"
#include "shell/FLtoXMLShapeCache.h"
#include "shell/NameMarks.h"

class Iterator;
class OMAccess;

// An object held by one declared entry only is nested in the element of its holder instead of
// getting an element of its own. Step one walks the entries of every object and counts the
// holders of each value; step two asks, for each signature without arguments, whether the values
// its class's instances hold in entries of its method are held once each, and then nests them.
class FLtoXMLSelection {
  public:
    // The walk asks `planner` how each entry is written; `replay` says whether it replays the
    // steps decided for a host of a class set for the next of the same shapes.
    FLtoXMLSelection(FLtoXMLPlanner& planner, ShapeReplay replay)
        : planner(planner), replay(replay) {}

    // The shared values of step one and the nested names they leave; keeps the objects with
    // frames in `walked` for the writing walk. `docClass` is the document's class (its members
    // get no element), the undefined name for none.
    void collectNested(OMAccess* through, const InternalName& docClass);
    // Forgets the objects of the export.
    void clear();

    // Whether a value is nested in its holder.
    bool isNested(const InternalName& value) const { return nested.get(value) != 0; }

    // The objects with frames, and their frames, in the order of the object base's walk: the
    // walk that finds the nested objects keeps them for the walk that writes.
    FrameWalk walked;
    // The same names marked with their places in `walked` plus one. Once the walk met every
    // object of a base that stays as it is (walkedAll), the writing walk takes its objects from
    // `walked`, and whether a string or number has a frame, and the frame of a nested object,
    // are read here.
    NameMarks<std::uint32_t> walkedNames;
    bool walkedAll = false;
    // The objects nested in their holders (mark 1), for the length of one export.
    NameMarks<std::uint8_t> nested;
    // The same in the order they were found.
    std::vector<InternalName> nestedInOrder;

  private:
    // Whether a host of entries with values is a member of the document's class: its entries
    // then nest nothing. `hostSet` gets the host's class set when the answer needs it.
    bool hostOutsideDocument(const InternalName& host, ObjectFrameView frame,
                             const InternalName& docClass, int& hostSet);
    // The nesting walk when the stored values answer (no evaluation open, so nothing changes
    // while it runs). Step two asked every instance of a class for the values of each of the
    // class's signatures again, through its frame, a hash map of instances and one of class
    // sets: here the first walk keeps the values of the entries step two asks about, grouped
    // by the class set of their hosts, method and arrow, and step two reads the groups.
    void collectStoredNested(const InternalName& docClass);
    // Step two of the walk when the stored values answer: the values a signature's class's
    // instances hold in entries of its method are nested when none of them is shared and the
    // signature names no built-in literal class. The instances of a class are the hosts of the
    // class sets it belongs to, and their values are read from the groups the walk kept.
    void nestGroups(const InternalName& docClass);
    // The values of the entries without arguments of one method and arrow ("->" or "->>") of
    // the hosts of one class set: the candidates of the signatures of the set's classes.
    struct ValueGroup {
        // Some value is held by two declared entries (or twice by one).
        bool shared = false;
        // A signature whose candidates are all held once names the group.
        bool nests = false;
        // A signature that names no built-in literal class has the group among its candidates:
        // whether its values are shared is asked.
        bool asked = false;
    };
    std::vector<ValueGroup> valueGroups;
    // By class set and place among its plans: the number of the plan's group plus one.
    std::vector<std::vector<std::uint32_t>> planGroups;
    // A value of a group, in twelve bytes without a constructor: the list is made room for in
    // large steps, and nothing is written to its room before the values are. The value's bytes
    // are copied whole.
    struct GroupedValue {
        std::uint32_t group;
        unsigned char name[sizeof(InternalName)];
        InternalName value() const {
            InternalName value;
            std::memcpy(&value, name, sizeof value);
            return value;
        }
    };
    static_assert(std::is_trivially_copyable_v<InternalName>);
    // The values met so far, groupedCount of them, with room for groupedRoom.
    std::unique_ptr<GroupedValue[]> groupedValues;
    std::size_t groupedCount = 0;
    std::size_t groupedRoom = 0;
    // Makes room for `count` more values.
    void growGroupedValues(std::size_t count);
    // Adds `count` values to the group.
    [[gnu::always_inline]] void groupValues(std::uint32_t group, const InternalName* values,
                                            std::size_t count) {
        if (groupedRoom - groupedCount < count) [[unlikely]]
            growGroupedValues(count);
        GroupedValue* at = groupedValues.get() + groupedCount;
        for (std::size_t each = 0; each < count; ++each) {
            at[each].group = group;
            std::memcpy(at[each].name, &values[each], sizeof(InternalName));
        }
        groupedCount += count;
    }
    // Each value held by a declared entry: 1 while one entry holds it, 2 once shared.
    NameMarks<std::uint8_t> valueHolders;
    // The signatures without arguments the walk met: class, method, arrow.
    struct ClassSignature {
        InternalName cls;
        InternalName method;
        int type;
    };
    std::vector<ClassSignature> classSignatures;
    // The class sets by signature class (the class's mark minus one), for step two.
    NameMarks<std::uint32_t> signatureClassAt;
    std::vector<std::vector<int>> setsOfSignatureClass;
    // The nesting walk's steps for the hosts of one class set. What the walk does with an entry
    // depends on the class set of its host and the entry's key, and the hosts of a class set
    // mostly have entries of the same shapes (keys and kinds of value) in the same order: the
    // steps are decided for one host and replayed for the next whose shapes compare equal, one
    // number an entry, instead of finding the entry's plan and group for every host.
    struct EntryStep {
        enum Kind : std::uint8_t {
            Skip,
            // A signature without arguments, for step two.
            Signature,
            // A declared entry not asked about by step two: its value, or the members of its
            // set, count as held.
            Hold,
            HoldMembers,
            // The same for an entry with arguments: the values of its rows, read in place from
            // its parameter frame, or looked up.
            HoldRows,
            HoldLookedUp,
            // An entry step two asks about: its value, or the members of its set, join the
            // group, held when declared.
            Group,
            GroupMembers
        };
        // The shape of the entry it was decided for: the kind of the entry's value is part of
        // it, so a step replayed for an entry of the same shape meets the same kind of value.
        std::uint32_t shape = 0;
        Kind kind = Skip;
        bool declared = false;
        std::int16_t type = 0;
        std::int16_t argCount = 0;
        std::uint32_t group = 0;
        InternalName method;
    };
    // By class set; a step for each entry from the host's first entry with a value on.
    FLtoXMLShapeCache<EntryStep> hostShapes;
    // The set frame or parameter frame an entry's value names, found ahead of the entry's step
    // (`known`), so that it is in the cache by then; null when there is none.
    struct FoundFrame {
        bool known = false;
        SetFrameView set;
        ParamFrameView rows;
    };
    // Runs one step of the nesting walk for an entry of `host` storing `stored`.
    [[gnu::always_inline]] inline void runEntryStep(const EntryStep& step, const InternalName& host,
                                                    const InternalName& stored,
                                                    const FoundFrame& found);
    // Counts the values of the rows of an entry with arguments as held.
    void holdRowValues(const EntryStep& step, const InternalName& host, const InternalName& stored);
    [[gnu::always_inline]] void holdValue(const InternalName& value) {
        valueHolders.raise(value, 2);
    }
    // Counts the members of a set as held.
    void holdMembers(const InternalName& set);

    struct NameHash {
        std::size_t operator()(const InternalName& name) const;
    };
    using EntryPlan = FLtoXMLPlanner::EntryPlan;
    FLtoXMLPlanner& planner;
    const ShapeReplay replay;
    // True, from then on, once Ctrl-C or a farewell asks the export to stop: the walks look at
    // it once an object, as the handler's writing walk does.
    bool stopped() { return stopPoll.stop(); }
    controlEvents::StopPoll stopPoll{16};
    OMAccess* access = nullptr;
    // The pattern of a value lookup, kept for its storage.
    std::vector<InternalName> valuePattern;
};
