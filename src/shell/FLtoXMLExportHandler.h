// FLtoXMLExportHandler: the export of F-Logic objects as XML elements, shaped by the signatures.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "access/SignatureKey.h"
#include "foundation/set.h"
#include "objectbase/FSymbol.h"
#include "objectbase/FlatNameMap.h"
#include "objectbase/FrameWalk.h"
#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"
#include "shell/NameMarks.h"
#include "shell/XMLDumpFormatter.h"
#include "shell/XMLExportHandler.h"

class Iterator;
class MainMemObjFrame;
class MainMemSetFrame;
class MainMemParamFrame;
class MethodSlot;

// Signature-declared single values become attributes, sets of objects reference lists, entries
// with arguments child elements; an object held by one declared entry only is nested in the
// element of its holder instead of getting an element of its own.
class FLtoXMLExportHandler : public XMLExportHandler {
  public:
    explicit FLtoXMLExportHandler(OMAccess* access);

    bool isA(const std::string& className) const override;

    void writeHeader(ExportRequest& request) override;
    void writeTrailer(ExportRequest& request) override;
    void writeBody(ExportRequest& request) override;
    void writeObject(const InternalName& object, std::int32_t format) override;

  protected:
    ~FLtoXMLExportHandler() override;

  private:
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

    // The shared values of step one and the nested names they leave; keeps the objects with
    // frames in `walked` for the writing walk.
    void collectNested(const InternalName& docClass);
    // Whether a host of entries with values is a member of the document's class: its entries
    // then nest nothing. `hostSet` gets the host's class set when the answer needs it.
    bool hostOutsideDocument(const InternalName& host, const MainMemObjFrame* frame,
                             const InternalName& docClass, int& hostSet);
    // writeObject with the object's frame at hand, and its symbol when the caller read it.
    void writeElement(const InternalName& object, const MainMemObjFrame* frame,
                      const FSymbol* symbol = nullptr);
    // Builds the entries of an element (with text() nodes inside nested ones); answers how many
    // declared entries the object has.
    // `classSet` is the number of the object's classes, or -1 until the first entry asks for it.
    // With `head` (an element at the top level) the element's head is written into
    // `attributes`, the output itself, before its first declared entry.
    struct ElementHead;
    int writeEntries(const InternalName& object, const MainMemObjFrame* frame, int& classSet,
                     std::string& attributes, std::string& content, const std::string& indent,
                     bool textNodes, ElementHead* head = nullptr);
    // Adds one entry of the object to the attributes or the child content of the element being
    // built; `stored` is the value the entry stores.
    // `mapped`: whether the object stands for a value (isMapped).
    [[gnu::always_inline]] inline void writeEntry(const InternalName& object, bool mapped,
                                                  EntryPlan& plan, const InternalName& stored,
                                                  std::string& attributes, std::string& content,
                                                  const std::string& indent);
    // Appends the argument attributes of one value row to `out`, named after the signature's
    // argument classes (`signatureRow` holds its columns from the first on, `valueRow` its cells
    // from the first argument on).
    void argumentsText(std::string& out, int argCount, const InternalName* valueRow,
                       const InternalName* signatureRow);
    // Appends the element of a nested object, named after the method that holds it.
    void appendNestedElement(std::string& out, const InternalName& method,
                             const InternalName& object, const std::string& indent);
    // The attribute and child texts of an element being built, one pair for each depth of
    // nesting, emptied for a new element: their storage serves every element of the export.
    struct ElementText {
        std::string attributes;
        std::string content;
    };
    ElementText& elementText(std::size_t depth);
    // The child texts of an element at the top level, emptied: its attributes go straight into
    // the output.
    std::string& topContent() {
        if (elementTexts.empty()) return elementText(0).content;
        std::string& content = elementTexts[0]->content;
        content.clear();
        return content;
    }
    // Appends the XML name of a value (xmlNameOf).
    void appendXmlNameOf(const InternalName& value, std::string& out);
    // Appends the child elements of a value (each member of a set) of an entry with arguments
    // to `out`; `arguments` holds the argument attributes.
    void valueSetText(std::string& out, const InternalName& method, const InternalName& cls,
                      const InternalName& value, std::string& arguments);
    void singleValueText(std::string& out, const InternalName& method, std::string& arguments,
                         const InternalName& cls, const InternalName& value);
    // Whether a value is written inside its holder: nested, not already on the path of elements
    // being built (objects that hold each other would nest without end), and not deeper than
    // maxNesting: a chain of thousands of objects would exhaust the stack. An object not nested
    // is referred to by name and written at the top level.
    static constexpr std::size_t maxNesting = 256;
    // Most values are not nested: their answer is one mark.
    bool nestsHere(const InternalName& value) const {
        return nested.get(value) != 0 && nestsOnPath(value);
    }
    bool nestsOnPath(const InternalName& value) const;
    // The one class of a set of classes, or the first of its most specific ones.
    InternalName mostSpecific(const set<InternalName>& classes);
    // A class, or the most specific member of a set of classes.
    InternalName resultClass(const InternalName& cls);
    // A built-in class: its object, or the plain-mode class named by its symbol.
    bool isBuiltin(const InternalName& cls, const InternalName& builtin, const FSymbol& symbol);
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
    // The built-in class or a subclass of it.
    bool literalClass(const InternalName& cls, const InternalName& literal, const FSymbol& symbol);
    bool literalClassFound(LiteralClassAnswers& known, const InternalName& cls,
                           const FSymbol& symbol);
    // Finds `bound` and `named` once.
    void literalClassBound(LiteralClassAnswers& known, const FSymbol& symbol);

    // Whether a value is a member of a class. An object's answer depends on its classes alone,
    // so it is found once for each sequence of classes; strings and numbers are asked directly.
    // The questions asked for every entry (memberOf, classSetOf, planOf) answer from what is
    // kept in a few inline instructions, and go out of line only to find what is not kept yet.
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
        if (walkedAll && walkedNames.get(value) == 0) {
            const std::uint8_t known = literalMemberships.of(value).get(cls);
            if (known != 0) return known == LiteralAnswers::yes;
        }
        return literalMemberFound(value, cls);
    }
    bool literalMemberFound(const InternalName& value, const InternalName& cls);
    // memberOf for an object of a class set.
    bool classSetMemberOf(int classSet, const InternalName& value, const InternalName& cls) {
        for (const auto& [asked, answer] : classSets[std::size_t(classSet)].memberships)
            if (asked == cls) return answer;
        return classSetMembershipFound(classSet, value, cls);
    }
    bool classSetMembershipFound(int classSet, const InternalName& value, const InternalName& cls);
    // Whether a class is the built-in object class (or its plain-mode class): 1 no, 2 yes.
    NameMarks<std::uint8_t> objectClasses;
    // The XML name of a value: an object's is made once however often it is written, a
    // string's (mostly written once) each time.
    const std::string& xmlNameOf(const InternalName& value);
    // The number of the sequence of an object's classes; `frame` is the object's frame when
    // the caller has it.
    int classSetOf(const InternalName& object, const MainMemObjFrame* frame = nullptr) {
        const int seen = hostSets.get(object) - 1;
        return seen >= 0 ? seen : classSetFound(object, frame);
    }
    int classSetFound(const InternalName& object, const MainMemObjFrame* frame);
    // The same by the set frame of the object's direct classes, null when it has none.
    int classSetOfSet(const InternalName& object, const MainMemSetFrame* direct);
    // The same for an object whose class set is not kept by its one direct class; `direct` is
    // the set frame of its direct classes.
    int classSetOfDirect(const InternalName& object, const MainMemSetFrame* direct);
    // The same, walking the object's classes.
    int classSetAbove(const InternalName& object);
    // The number of the sequence of classes, a new one when no object had it yet, for the
    // object.
    int classSetOfClasses(const InternalName& object, const std::vector<InternalName>& classes);
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
    EntryPlan& planFound(int classSet, const InternalName& method, int argCount, int type);
    // The rows a signature lookup (arrow `type`) of the method at the class answers, looked up
    // once an export.
    const std::vector<InternalName>& signatureRows(int type, const InternalName& cls,
                                                   const InternalName& method, int argCount);
    // Fills in what writing an entry needs of its plan, once.
    void prepare(EntryPlan& plan);
    // The element name of an object: the most specific of its classes that take part in
    // signatures.
    InternalName typeClassOf(const InternalName& object, int classSet);
    // The XML name of the element name typeClassOf gave for an object of the class set.
    const std::string& elementNameOf(const InternalName& element, int classSet);
    void forgetSignatures();

    struct NameHash {
        std::size_t operator()(const InternalName& name) const;
    };
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
    // The result classes of the signatures a value row matches, kept for their storage.
    std::vector<InternalName> results;
    // The pattern of a value lookup, kept for its storage.
    std::vector<InternalName> valuePattern;
    // The cells of a value row read from an iterator, kept for their storage.
    std::vector<InternalName> rowCells;
    // Whether the value an entry stores is what a lookup of the entry answers (no evaluation
    // is open to add inherited values); decided once an export.
    bool storedValuesAnswer = false;
    // The walk over an object's classes and what it found, kept for their storage.
    Ref<Iterator> classWalk;
    // The rows of the entries with arguments, read from their parameter frames.
    Ref<Iterator> tupleValues;
    std::vector<InternalName> classesScratch;
    std::vector<InternalName> directScratch;
    // The answers of literalMemberOf by kind (string, integer, float), by class: no or yes.
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
    LiteralAnswers literalMemberships;
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
    // By depth of nesting; each stays in place while deeper ones are added.
    std::vector<std::unique_ptr<ElementText>> elementTexts;

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
    // The nested objects written so far (mark 1).
    NameMarks<std::uint8_t> written;
    // Elements are built inside one another, so the path grows and shrinks at its end; it is
    // at most maxNesting long.
    std::vector<InternalName> path;

    // The nesting walk when the stored values answer (no evaluation open, so nothing changes
    // while it runs). Step two asked every instance of a class for the values of each of the
    // class's signatures again, through its frame, a hash map of instances and one of class
    // sets: here the first walk keeps the values of the entries step two asks about, grouped
    // by the class set of their hosts, method and arrow, and step two reads the groups.
    void collectStoredNested(const InternalName& docClass);
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
    std::size_t planPlaceFound(int classSet, const InternalName& method, int argCount, int type);
    // Whether a signature without arguments names a built-in literal class (string, numeric,
    // literal) among its results: its values are never nested.
    bool namesBuiltinResult(int type, const InternalName& cls, const InternalName& method);
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
    // The class sets by signature class (the class's mark minus one), for step two.
    NameMarks<std::uint32_t> signatureClassAt;
    std::vector<std::vector<int>> setsOfSignatureClass;
    // The writing of an element at the top level straight into the formatter's buffer.
    // Where the element stands in the buffer: its start, the length of its name after the
    // "<", where its attributes start, and whether its head is written; the symbol of the
    // object, when the caller read it.
    struct ElementHead {
        const FSymbol* symbol = nullptr;
        std::size_t start = 0;
        std::size_t nameLength = 0;
        std::size_t attributes = 0;
        bool open = false;
    };
    // The writing walk's program for the elements at the top level of the hosts of one class
    // set: what it does with an entry depends on the class set, the entry's key and the kind of
    // its value, and the hosts of a class set mostly have entries of the same shapes in the same
    // order. The steps are decided for one host and replayed for the next whose shapes compare
    // equal, without finding each entry's plan again.
    struct WriteStep {
        enum Kind : std::uint8_t {
            // Not written: not a value entry, or undeclared.
            Skip,
            // Declared, but its value (a string or number no result takes) writes nothing.
            Nothing,
            // An attribute of a string, of an integer, of another string or number (or its
            // nested element).
            StringAttribute,
            IntegerAttribute,
            LiteralAttribute,
            // The members of a set.
            Members,
            // The rows of an entry with arguments, read in place from its parameter frame.
            Rows,
            // Written by writeEntry.
            Entry
        };
        // The shape of the entry it was decided for (key and kind of value).
        std::uint32_t shape = 0;
        Kind kind = Skip;
        EntryPlan* plan = nullptr;
    };
    struct WriteProgram {
        // Whether the steps are complete; how many (one for each entry of the host) and where
        // they stand in `writeSteps`; how many entries are declared.
        bool known = false;
        std::uint32_t count = 0;
        std::uint32_t first = 0;
        int declared = 0;
    };
    // By class set.
    std::vector<WriteProgram> writePrograms;
    // The steps of every class set, one after another: a program decided again (a host of other
    // shapes) adds its steps at the end.
    std::vector<WriteStep> writeSteps;
    // The step for a declared entry storing `stored`, decided with its plan.
    WriteStep::Kind writeStepKind(EntryPlan& plan, const InternalName& stored);
    // Replays the program of the class set for an object whose entries have its shapes;
    // answers how many declared entries it has.
    int replayEntries(const InternalName& object, int classSet, const WriteProgram& program,
                      const MethodSlot* slots, std::string& attributes, std::string& content,
                      ElementHead& head);
    // Writes the head of the element of an object of the class set, its name and id and the
    // blank that opens its attributes, to `out`.
    void openElement(const InternalName& object, int classSet, ElementHead& head, std::string& out);
    // Writes the rows of an entry with arguments read in place from its parameter frame (the
    // arguments, then the value); false when the frame is missing or its rows are not the
    // entry's width, and they are looked up instead.
    [[gnu::always_inline]] inline bool writeFrameRows(EntryPlan& plan,
                                                      const MainMemParamFrame* tuples,
                                                      std::string& content);
    // writeEntry for an entry whose values are looked up, or read from its parameter frame.
    void writeLookedUpEntry(const InternalName& object, bool mapped, EntryPlan& plan,
                            const InternalName& stored, std::string& attributes,
                            std::string& content, const std::string& indent);
    // Adds the value of an entry without arguments (a set name for a set of values).
    [[gnu::always_inline]] inline void writeValue(bool mapped, EntryPlan& plan,
                                                  const InternalName& value,
                                                  std::string& attributes, std::string& content,
                                                  const std::string& indent);
    // Appends the `length` characters of `out` at `at` (an element's name, for its end tag).
    static void appendCopy(std::string& out, std::size_t at, std::size_t length);
    // Appends an attribute named after a class (with its position when not 0) with a value.
    void appendAttribute(std::string& out, const InternalName& name, int position,
                         const InternalName& value);
    // Appends a child element named after the method, with the attributes and the value as
    // its text (none when the value is the undefined name), indented by two blanks.
    void appendValueElement(std::string& out, const InternalName& method,
                            std::string_view attributes, const InternalName& value);
    XMLDumpFormatter& xml() { return *static_cast<XMLDumpFormatter*>(formatter.get()); }
    // The indent of the entries of an element at the top level.
    const std::string topIndent{"  "};
    // The argument attributes of a value row, kept for their storage.
    std::string rowArguments;

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
    struct HostShape {
        // Whether the steps are complete; the place of the host's first entry with a value
        // (where its steps start), and where its steps (one for each entry from there on) stand
        // in `hostSteps`.
        bool known = false;
        std::uint32_t from = 0;
        std::uint32_t count = 0;
        std::uint32_t first = 0;
    };
    // By class set.
    std::vector<HostShape> hostShapes;
    // The steps of every class set, one after another: a set decided again (a host of other
    // shapes) adds its new steps at the end.
    std::vector<EntryStep> hostSteps;
    // The set frame or parameter frame an entry's value names, found ahead of the entry's step
    // (`known`), so that it is in the cache by then; null when there is none.
    struct FoundFrame {
        bool known = false;
        const MainMemSetFrame* set = nullptr;
        const MainMemParamFrame* rows = nullptr;
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
    // While the stored values answer (the base stays as it is), the walk that finds the
    // object base's set frames in place; null otherwise.
    const FrameWalk* setFramesRead = nullptr;
    // The set frame of a name, found in place when it can be.
    inline const MainMemSetFrame* setFrameOf(const InternalName& name);
    // The same for the parameter frames.
    const FrameWalk* paramFramesRead = nullptr;

    // memberOf for the value of an entry without arguments of the plan, in its result class.
    bool planMemberOf(EntryPlan& plan, const InternalName& value) {
        const int kind = value.getType();
        if (kind == InternalName::String || kind == InternalName::Integer ||
            kind == InternalName::Float) {
            if (!walkedAll || walkedNames.get(value) != 0)
                return literalMemberOf(value, plan.resultClass);
            std::uint8_t& known = plan.literalAnswers[kind == InternalName::String    ? 0
                                                      : kind == InternalName::Integer ? 1
                                                                                      : 2];
            if (known == 0)
                known = literalMemberOf(value, plan.resultClass) ? LiteralAnswers::yes
                                                                 : LiteralAnswers::no;
            return known == LiteralAnswers::yes;
        }
        return classSetMemberOf(classSetOf(value), value, plan.resultClass);
    }
    // Whether no string or number has a frame, decided once an export after the nesting walk:
    // whether one is a member of a class then depends on its kind alone. And whether some string
    // or number is nested.
    bool literalsByKind = false;
    bool literalsNested = false;
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
    // By class set: "<", the element name and " id='", how an element of the set opens, made
    // with its elementName.
    std::vector<std::string> elementOpenings;
    // Whether a value row of an entry with arguments, with the value, may write anything: not
    // when the value is a string or number without a frame that no result of the plan's
    // signatures takes.
    bool rowMayWrite(EntryPlan& plan, const InternalName& value) {
        const int kind = value.getType();
        if (kind != InternalName::String && kind != InternalName::Integer &&
            kind != InternalName::Float)
            return true;
        if (!literalsByKind && (!walkedAll || walkedNames.get(value) != 0)) return true;
        const std::size_t at = kind == InternalName::String    ? 0
                               : kind == InternalName::Integer ? 1
                                                               : 2;
        const std::uint8_t known = plan.rowLiteralAnswers[at];
        return known != 0 ? known == LiteralAnswers::yes : rowLiteralFound(plan, value, at);
    }
    bool rowLiteralFound(EntryPlan& plan, const InternalName& value, std::size_t at);
    // writeValue for a set-valued entry; apart, so that the single values, most entries, are
    // written without the room the walk over members takes.
    [[gnu::noinline]] void writeMembers(bool mapped, EntryPlan& plan, const InternalName& value,
                                        std::string& attributes, std::string& content,
                                        const std::string& indent);
    // Writes the child elements of one value row of an entry with arguments (`cells` from its
    // first argument on, the value last), named after the plan's method.
    void writeRow(EntryPlan& plan, const InternalName* cells, std::string& content);
    // Opens the attribute of an entry: on a line of its own, or after a blank in an element
    // that stands for a value.
    void openAttribute(const EntryPlan& plan, bool mapped, const std::string& indent,
                       std::string& attributes);
};
