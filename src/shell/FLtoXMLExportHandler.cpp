// The XML export's writer: the element of each object at the top level, and the text of each
// entry, as its plan says.
#include "shell/FLtoXMLExportHandler.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

#include "access/DescIter.h"
#include "access/ExportRequest.h"
#include "access/OMAccess.h"
#include "objectbase/DumpFormatter.h"
#include "objectbase/FrameWalk.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "objectbase/ParamRows.h"
#include "shell/XMLDumpFormatter.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

// Appends a piece of fixed text by its known length, without measuring it.
template <std::size_t N>
void appendFixed(std::string& out, const char (&text)[N]) {
    out.append(text, N - 1);
}

// A few pieces of text joined on the stack and appended at once: each append to a string costs a
// call and its checks, more than copying the few characters of an attribute or an element's
// head. `add` answers false when a piece does not fit.
class Joined {
  public:
    bool add(std::string_view text) {
        if (text.size() > sizeof buffer - size) return false;
        std::memcpy(buffer + size, text.data(), text.size());
        size += text.size();
        return true;
    }
    void appendTo(std::string& out) const { out.append(buffer, size); }

  private:
    char buffer[256];
    std::size_t size = 0;
};

}  // namespace

FLtoXMLExportHandler::FLtoXMLExportHandler(OMAccess* access, ShapeReplay replay)
    : XMLExportHandler(access), replay(replay), selection(planner, replay) {
    planner.begin(this->access.get(), &xml());
}

FLtoXMLExportHandler::~FLtoXMLExportHandler() {
    forgetExport();
}

bool FLtoXMLExportHandler::isA(const std::string& className) const {
    return className == "FLtoXMLExportHandler" || XMLExportHandler::isA(className);
}

void FLtoXMLExportHandler::writeHeader(ExportRequest& request) {
    XMLExportHandler::writeHeader(request);
    formatter->openRoot(request.docType);
}

void FLtoXMLExportHandler::writeTrailer(ExportRequest& request) {
    formatter->closeRoot(request.docType);
}

void FLtoXMLExportHandler::writeBody(ExportRequest& request) {
    const InternalName docClass = documentClass(request.docType);
    selection.clear();
    written.clear();
    planner.begin(access.get(), &xml());
    // Outside an evaluation a value lookup answers the value the entry stores, so the walks
    // take it from the entry instead of looking it up again.
    planner.storedValuesAnswer = !access->inheritance().isOpen() || access->inheritanceOn() == 0;
    selection.collectNested(access.get(), docClass);
    // What the selection found: the objects with frames in the order of the object base's walk
    // (all of them when walkedAll), and the nested objects in the order they were found.
    auto& walked = selection.walked;
    const auto& walkedNames = selection.walkedNames;
    const bool walkedAll = selection.walkedAll;
    auto& nestedInOrder = selection.nestedInOrder;
    // Once the walk met every object, a string or number without a frame (mostly every one) is
    // a member of a class by its kind alone; it is asked whether it is nested only when some
    // string or number is.
    const auto literal = [](const InternalName& name) {
        const int kind = name.getType();
        return kind == InternalName::String || kind == InternalName::Integer ||
               kind == InternalName::Float;
    };
    planner.literalsByKind =
        walkedAll && std::none_of(walked.begin(), walked.end(),
                                  [&](const auto& each) { return literal(each.first); });
    literalsNested = std::any_of(nestedInOrder.begin(), nestedInOrder.end(), literal);
    // The programs name the plans of this export.
    writeShapes.clear();
    const auto write = [&](const InternalName& object, ObjectFrameView frame) {
        // The built-in classes string and numeric get no element (the object, or the symbol
        // bound in plain mode). The symbol is read once: it gives the element's id too.
        if (object == builtinObject::String || object == builtinObject::Numeric) return;
        FSymbol symbol;
        const bool named = access->giveSymbol(object, symbol) != 0;
        if (named && (symbol == builtinSymbol::String || symbol == builtinSymbol::Numeric)) return;
        if (docClass != Free && planner.memberOf(object, docClass)) return;
        if (selection.isNested(object)) return;
        writeElement(object, frame, named ? &symbol : nullptr);
    };
    if (walkedAll) {
        // The objects the first walk met, in its order: an object without a frame has no
        // entries to write.
        // A large base's frames are spread through memory: while one object is written, the
        // walk loads what the objects a few places ahead will need.
        const std::size_t count = walked.size();
        for (std::size_t number = 0; number < count; ++number) {
            if (stopped()) break;
            const auto& [object, frame] = walked.visit(number);
            write(object, frame);
        }
    } else {
        OM* om = access->om();
        auto names = Ref<Iterator>::adopt(access->objNamesIterator(nullptr));
        for (bool more = names != nullptr && names->first(); more && !stopped();
             more = names->next()) {
            const InternalName object = names->atColumn(1);
            if (const ObjectFrameView frame = om->objectFrameOf(object)) write(object, frame);
        }
    }
    // Nested objects held only by nested objects (two objects holding each other) hang below
    // no written element; they are written at the top level so that none is lost.
    // Writing an object reads the nested set and never changes it. They come in the order of
    // their names.
    // A value without a frame of its own (a string, a number) has no entries to write.
    // Their frames are read from the first walk when it met every object.
    OM* om = access->om();
    const auto frameOf = [&](const InternalName& object) -> ObjectFrameView {
        if (!walkedAll) return om->objectFrameOf(object);
        const std::uint32_t at = walkedNames.get(object);
        return at == 0 ? ObjectFrameView() : walked[at - 1].second;
    };
    nestedInOrder.erase(
        std::remove_if(nestedInOrder.begin(), nestedInOrder.end(),
                       [&](const InternalName& object) { return !frameOf(object); }),
        nestedInOrder.end());
    std::sort(nestedInOrder.begin(), nestedInOrder.end(),
              [](const InternalName& a, const InternalName& b) { return compare(a, b) < 0; });
    for (const InternalName& object : nestedInOrder)
        if (!stopped() && written.get(object) == 0) writeElement(object, frameOf(object));
    literalsNested = false;
    writeShapes.clear();
    forgetExport();
}

void FLtoXMLExportHandler::forgetExport() {
    selection.clear();
    planner.forget();
    tupleValues.reset();
}

int FLtoXMLExportHandler::writeEntries(const InternalName& object, ObjectFrameView frame,
                                       int& classSet, std::string& attributes, std::string& content,
                                       const std::string& indent, bool textNodes,
                                       ElementHead* head) {
    // Whether the object stands for a value: its attributes open after a blank.
    const bool mapped = access->mapsAnyName() && access->isMapped(object);
    // An element at the top level of a host whose class set is known, read from its stored
    // entries, decides the steps its class set's next hosts of the same shapes replay.
    int recording = -1;
    if (replay == ShapeReplay::Replay && head != nullptr && !textNodes && !mapped &&
        planner.storedValuesAnswer && frame && indent.size() == 2) {
        const int known = planner.knownClassSet(object);
        if (known >= 0) {
            recording = known;
            writeShapes.start(known, 0, frame.entries().size());
        }
    }
    int calls = 0;
    path.push_back(object);
    // The object's own entries, straight from its frame.
    std::size_t entry = 0;
    // The entry's place among all the frame's entries, for the steps being decided.
    std::size_t slot = 0;
    // Inlined into both walks: a call for each entry cost as much as the walk itself.
    const auto visit = [&](const MethodKey& key, const InternalName& stored)
        __attribute__((always_inline)) {
        WriteStep* step = nullptr;
        if (recording >= 0) {
            step = &writeShapes.add();
            step->shape = frame.entries().begin()[slot++].shapeNumber();
        }
        const int type = key.methodType;
        if (type < 0 || type > 2) return;
        const InternalName method = key.method;
        if (classSet < 0) classSet = planner.classSetOf(object, frame);
        EntryPlan& plan = planner.planOf(classSet, method, key.argCount, type, entry++);
        if (!plan.declared) return;
        if (step != nullptr) {
            step->plan = &plan;
            step->kind = writeStepKind(plan, stored);
        }
        if (head != nullptr && !head->open) openElement(object, classSet, *head, attributes);
        bool textNode = false;
        if (textNodes) {
            std::string methodText;
            if (method != builtinObject::Text) access->giveLexicalForm(method, methodText);
            textNode = method == builtinObject::Text || methodText == "text()";
        }
        if (textNode) {
            content.clear();
            appendXmlNameOf(access->mappedName(object), content);
        } else {
            writeEntry(object, mapped, plan, stored, attributes, content, indent);
        }
        ++calls;
    };
    // Without an evaluation open, writing adds no entry to a frame.
    if (frame && planner.storedValuesAnswer)
        frame.forEachStoredEntry(visit);
    else if (frame)
        frame.forEachEntry(visit);
    path.pop_back();
    if (recording >= 0) {
        // A walk stopped halfway leaves its steps unfinished: they serve no host.
        if (stopped())
            writeShapes.abandon();
        else
            writeShapes.finish(calls);
    }
    return calls;
}

FLtoXMLExportHandler::WriteStep::Kind FLtoXMLExportHandler::writeStepKind(
    EntryPlan& plan, const InternalName& stored) {
    if (!planner.storedValuesAnswer) return WriteStep::Entry;
    if (!plan.prepared) planner.prepare(plan);
    const int kind = stored.getType();
    if (plan.argCount != 0)
        return planner.paramFramesRead != nullptr && kind == InternalName::ParamFrame
                   ? WriteStep::Rows
                   : WriteStep::Entry;
    if (plan.type == 1) return WriteStep::Members;
    // A single string or number without a frame: the plan's answer for its kind decides, once.
    if (plan.type == 0 && planner.literalsByKind &&
        (kind == InternalName::String || kind == InternalName::Integer ||
         kind == InternalName::Float)) {
        if (!planner.literalAnswer(plan, stored)) return WriteStep::Nothing;
        if (kind == InternalName::String) return WriteStep::StringAttribute;
        if (kind == InternalName::Integer && stored.getArity() == 0)
            return WriteStep::IntegerAttribute;
        return WriteStep::LiteralAttribute;
    }
    return WriteStep::Entry;
}

int FLtoXMLExportHandler::replayEntries(const InternalName& object, ObjectFrameView frame,
                                        int& classSet, std::string& attributes,
                                        std::string& content, ElementHead& head) {
    // An element at the top level of a host whose class set is known, read from its stored
    // entries, follows its class set's steps when its entries have their shapes.
    if (!planner.storedValuesAnswer || !frame) return -1;
    const int known = planner.knownClassSet(object);
    if (known < 0) return -1;
    const MethodEntries& entries = frame.entries();
    const std::size_t count = entries.size();
    const MethodSlot* const slots = entries.begin();
    const WriteStep* const steps = writeShapes.find(known, 0, slots, count);
    // Whether the object stands for a value: its attributes open after a blank.
    if (steps == nullptr || (access->mapsAnyName() && access->isMapped(object))) return -1;
    classSet = known;
    path.push_back(object);
    for (std::size_t at = 0; at < count; ++at) {
        const WriteStep& step = steps[at];
        if (step.kind == WriteStep::Skip) continue;
        if (!head.open) openElement(object, classSet, head, attributes);
        EntryPlan& plan = *step.plan;
        const InternalName value = slots[at].value();
        switch (step.kind) {
            case WriteStep::Nothing:
            case WriteStep::Skip:
                break;
            case WriteStep::StringAttribute: {
                if (literalsNested && nestsHere(value)) {
                    appendNestedElement(content, plan.method, value, topIndent);
                    break;
                }
                // Mostly a short text with nothing to escape: the attribute in one append.
                std::string_view text;
                Joined joined;
                if (xml().stringText(value, text) && !XMLDumpFormatter::hasMarkup(text) &&
                    joined.add(plan.topAttributeHead) && joined.add(text) && joined.add("'")) {
                    joined.appendTo(attributes);
                    break;
                }
                attributes.append(plan.topAttributeHead);
                xml().appendStringName(value, attributes);
                attributes += '\'';
                break;
            }
            case WriteStep::IntegerAttribute: {
                if (literalsNested && nestsHere(value)) {
                    appendNestedElement(content, plan.method, value, topIndent);
                    break;
                }
                char digits[16];
                const auto written =
                    std::to_chars(digits, digits + sizeof digits - 1, value.getValue());
                *written.ptr = '\'';
                const std::string_view number(digits, std::size_t(written.ptr + 1 - digits));
                Joined joined;
                if (joined.add(plan.topAttributeHead) && joined.add(number)) {
                    joined.appendTo(attributes);
                    break;
                }
                attributes.append(plan.topAttributeHead);
                attributes.append(number);
                break;
            }
            case WriteStep::LiteralAttribute:
                if (literalsNested && nestsHere(value)) {
                    appendNestedElement(content, plan.method, value, topIndent);
                    break;
                }
                attributes.append(plan.topAttributeHead);
                appendXmlNameOf(value, attributes);
                attributes += '\'';
                break;
            case WriteStep::Members:
                writeMembers(false, plan, value, attributes, content, topIndent);
                break;
            case WriteStep::Rows: {
                const ParamFrameView tuples = planner.paramFramesRead->findRows(value);
                if (!tuples || tuples.storedRows().width() != plan.argCount + 1) {
                    writeEntry(object, false, plan, value, attributes, content, topIndent);
                    break;
                }
                const ParamRows& rows = tuples.storedRows();
                ParamRows::Cursor cursor;
                // A row whose value no result of the plan's signatures takes writes nothing.
                for (const InternalName* row = rows.first(cursor); row != nullptr;
                     row = rows.next(cursor, row))
                    if (planner.rowMayWrite(plan, row[plan.argCount])) writeRow(plan, row, content);
                break;
            }
            case WriteStep::Entry:
                writeEntry(object, false, plan, value, attributes, content, topIndent);
                break;
        }
    }
    path.pop_back();
    return writeShapes.declaredOf(known);
}

void FLtoXMLExportHandler::writeObject(const InternalName& object, std::int32_t /*format*/) {
    writeElement(object, access->om()->objectFrameOf(object));
}

void FLtoXMLExportHandler::writeElement(const InternalName& object, ObjectFrameView frame,
                                        const FSymbol* symbol) {
    // The classes are asked for once the object shows an entry to write.
    int classSet = -1;
    // The head and the attributes go straight into the output; the child elements, which
    // follow the attributes, are gathered aside.
    std::string& out = xml().elementOut();
    ElementHead head;
    head.symbol = symbol;
    std::string& content = path.empty() ? topContent() : elementText(path.size()).content;
    // An element that its class set's steps serve replays them; otherwise its entries are
    // walked, and decide the steps anew.
    int declared = replay == ShapeReplay::Replay
                       ? replayEntries(object, frame, classSet, out, content, head)
                       : -1;
    if (declared < 0)
        declared = writeEntries(object, frame, classSet, out, content, topIndent, false, &head);
    if (declared == 0) return;
    // The blank after the id opens the attributes, if there are any.
    if (out.size() == head.attributes) out.pop_back();
    if (content.empty()) {
        appendFixed(out, "/>\n\n");
    } else {
        out += '>';
        if (content.find('<') != std::string::npos) out += '\n';
        out.append(content);
        appendFixed(out, "</");
        appendCopy(out, head.start + 1, head.nameLength);
        appendFixed(out, ">\n\n");
    }
    xml().elementWritten();
}

void FLtoXMLExportHandler::openElement(const InternalName& object, int classSet, ElementHead& head,
                                       std::string& out) {
    head.open = true;
    head.start = out.size();
    // An object's id is mostly written once: its text is read in place.
    const auto appendId = [&] {
        if (head.symbol != nullptr)
            xml().appendXmlNameOnce(object, *head.symbol, out);
        else
            xml().appendXmlNameOnce(object, out);
    };
    // Once known, the element name of an object of the class set that is not one of its own
    // classes is read straight from the set.
    const ClassSet& classes = planner.classSet(classSet);
    if (classes.elementNameKnown && object.getType() != InternalName::String &&
        std::find(classes.classes.begin(), classes.classes.end(), object) ==
            classes.classes.end()) {
        const std::string& opening = planner.elementOpening(classSet);
        head.nameLength = classes.elementName.size();
        // Mostly the id is the symbol's text as it is: the head in one append.
        std::string_view id;
        Joined joined;
        if (head.symbol != nullptr && xml().plainObjectText(object, *head.symbol, id) &&
            joined.add(opening) && joined.add(id) && joined.add("' ")) {
            joined.appendTo(out);
            head.attributes = out.size();
            return;
        }
        out.append(opening);
        appendId();
    } else {
        out += '<';
        const InternalName element = planner.typeClassOf(object, classSet);
        if (element.getType() == InternalName::String || object.getType() == InternalName::String) {
            const std::string name = formatter->xmlName(element);
            out.append(name);
            head.nameLength = name.size();
            appendFixed(out, " id='");
            out.append(formatter->xmlName(object));
        } else {
            // Elements of one class share its name, made once.
            const std::string& name = planner.elementNameOf(element, classSet);
            out.append(name);
            head.nameLength = name.size();
            appendFixed(out, " id='");
            appendId();
        }
    }
    appendFixed(out, "' ");
    head.attributes = out.size();
}

void FLtoXMLExportHandler::appendCopy(std::string& out, std::size_t at, std::size_t length) {
    // Room first: the characters are read from `out` itself.
    out.reserve(out.size() + length);
    out.append(out.data() + at, length);
}

FLtoXMLExportHandler::ElementText& FLtoXMLExportHandler::elementText(std::size_t depth) {
    while (elementTexts.size() <= depth) elementTexts.push_back(std::make_unique<ElementText>());
    ElementText& text = *elementTexts[depth];
    text.attributes.clear();
    text.content.clear();
    return text;
}

void FLtoXMLExportHandler::appendXmlNameOf(const InternalName& value, std::string& out) {
    const int kind = value.getType();
    if (kind == InternalName::String) {
        xml().appendStringName(value, out);
        return;
    }
    // An integer's XML name is its digits.
    if (kind == InternalName::Integer && value.getArity() == 0) {
        char digits[16];
        const auto written = std::to_chars(digits, digits + sizeof digits, value.getValue());
        out.append(digits, written.ptr);
        return;
    }
    out += planner.xmlNameOf(value);
}

bool FLtoXMLExportHandler::nestsOnPath(const InternalName& value) const {
    return std::find(path.begin(), path.end(), value) == path.end() &&
           std::size_t(path.size()) < maxNesting;
}

bool FLtoXMLExportHandler::writeFrameRows(EntryPlan& plan, ParamFrameView tuples,
                                          std::string& content) {
    if (!tuples || tuples.storedRows().width() != plan.argCount + 1) return false;
    const ParamRows& rows = tuples.storedRows();
    ParamRows::Cursor at;
    const InternalName* row = rows.first(at);
    if (row == nullptr) return true;
    if (!plan.prepared) planner.prepare(plan);
    for (; row != nullptr; row = rows.next(at, row)) writeRow(plan, row, content);
    return true;
}

void FLtoXMLExportHandler::writeEntry(const InternalName& object, bool mapped, EntryPlan& plan,
                                      const InternalName& stored, std::string& attributes,
                                      std::string& content, const std::string& indent) {
    // An entry without arguments whose stored value is what a lookup answers (most entries) is
    // written from that value.
    if (planner.storedValuesAnswer) {
        if (plan.argCount == 0) {
            if (!plan.prepared) planner.prepare(plan);
            writeValue(mapped, plan, stored, attributes, content, indent);
            return;
        }
        // The rows of an entry with arguments, read in place from its parameter frame (the
        // arguments, then the value).
        if (planner.paramFramesRead != nullptr && stored.getType() == InternalName::ParamFrame) {
            if (writeFrameRows(plan, planner.paramFramesRead->findRows(stored), content)) return;
        }
    }
    writeLookedUpEntry(object, mapped, plan, stored, attributes, content, indent);
}

void FLtoXMLExportHandler::writeLookedUpEntry(const InternalName& object, bool mapped,
                                              EntryPlan& plan, const InternalName& stored,
                                              std::string& attributes, std::string& content,
                                              const std::string& indent) {
    const int argCount = plan.argCount;
    // Mostly the rows of an entry with arguments are read in place from its parameter frame
    // (the arguments, then the value), when the stored rows are what a lookup answers.
    if (argCount != 0 && planner.storedValuesAnswer &&
        stored.getType() == InternalName::ParamFrame) {
        const ParamFrameView tuples = planner.paramFramesRead != nullptr
                                          ? planner.paramFramesRead->findRows(stored)
                                          : access->om()->paramFrameOf(stored);
        if (writeFrameRows(plan, tuples, content)) return;
    }
    const int type = plan.type;
    const InternalName method = plan.method;
    Ref<Iterator> lookedUp;
    Iterator* values = nullptr;
    // Otherwise they come through an iterator over the parameter frame, or a lookup.
    const ParamFrameView tuples =
        argCount != 0 && planner.storedValuesAnswer && stored.getType() == InternalName::ParamFrame
            ? access->om()->paramFrameOf(stored)
            : ParamFrameView();
    // Column c of a value row is column c - skipped of `values` when its rows come through an
    // iterator over the parameter frame, which leaves out the host and the method.
    int skipped = 0;
    if (tuples) {
        skipped = 2;
        // Writing the rows of an entry with arguments nests no element, so one iterator serves
        // the entries of the whole export.
        values = tupleValues.renew([&](Iterator* old) { return tuples.rowsIterator(old); });
        if (values == nullptr || !values->first()) return;
    } else if (argCount != 0 || !planner.storedValuesAnswer) {
        valuePattern.assign(static_cast<std::size_t>(argCount + 3), Free);
        valuePattern[0] = object;
        valuePattern[1] = method;
        lookedUp = Ref<Iterator>::adopt(
            access->lookup(MethodType(type), valuePattern.data(), argCount + 3, nullptr));
        values = lookedUp.get();
        if (values == nullptr || !values->first()) return;
    }
    if (!plan.prepared) planner.prepare(plan);
    if (argCount == 0) {
        writeValue(mapped, plan, values != nullptr ? values->atColumn(3) : stored, attributes,
                   content, indent);
        return;
    }
    // The cells of the value row from its first argument on, read from the iterator.
    for (bool row = true; row; row = values->next()) {
        rowCells.clear();
        for (int col = 3; col <= argCount + 3; ++col)
            rowCells.push_back(values->atColumn(col - skipped));
        writeRow(plan, rowCells.data(), content);
    }
}

void FLtoXMLExportHandler::writeRow(EntryPlan& plan, const InternalName* cells,
                                    std::string& content) {
    const int argCount = plan.argCount;
    const std::vector<InternalName>& signatures = *plan.signatureRows;
    const std::size_t width = static_cast<std::size_t>(argCount + 3);
    const InternalName value = cells[argCount];
    if (!planner.rowMayWrite(plan, value)) return;
    // Mostly one signature matches: its result is the class, found without a set. The
    // results of several are gathered in `results` once a second one differs.
    std::size_t found = 0;
    InternalName cls = Free;
    // The arguments are named after the last signature that matches.
    const InternalName* named = nullptr;
    for (std::size_t at = 0; at + width <= signatures.size(); at += width) {
        // The signature's columns from the first on: column c is signature[c - 1].
        const InternalName* signature = &signatures[at];
        bool matches = true;
        for (int col = 3; col <= argCount + 2 && matches; ++col)
            matches = planner.memberOf(cells[col - 3], signature[col - 1]);
        if (!matches) continue;
        named = signature;
        const InternalName result = signature[argCount + 2];
        if (found == 0) {
            cls = result;
            found = 1;
        } else if (found == 1) {
            if (result != cls) {
                results.assign({cls, result});
                found = 2;
            }
        } else if (std::find(results.begin(), results.end(), result) == results.end()) {
            results.push_back(result);
        }
    }
    if (found == 0) return;
    if (found == 2) {
        set<InternalName> classes;
        for (const InternalName& result : results) classes.insert(result);
        cls = planner.mostSpecific(classes);
    }
    // A single value outside the class writes nothing: its arguments need no text.
    if (value.getType() != InternalName::SetName && !planner.memberOf(value, cls)) return;
    // Writing the rows nests no element: one text serves every row.
    rowArguments.clear();
    argumentsText(rowArguments, argCount, cells, named);
    valueSetText(content, plan.method, cls, value, rowArguments);
}

void FLtoXMLExportHandler::openAttribute(const EntryPlan& plan, bool mapped,
                                         const std::string& indent, std::string& attributes) {
    if (mapped) {
        attributes += ' ';
    } else if (indent.size() == 2) {
        // An element at the top level: its attribute opening made once.
        attributes.append(plan.topAttributeHead);
        return;
    } else {
        attributes += '\n';
        attributes.append(indent);
    }
    attributes.append(plan.methodName);
    appendFixed(attributes, "='");
}

void FLtoXMLExportHandler::writeValue(bool mapped, EntryPlan& plan, const InternalName& value,
                                      std::string& attributes, std::string& content,
                                      const std::string& indent) {
    const int type = plan.type;
    if (type == 0) {
        const int kind = value.getType();
        // A string or number without a frame: the plan's answer for the kind decides.
        const bool byKind = planner.literalsByKind &&
                            (kind == InternalName::String || kind == InternalName::Integer ||
                             kind == InternalName::Float);
        if (byKind ? !planner.literalAnswer(plan, value) : !planner.planMemberOf(plan, value))
            return;
        if ((!byKind || literalsNested) && nestsHere(value)) {
            appendNestedElement(content, plan.method, value, indent);
            return;
        }
        // An element at the top level: its attribute opening made once, appended here.
        if (!mapped && indent.size() == 2)
            attributes.append(plan.topAttributeHead);
        else
            openAttribute(plan, mapped, indent, attributes);
        appendXmlNameOf(value, attributes);
        attributes += '\'';
        return;
    }
    if (type == 1) writeMembers(mapped, plan, value, attributes, content, indent);
}

void FLtoXMLExportHandler::writeMembers(bool mapped, EntryPlan& plan, const InternalName& value,
                                        std::string& attributes, std::string& content,
                                        const std::string& indent) {
    const InternalName method = plan.method;
    const InternalName cls = plan.resultClass;
    if (plan.stringResult) {
        std::string none;
        valueSetText(content, method, cls, value, none);
        return;
    }
    // Opened when the first member is written.
    std::size_t opened = 0;
    std::size_t running = 0;
    bool first = true;
    planner.forEachValue(value, [&](const InternalName& member) {
        const int kind = member.getType();
        if (planner.literalsByKind &&
            (kind == InternalName::String || kind == InternalName::Integer ||
             kind == InternalName::Float)) {
            if (!planner.literalAnswer(plan, member)) return true;
            if (literalsNested && nestsHere(member)) {
                appendNestedElement(content, method, member, indent);
                return true;
            }
        } else if (!planner.planMemberOf(plan, member)) {
            return true;
        } else if (nestsHere(member)) {
            appendNestedElement(content, method, member, indent);
            return true;
        }
        if (first) {
            opened = attributes.size();
            openAttribute(plan, mapped, indent, attributes);
            running = attributes.size() - opened;
        }
        appendWrapped(attributes, planner.xmlNameOf(member), running, first);
        first = false;
        return true;
    });
    if (!first) attributes += '\'';
}

void FLtoXMLExportHandler::argumentsText(std::string& out, int argCount,
                                         const InternalName* valueRow,
                                         const InternalName* signatureRow) {
    std::size_t running = 0;
    for (int col = 3; col <= argCount + 2; ++col) {
        const InternalName cls = signatureRow[col - 1];
        int position = 0;
        bool elsewhere = false;
        for (int other = 3; other <= argCount + 3; ++other) {
            if (other == col || signatureRow[other - 1] != cls) continue;
            if (other < col) ++position;
            elsewhere = true;
        }
        if (elsewhere) ++position;
        const std::size_t at = out.size();
        appendAttribute(out, cls, position, valueRow[col - 3]);
        const std::size_t size = out.size() - at;
        running += size;
        // Past 80 columns the attribute goes on a new line.
        if (running > 80) {
            out.insert(at, "\n    ");
            running = size + 4;
        }
    }
}

void FLtoXMLExportHandler::appendAttribute(std::string& out, const InternalName& name, int position,
                                           const InternalName& value) {
    out += ' ';
    appendXmlNameOf(name, out);
    if (position != 0) {
        char digits[16];
        const auto written = std::to_chars(digits, digits + sizeof digits, position);
        out.append(digits, written.ptr);
    }
    appendFixed(out, "='");
    appendXmlNameOf(value, out);
    out += '\'';
}

void FLtoXMLExportHandler::appendValueElement(std::string& out, const InternalName& method,
                                              std::string_view attributes,
                                              const InternalName& value) {
    appendFixed(out, "  <");
    const std::size_t nameAt = out.size();
    appendXmlNameOf(method, out);
    const std::size_t nameLength = out.size() - nameAt;
    out.append(attributes);
    if (value != Free) {
        // An empty text makes an empty element.
        const std::size_t opened = out.size();
        out += '>';
        appendXmlNameOf(value, out);
        if (out.size() > opened + 1) {
            appendFixed(out, "</");
            appendCopy(out, nameAt, nameLength);
            appendFixed(out, ">\n");
            return;
        }
        out.resize(opened);
    }
    appendFixed(out, "/>\n");
}

void FLtoXMLExportHandler::appendNestedElement(std::string& out, const InternalName& method,
                                               const InternalName& object,
                                               const std::string& indent) {
    int classSet = -1;
    // Written here, a nested object needs no element at the top level.
    written.set(object, 1);
    // The texts one level below the element that holds the object, which are in use above it.
    ElementText& text = elementText(path.size());
    writeEntries(object, access->om()->objectFrameOf(object), classSet, text.attributes,
                 text.content, indent + "  ", true);
    XMLDumpFormatter::appendFrameEnd(out, planner.xmlNameOf(method), false, {}, text.attributes,
                                     text.content, indent);
}

void FLtoXMLExportHandler::valueSetText(std::string& out, const InternalName& method,
                                        const InternalName& cls, const InternalName& value,
                                        std::string& arguments) {
    if (value.getType() != InternalName::SetName) {
        singleValueText(out, method, arguments, cls, value);
        return;
    }
    if (planner.literalClass(cls, builtinObject::Literal, builtinSymbol::Literal)) {
        planner.forEachValue(value, [&](const InternalName& member) {
            singleValueText(out, method, arguments, cls, member);
            return true;
        });
        return;
    }
    // The members form one attribute named after the method, taken back when there are none.
    const std::size_t opened = arguments.size();
    arguments += ' ';
    appendXmlNameOf(method, arguments);
    appendFixed(arguments, "='");
    std::size_t running = arguments.size() - opened;
    bool first = true;
    planner.forEachValue(value, [&](const InternalName& member) {
        appendWrapped(arguments, planner.xmlNameOf(member), running, first);
        first = false;
        return true;
    });
    if (first) {
        arguments.resize(opened);
        return;
    }
    arguments += '\'';
    appendValueElement(out, method, arguments, Free);
}

void FLtoXMLExportHandler::singleValueText(std::string& out, const InternalName& method,
                                           std::string& arguments, const InternalName& cls,
                                           const InternalName& value) {
    if (!planner.memberOf(value, cls)) return;
    if (planner.literalClass(cls, builtinObject::Literal, builtinSymbol::Literal)) {
        appendValueElement(out, method, arguments, value);
        return;
    }
    appendAttribute(arguments, cls, 0, value);
    appendValueElement(out, method, arguments, Free);
}
