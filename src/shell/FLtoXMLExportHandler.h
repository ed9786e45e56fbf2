// FLtoXMLExportHandler: the export of F-Logic objects as XML elements, shaped by the signatures.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"
#include "shell/FLtoXMLPlanner.h"
#include "shell/FLtoXMLSelection.h"
#include "shell/FLtoXMLShapeCache.h"
#include "shell/NameMarks.h"
#include "shell/XMLDumpFormatter.h"
#include "shell/XMLExportHandler.h"

class Iterator;
class MethodSlot;

// Signature-declared single values become attributes, sets of objects reference lists, entries
// with arguments child elements; an object held by one declared entry only is nested in the
// element of its holder instead of getting an element of its own. The selection finds what is
// nested, the planner how the entries of each class set are written; this class writes them.
class FLtoXMLExportHandler : public XMLExportHandler {
  public:
    // `replay`: whether the walks replay the steps decided for a host of a class set for the
    // next host of the same shapes (ShapeReplay::General decides every entry anew).
    explicit FLtoXMLExportHandler(OMAccess* access, ShapeReplay replay = ShapeReplay::Replay);

    bool isA(const std::string& className) const override;

    void writeHeader(ExportRequest& request) override;
    void writeTrailer(ExportRequest& request) override;
    void writeBody(ExportRequest& request) override;
    void writeObject(const InternalName& object, std::int32_t format) override;

  protected:
    ~FLtoXMLExportHandler() override;

  private:
    const ShapeReplay replay;
    using EntryPlan = FLtoXMLPlanner::EntryPlan;
    using ClassSet = FLtoXMLPlanner::ClassSet;
    // Forgets what one export found: the next starts afresh, the base may have changed.
    void forgetExport();
    // How each entry is written, and what is written at the top level or nested.
    FLtoXMLPlanner planner;
    FLtoXMLSelection selection;

    // writeObject with the object's frame at hand, and its symbol when the caller read it.
    void writeElement(const InternalName& object, ObjectFrameView frame,
                      const FSymbol* symbol = nullptr);
    // Builds the entries of an element (with text() nodes inside nested ones); answers how many
    // declared entries the object has.
    // `classSet` is the number of the object's classes, or -1 until the first entry asks for it.
    // With `head` (an element at the top level) the element's head is written into
    // `attributes`, the output itself, before its first declared entry.
    struct ElementHead;
    int writeEntries(const InternalName& object, ObjectFrameView frame, int& classSet,
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
        return selection.isNested(value) && nestsOnPath(value);
    }
    bool nestsOnPath(const InternalName& value) const;
    // The result classes of the signatures a value row matches, kept for their storage.
    std::vector<InternalName> results;
    // The pattern of a value lookup, kept for its storage.
    std::vector<InternalName> valuePattern;
    // The cells of a value row read from an iterator, kept for their storage.
    std::vector<InternalName> rowCells;
    // The rows of the entries with arguments, read from their parameter frames.
    Ref<Iterator> tupleValues;
    // By depth of nesting; each stays in place while deeper ones are added.
    std::vector<std::unique_ptr<ElementText>> elementTexts;

    // The nested objects written so far (mark 1).
    NameMarks<std::uint8_t> written;
    // Elements are built inside one another, so the path grows and shrinks at its end; it is
    // at most maxNesting long.
    std::vector<InternalName> path;

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
    // By class set; a step for each entry of the host's frame.
    FLtoXMLShapeCache<WriteStep> writeShapes;
    // The step for a declared entry storing `stored`, decided with its plan.
    WriteStep::Kind writeStepKind(EntryPlan& plan, const InternalName& stored);
    // Replays the steps of the object's class set when its entries have their shapes (an
    // element at the top level, its frame's stored entries); answers how many declared entries
    // it has, -1 when the steps do not serve it and writeEntries decides its entries.
    int replayEntries(const InternalName& object, ObjectFrameView frame, int& classSet,
                      std::string& attributes, std::string& content, ElementHead& head);
    // Writes the head of the element of an object of the class set, its name and id and the
    // blank that opens its attributes, to `out`.
    void openElement(const InternalName& object, int classSet, ElementHead& head, std::string& out);
    // Writes the rows of an entry with arguments read in place from its parameter frame (the
    // arguments, then the value); false when the frame is missing or its rows are not the
    // entry's width, and they are looked up instead.
    [[gnu::always_inline]] inline bool writeFrameRows(EntryPlan& plan, ParamFrameView tuples,
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

    // Whether some string or number is nested, decided once an export after the nesting walk.
    bool literalsNested = false;
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
