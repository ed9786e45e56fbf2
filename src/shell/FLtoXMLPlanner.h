// FLtoXMLPlanner: how the XML export writes an entry, decided once for each class set and key.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "access/OMAccess.h"
#include "access/SignatureKey.h"
#include "foundation/set.h"
#include "objectbase/FSymbol.h"
#include "objectbase/FrameWalk.h"
#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"
#include "objectbase/OM.h"
#include "shell/NameMarks.h"

class Iterator;
class XMLDumpFormatter;

// The objects of an export are grouped by the sequence of their classes (a class set): whether
// an object is a member of a class, its element name, and how each of its entries is written
// depend on that sequence alone, so they are found once for each and kept for the length of one
// export. The questions asked for every entry (memberOf, classSetOf, planOf) answer from what is
// kept in a few inline instructions, and go out of line only to find what is not kept yet.
class FLtoXMLPlanner {
  public:
    // How the entries of one method (with its number of arguments and its arrow) are written for
    // the hosts of one sequence of classes: the signature that decides it depends on that key
    // only, so it is looked up once for each key, not once an entry, and what writing an entry
    // needs of it is kept beside it.
    struct EntryPlan {
        InternalName method;
        int argCount = 0;
        int type = 0;
        // Whether a class of the sequence declares a signature for the entry; the first that
        // does, and the result that signature names (a class or a set of classes).
        bool declared = false;
        InternalName declaring;
        InternalName result;
        // Made on first use: the result class, the method's XML name, and for a method with
        // arguments the rows of every signature the declaring class has for it.
        bool prepared = false;
        InternalName resultClass;
        // Whether a set-valued entry's result class is the built-in string class or below it.
        bool stringResult = false;
        std::string methodName;
        // The opening of its attribute in an element at the top level: a line feed, the indent
        // of two blanks, the XML name and the quote.
        std::string topAttributeHead;
        const std::vector<InternalName>* signatureRows = nullptr;
        // Whether a string, an integer or a float without a frame of its own (by that order) is
        // a member of resultClass: the answer depends on the kind alone, so the writing walk
        // asks it once a plan. LiteralAnswers::no or yes, 0 until asked.
        std::uint8_t literalAnswers[3] = {};
        // For an entry with arguments, the same for the result of any of its signatures: a row
        // whose value is a member of none writes nothing, whatever its arguments.
        std::uint8_t rowLiteralAnswers[3] = {};
    };
    // A sequence of classes shared by hosts, with the plans of the entries its hosts have.
    struct ClassSet {
        std::vector<InternalName> classes;
        std::vector<EntryPlan*> plans;
        // The element name of a host of the sequence that is not a member of itself.
        bool typeClassKnown = false;
        InternalName typeClass;
        // Whether its objects are members of a class, for the classes asked so far.
        std::vector<std::pair<InternalName, bool>> memberships;
        // The XML name of typeClass, once asked.
        bool elementNameKnown = false;
        std::string elementName;
    };
    // The answers kept by kind or class: no or yes, 0 until asked.
    struct LiteralAnswers {
        static constexpr std::uint8_t no = 1;
        static constexpr std::uint8_t yes = 2;
        NameMarks<std::uint8_t> byKind[3];
        NameMarks<std::uint8_t>& of(const InternalName& value) {
            const int kind = value.getType();
            return byKind[kind == InternalName::String ? 0 : kind == InternalName::Integer ? 1 : 2];
        }
        void clear() {
            for (NameMarks<std::uint8_t>& answers : byKind) answers.clear();
        }
    };

    // Starts an export through the access layer, naming with the formatter.
    void begin(OMAccess* through, XMLDumpFormatter* names) {
        access = through;
        xml = names;
    }
    // Forgets what the export found: the next starts afresh, the base may have changed.
    void forget();

    // What the walks of one export read, decided once at its start.
    // Whether the value an entry stores is what a lookup of the entry answers (no evaluation
    // is open to add inherited values).
    bool storedValuesAnswer = false;
    // While the stored values answer (the base stays as it is), the walk that finds the object
    // base's set frames and parameter frames in place; null otherwise.
    const FrameWalk* setFramesRead = nullptr;
    const FrameWalk* paramFramesRead = nullptr;
    // Once the walk that finds the nested objects met every object of a base that stays as it
    // is, the objects with frames (marked with their places in its list plus one): whether a
    // string or number has a frame is read here. Null until then.
    const NameMarks<std::uint32_t>* framed = nullptr;
    // Whether no string or number has a frame, decided once an export after the nesting walk:
    // whether one is a member of a class then depends on its kind alone.
    bool literalsByKind = false;

    // The set frame of a name, found in place when it can be.
    SetFrameView setFrameOf(const InternalName& name) {
        return setFramesRead != nullptr ? setFramesRead->findSet(name)
                                        : access->om()->setFrameOf(name);
    }
    // The values of a cell: the members of a set name in ascending order, or the cell itself.
    // The members are read in place from the set's frame; `visit` answers false to stop.
    template <class Visit>
    void forEachValue(const InternalName& cell, Visit visit) {
        if (cell.getType() != InternalName::SetName) {
            visit(cell);
            return;
        }
        const SetFrameView members = setFrameOf(cell);
        if (!members) return;
        for (const InternalName& member : members.memberSet().ascending())
            if (!visit(member)) break;
    }

    // Whether a value is a member of a class. An object's answer depends on its classes alone,
    // so it is found once for each sequence of classes; strings and numbers are asked directly.
    [[gnu::always_inline]] bool memberOf(const InternalName& value, const InternalName& cls) {
        const auto kind = value.getType();
        if (kind == InternalName::String || kind == InternalName::Integer ||
            kind == InternalName::Float)
            return literalMemberOf(value, cls);
        return classSetMemberOf(classSetOf(value), value, cls);
    }
    // A string or number without classes of its own: its answer depends on its kind alone.
    // Once the walk met every object, one without a frame is answered from what is kept.
    bool literalMemberOf(const InternalName& value, const InternalName& cls) {
        if (framed != nullptr && framed->get(value) == 0) {
            const std::uint8_t known = literalMemberships.of(value).get(cls);
            if (known != 0) return known == LiteralAnswers::yes;
        }
        return literalMemberFound(value, cls);
    }
    // memberOf for an object of a class set.
    bool classSetMemberOf(int classSet, const InternalName& value, const InternalName& cls) {
        for (const auto& [asked, answer] : classSets[std::size_t(classSet)].memberships)
            if (asked == cls) return answer;
        return classSetMembershipFound(classSet, value, cls);
    }
    // memberOf for the value of an entry without arguments of the plan, in its result class.
    bool planMemberOf(EntryPlan& plan, const InternalName& value) {
        const int kind = value.getType();
        if (kind == InternalName::String || kind == InternalName::Integer ||
            kind == InternalName::Float) {
            if (framed == nullptr || framed->get(value) != 0)
                return literalMemberOf(value, plan.resultClass);
            return literalAnswer(plan, value);
        }
        return classSetMemberOf(classSetOf(value), value, plan.resultClass);
    }
    // planMemberOf for a string or number while literalsByKind holds.
    bool literalAnswer(EntryPlan& plan, const InternalName& value) {
        const int kind = value.getType();
        std::uint8_t& known = plan.literalAnswers[kind == InternalName::String    ? 0
                                                  : kind == InternalName::Integer ? 1
                                                                                  : 2];
        if (known == 0)
            known =
                literalMemberOf(value, plan.resultClass) ? LiteralAnswers::yes : LiteralAnswers::no;
        return known == LiteralAnswers::yes;
    }
    // Whether a value row of an entry with arguments, with the value, may write anything: not
    // when the value is a string or number without a frame that no result of the plan's
    // signatures takes.
    bool rowMayWrite(EntryPlan& plan, const InternalName& value) {
        const int kind = value.getType();
        if (kind != InternalName::String && kind != InternalName::Integer &&
            kind != InternalName::Float)
            return true;
        if (!literalsByKind && (framed == nullptr || framed->get(value) != 0)) return true;
        const std::size_t at = kind == InternalName::String    ? 0
                               : kind == InternalName::Integer ? 1
                                                               : 2;
        const std::uint8_t known = plan.rowLiteralAnswers[at];
        return known != 0 ? known == LiteralAnswers::yes : rowLiteralFound(plan, value, at);
    }

    // The number of the sequence of an object's classes; `frame` is the object's frame when
    // the caller has it.
    int classSetOf(const InternalName& object, ObjectFrameView frame = {}) {
        const int seen = hostSets.get(object) - 1;
        return seen >= 0 ? seen : classSetFound(object, frame);
    }
    // The class set an object was given, -1 when none yet.
    int knownClassSet(const InternalName& object) const { return hostSets.get(object) - 1; }
    int classSetFound(const InternalName& object, ObjectFrameView frame);
    // The same by the set frame of the object's direct classes, null when it has none.
    int classSetOfSet(const InternalName& object, SetFrameView direct);
    // Makes room for the marks of objects numbered below `count`.
    void reserveObjects(std::size_t count) { hostSets.reserveObjects(count); }
    const ClassSet& classSet(int number) const { return classSets[std::size_t(number)]; }
    std::size_t classSetCount() const { return classSets.size(); }

    // The plan of an entry of a host of the class sequence; kept until the end of the body.
    // `hint` is the entry's place among the object's entries with values.
    EntryPlan& planOf(int classSet, const InternalName& method, int argCount, int type,
                      std::size_t hint) {
        // A host has a handful of methods, and the hosts of a sequence mostly have the same
        // entries in the same order: the plan at the hint's place is mostly the one.
        const std::vector<EntryPlan*>& known = classSets[std::size_t(classSet)].plans;
        if (hint < known.size()) {
            EntryPlan* plan = known[hint];
            if (plan->method == method && plan->argCount == argCount && plan->type == type)
                return *plan;
        }
        return planFound(classSet, method, argCount, type);
    }
    // planOf answering the plan's place among its class set's plans.
    std::size_t planPlace(int classSet, const InternalName& method, int argCount, int type,
                          std::size_t hint) {
        const std::vector<EntryPlan*>& known = classSets[std::size_t(classSet)].plans;
        if (hint < known.size()) {
            const EntryPlan* plan = known[hint];
            if (plan->method == method && plan->argCount == argCount && plan->type == type)
                return hint;
        }
        return planPlaceFound(classSet, method, argCount, type);
    }
    // Fills in what writing an entry needs of its plan, once.
    void prepare(EntryPlan& plan);
    // Whether a signature without arguments names a built-in literal class (string, numeric,
    // literal) among its results: its values are never nested.
    bool namesBuiltinResult(int type, const InternalName& cls, const InternalName& method);

    // The one class of a set of classes, or the first of its most specific ones.
    InternalName mostSpecific(const set<InternalName>& classes);
    // The built-in class or a subclass of it.
    bool literalClass(const InternalName& cls, const InternalName& literal, const FSymbol& symbol);
    // A built-in class: its object, or the plain-mode class named by its symbol.
    bool isBuiltin(const InternalName& cls, const InternalName& builtin, const FSymbol& symbol);

    // The XML name of a value: an object's is made once however often it is written, a
    // string's (mostly written once) each time.
    const std::string& xmlNameOf(const InternalName& value);
    // The element name of an object: the most specific of its classes that take part in
    // signatures.
    InternalName typeClassOf(const InternalName& object, int classSet);
    // The XML name of the element name typeClassOf gave for an object of the class set.
    const std::string& elementNameOf(const InternalName& element, int classSet);
    // "<", the element name and " id='", how an element of the class set opens, once its
    // element name is known (elementNameKnown).
    const std::string& elementOpening(int classSet) const {
        return elementOpenings[std::size_t(classSet)];
    }

  private:
    bool literalMemberFound(const InternalName& value, const InternalName& cls);
    bool classSetMembershipFound(int classSet, const InternalName& value, const InternalName& cls);
    bool rowLiteralFound(EntryPlan& plan, const InternalName& value, std::size_t at);
    // The same for an object whose class set is not kept by its one direct class; `direct` is
    // the set frame of its direct classes.
    int classSetOfDirect(const InternalName& object, SetFrameView direct);
    // The same, walking the object's classes.
    int classSetAbove(const InternalName& object);
    // The number of the sequence of classes, a new one when no object had it yet, for the
    // object.
    int classSetOfClasses(const InternalName& object, const std::vector<InternalName>& classes);
    EntryPlan& planFound(int classSet, const InternalName& method, int argCount, int type);
    std::size_t planPlaceFound(int classSet, const InternalName& method, int argCount, int type);
    // The rows a signature lookup (arrow `type`) of the method at the class answers, looked up
    // once an export.
    const std::vector<InternalName>& signatureRows(int type, const InternalName& cls,
                                                   const InternalName& method, int argCount);
    // A class, or the most specific member of a set of classes.
    InternalName resultClass(const InternalName& cls);
    // Whether a class lies below a built-in literal class, asked once for each pair. A
    // literal's plain-mode class (the name its symbol is bound to) is looked up once: an export
    // asks about the result class of every signature, mostly a different one each time.
    struct LiteralClassAnswers {
        InternalName literal;
        // LiteralAnswers::no or yes, 0 until asked.
        NameMarks<std::uint8_t> answers;
        bool boundKnown = false;
        bool named = false;
        InternalName bound;
        // Whether every class below the literal class and below `bound` is in `answers`.
        bool belowKnown = false;
    };
    bool literalClassFound(LiteralClassAnswers& known, const InternalName& cls,
                           const FSymbol& symbol);
    // Finds `bound` and `named` once.
    void literalClassBound(LiteralClassAnswers& known, const FSymbol& symbol);

    OMAccess* access = nullptr;
    XMLDumpFormatter* xml = nullptr;

    struct ClassesHash {
        std::size_t operator()(const std::vector<InternalName>& classes) const;
    };
    // The class sets by their classes, hashed flat: a set's number plus one, 0 for a free slot.
    std::vector<std::uint32_t> classSetSlots;
    // The class set of the objects with the same direct classes: an object's classes are its
    // direct ones and every class above them, so the closure is walked once for each.
    std::unordered_map<std::vector<InternalName>, int, ClassesHash> directSetNumbers;
    // The same for the objects of one direct class, by that class (plus one), found without a
    // list of the classes.
    NameMarks<std::int32_t> setsOfOnlyClass;
    std::vector<ClassSet> classSets;
    // The class set of an object plus one.
    NameMarks<std::int32_t> hostSets;
    // The plans, where they stay while more are made.
    std::deque<EntryPlan> plans;
    // By literal (string, literal): a few at most.
    std::vector<LiteralClassAnswers> literalClasses;
    // The walk over an object's classes and what it found, kept for their storage.
    Ref<Iterator> classWalk;
    std::vector<InternalName> classesScratch;
    std::vector<InternalName> directScratch;
    // The answers of literalMemberOf by kind (string, integer, float), by class: no or yes.
    LiteralAnswers literalMemberships;
    // Whether a class is the built-in object class (or its plain-mode class): 1 no, 2 yes.
    NameMarks<std::uint8_t> objectClasses;
    // Whether a result class is a built-in literal class: 1 no, 2 yes.
    NameMarks<std::uint8_t> builtinResults;
    // The rows of the signature lookups of the export (columns from the first on), by arrow,
    // class, method and number of arguments: the plans of many class sets and the nesting walk
    // ask the same few again and again. Hashed flat: the key and its rows, which stay where they
    // are (in the walk over the signatures, or in `lookedUpRows`) until the end of the body.
    struct RowsSlot {
        SignatureKey key{MethodType::Scalar, Free(), Free(), -1};
        const std::vector<InternalName>* rows = nullptr;
        static InternalName Free() { return InternalName::UndefinedObject; }
    };
    std::vector<RowsSlot> rowsSlots;
    std::size_t rowsTaken = 0;
    std::deque<std::vector<InternalName>> lookedUpRows;
    // The XML names of the objects asked for, each made once: its place in `texts` plus one
    // by the name. A deque keeps the names in place while more are added.
    struct KeptNames {
        NameMarks<std::uint32_t> numbers;
        std::deque<std::string> texts;
        void clear() {
            numbers.clear();
            texts.clear();
        }
    };
    KeptNames xmlNames;
    std::string stringXmlName;
    // By class set: "<", the element name and " id='", how an element of the set opens, made
    // with its elementName.
    std::vector<std::string> elementOpenings;
};
