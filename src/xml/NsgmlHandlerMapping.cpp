// The import's mapping of the document tree into objects: the plain and the DTD-driven mapping,
// attributes, signature lookups, links between parent and child, and ID references.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "access/OMAccess.h"
#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/Ref.h"
#include "objectbase/Iterator.h"
#include "objectbase/SymTab.h"
#include "platform/ControlEvents.h"
#include "xml/BlankTokens.h"
#include "xml/DocumentText.h"
#include "xml/NsgmlHandler.h"
#include "xml/SGMLTreeAttr.h"
#include "xml/SGMLTreeElem.h"

namespace {

const InternalName undefined = InternalName::UndefinedObject;

// The set-valued twin of an arrow: the tokens of a list attribute are distinct members, which a
// single-valued arrow would equate with one another.
int setArrow(int arrow) {
    return arrow == 0 ? 1 : arrow == 3 ? 4 : arrow;
}

std::uint64_t load64(const char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

std::uint32_t load32(const char* at) {
    std::uint32_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// Copies a text without a call when it is short, as the blank text between siblings mostly is:
// two words, which may overlap, none beyond the text.
void copyText(char* to, const char* from, std::size_t size) {
    if (size > 16) {
        std::memcpy(to, from, size);
    } else if (size >= 8) {
        const std::uint64_t head = load64(from);
        const std::uint64_t tail = load64(from + size - 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + size - 8, &tail, 8);
    } else if (size >= 4) {
        const std::uint32_t head = load32(from);
        const std::uint32_t tail = load32(from + size - 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + size - 4, &tail, 4);
    } else {
        for (std::size_t i = 0; i < size; ++i) to[i] = from[i];
    }
}

// Whether two texts are equal; a short text, as the blank text between siblings mostly is,
// without a call or a loop: two words a text, which may overlap, none beyond the text (a
// character at a time took 36 instructions for a line break's escapes).
[[gnu::always_inline]] inline bool sameText(std::string_view a, std::string_view b) {
    const std::size_t size = a.size();
    if (size != b.size()) return false;
    if (size > 16) return a == b;
    const char* x = a.data();
    const char* y = b.data();
    if (size >= 8)
        return ((load64(x) ^ load64(y)) | (load64(x + size - 8) ^ load64(y + size - 8))) == 0;
    if (size >= 4)
        return ((load32(x) ^ load32(y)) | (load32(x + size - 4) ^ load32(y + size - 4))) == 0;
    for (std::size_t i = 0; i < size; ++i)
        if (x[i] != y[i]) return false;
    return true;
}

// Texts the DTD-driven mapping has named besides the one met last, with their names: the text
// met before that one, and the joined text of the element entered last. A text is named by its
// characters alone, so a text found here has the name a new naming would give it.
class TextNames {
  public:
    bool find(std::string_view text, InternalName& name) const {
        for (const Entry& entry : entries) {
            if (entry.kept && sameText(entry.text, text)) {
                name = entry.name;
                return true;
            }
        }
        return false;
    }
    // The text met last, when another one comes: the text is taken, and `text` left empty.
    void keepPrevious(std::string& text, const InternalName& name) {
        Entry& entry = entries[0];
        entry.text.swap(text);
        text.clear();
        entry.name = name;
        entry.kept = true;
    }
    // The element's joined text; a long one is not kept, as it is not copied again.
    void keepJoined(const std::string& text, const InternalName& name) {
        Entry& entry = entries[1];
        entry.kept = text.size() <= maxJoined;
        if (!entry.kept) return;
        entry.text.assign(text);
        entry.name = name;
    }

  private:
    static constexpr std::size_t maxJoined = 256;
    struct Entry {
        std::string text;
        InternalName name = InternalName::UndefinedObject;
        bool kept = false;
    };
    std::array<Entry, 2> entries;
};

// How the DTD-driven mapping treats every element and text of one document: the request's
// options, settled once before the walk rather than tested again for each node.
struct DtdMappingPlan {
    DtdMappingPlan(const ParseRequest& request, bool freshMembers, const InternalName& pcdata)
        : asksSignatures(request.dtdDemand != builtinObject::Nil),
          viaDtdObject(request.dtdObject != builtinObject::Nil),
          repeatsNothing(request.ordering != 1 && !asksSignatures),
          linksFreshChild(freshMembers && request.xml == 1 && !asksSignatures && !viaDtdObject &&
                          request.ordering != 1 && request.mapping == 1),
          textMethod(request.kind == 6 ? builtinObject::Text : pcdata) {}

    // Whether the signatures give an element's class and the arrow of each link (a DTD demand).
    bool asksSignatures;
    // Whether methods and classes are paths of the DTD object.
    bool viaDtdObject;
    // Whether linking a text to a host it was linked to before stores nothing: it states the
    // same set member and the same child relation once more. A mapping that numbers the
    // children or asks the signatures for each link does more.
    bool repeatsNothing;
    // Whether linking an element stages exactly host[name ->> element] and element's child
    // relation to host, after the element's membership, which the layer stores as that of a
    // fresh object: the three are then one fact (see StagedFacts::freshChild), and the
    // element's attributes follow it.
    bool linksFreshChild;
    // The method that links a text to its element.
    InternalName textMethod;
};

// The rows of a lookup, copied out before anything is inserted.
std::vector<std::vector<InternalName>> rowsOf(const Ref<Iterator>& rows) {
    std::vector<std::vector<InternalName>> result;
    if (!rows) return result;
    for (bool more = rows->first(); more; more = rows->next()) {
        std::vector<InternalName> row;
        for (int column = 1; column <= rows->columns(); ++column) {
            row.push_back(rows->atColumn(column));
        }
        result.push_back(row);
    }
    return result;
}

// The texts of the element's own text children, one after the other, copied in place: a root of
// many children has a line break between each two, and appending them one by one took more than
// the walk's own step for each. Their length was counted as the tree was built: the children of
// a large element are cold when the mapping reaches it, and measuring them first passed over
// them once more (a third of the walk's time for a root of a million elements).
void joinTexts(const SGMLTreeElem* element, std::string& joined) {
    std::size_t length = element->getOwnTextLength();
    if (length == 0) {
        joined.clear();
        return;
    }
    if (const SGMLTreeElem* same = element->sameOwnText();
        same != nullptr && length != SGMLTreeElem::ownTextUnknown) {
        // The one text, as many times as it fills the length.
        const std::string_view text = same->getText();
        joined.resize(length);
        char* at = joined.data();
        copyText(at, text.data(), text.size());
        for (std::size_t done = text.size(); done < length;) {
            const std::size_t step = std::min(done, length - done);
            std::memcpy(at + done, at, step);
            done += step;
        }
        return;
    }
    if (length == SGMLTreeElem::ownTextUnknown) {
        length = 0;
        for (const SGMLTreeElem* part : element->getChildren())
            if (part->isText()) length += part->getText().size();
    }
    joined.resize(length);
    char* at = joined.data();
    for (const SGMLTreeElem* part : element->getChildren()) {
        if (!part->isText()) continue;
        const std::string_view text = part->getText();
        copyText(at, text.data(), text.size());
        at += text.size();
    }
}

}  // namespace

NsgmlHandler::MapFrame::MapFrame(const InternalName& host, const InternalName& hostClass,
                                 SGMLTreeElem* element, std::int32_t counterAt)
    : host(host),
      hostClass(hostClass),
      element(element),
      next(element->getChildren().begin()),
      counterAt(counterAt) {}

bool NsgmlHandler::stopDuring(int& steps) {
    if ((++steps & 1023) != 0) return false;
    if (mappingPoll) mappingPoll();
    return controlEvents::stopRequested();
}

void NsgmlHandler::insertElementClass(const InternalName& element, const InternalName& cls,
                                      bool fresh) {
    if (fresh)
        state->staged.freshMembership(element, cls);
    else
        state->staged.classRelation(element, cls, 1);
    // Siblings mostly share their class: its relations were staged with the one before.
    if (cls == state->lastElementClass) return;
    state->staged.classRelationOnce(cls, builtinObject::Tag, 1);
    state->staged.classRelationOnce(cls, builtinObject::Node, 2);
    state->lastElementClass = cls;
}

bool NsgmlHandler::classRelationsStaged(const InternalName& cls) const {
    return cls == state->lastElementClass ||
           (state->staged.stagedOnce(cls, builtinObject::Tag, 1) &&
            state->staged.stagedOnce(cls, builtinObject::Node, 2));
}

bool NsgmlHandler::hasMappedAttribute(const SGMLTreeElem* element) {
    for (const SGMLTreeAttr& attribute : element->getAttributes())
        if (attribute.getStatus() == '+') return true;
    return false;
}

bool NsgmlHandler::isSubclass(const InternalName& x, const InternalName& cls) {
    // A result class that is the class itself counts: a method given `literal` as its result
    // class takes literal values.
    return x == cls || access->isaTest(x, cls, IsaRelation::Subclass) != 0;
}

void NsgmlHandler::mapChildren(const InternalName& host, const InternalName& method,
                               SGMLTreeElem* element, const ParseRequest& request, int& counter) {
    // One frame a level instead of one call, so that deep documents cannot exhaust the stack.
    std::vector<MapFrame> frames;
    frames.reserve(16);
    frames.emplace_back(host, method, element, -1);
    auto counterOf = [&](const MapFrame& frame) -> int& {
        return frame.counterAt < 0 ? counter : frames[std::size_t(frame.counterAt)].own;
    };
    int steps = 0;
    while (!frames.empty() && !stopDuring(steps)) {
        MapFrame& frame = frames.back();
        if (frame.next == SGMLTreeElem::ChildIterator()) {
            frames.pop_back();
            continue;
        }
        SGMLTreeElem* c = *frame.next;
        ++frame.next;
        if (!state->tree.inCurrentBlock(c)) releasePassed(frames, c);
        if (c->isText()) {
            if (skipEmptyText != 0 && c->getText().empty()) continue;
            int& number = counterOf(frame);
            InternalName numberName;
            access->internName(numberName, std::to_string(number), 3);
            InternalName text;
            access->internName(text, quoted(documentText(std::string(c->getText()))), 2);
            state->staged.value(frame.host, frame.hostClass, &numberName, 1, 0, text);
            ++number;
        } else if (c->getStatus() == '+') {
            int& number = counterOf(frame);
            InternalName e = state->rootObject;
            if (frame.host != state->document) {
                InternalName numberName;
                access->internName(numberName, std::to_string(number), 3);
                e = state->staged.path(*access, frame.host, frame.hostClass, &numberName, 1);
            }
            const InternalName name = symbol(c->getName());
            const InternalName cls = path(state->document, name);
            // A path object may be one stored before, with classes of its own.
            insertElementClass(e, cls, false);
            for (const SGMLTreeAttr& attribute : c->getAttributes()) {
                if (attribute.getStatus() == '+') mapAttribute(e, name, attribute, request);
            }
            ++number;
            // The frame counts its own children; `frame` is not read past this point, which
            // the vector's growth may move.
            const auto own = static_cast<std::int32_t>(frames.size());
            frames.emplace_back(e, name, c, own);
        } else if (c->getStatus() == '-') {
            const MapFrame dropped(frame.host, frame.hostClass, c, frame.counterAt);
            frames.push_back(dropped);
        }
    }
}

void NsgmlHandler::mapAttribute(const InternalName& object, const InternalName& elementClass,
                                const SGMLTreeAttr& attribute, const ParseRequest& request) {
    InternalName target = object;
    if (!attribute.getExtra().empty()) {
        target = path(object, symbol(attribute.getExtra()));
        state->staged.classRelation(target, builtinObject::Namespace, 1);
    }
    const InternalName method = symbol(attribute.getName());
    int arrow = request.kind == 5 ? 1 : request.kind == 6 ? 2 : 0;
    InternalName resultClass = undefined;
    // The declared type, unless the signatures say otherwise; not copied for each element.
    static const std::string idrefType = "IDREF";
    static const std::string idType = "ID";
    const std::string* declared = &attribute.getType();
    if (request.dtdDemand != builtinObject::Nil) {
        lookupArrowType(elementClass, method, request, arrow, resultClass);
        if (resultClass == builtinObject::Object) declared = &idrefType;
        if (!isSubclass(resultClass, builtinObject::String) && textOf(resultClass) == "id") {
            declared = &idType;
        }
    }
    const std::string& type = *declared;
    if (resultClass == undefined) resultClass = builtinObject::Literal;
    const std::string value(attribute.getValue());
    if (type == "CDATA") {
        insertAttributeValue(target, method, arrow, resultClass, value, request);
    } else if (type == "TOKEN" || (type == "IDREF" && request.references == 0)) {
        const InternalName cls = type == "TOKEN" ? resultClass : builtinObject::Literal;
        const std::vector<std::string> tokens = blankTokens(value);
        const int tokenArrow = tokens.size() > 1 ? setArrow(arrow) : arrow;
        for (const std::string& token : tokens) {
            insertAttributeValue(target, method, tokenArrow, cls, token, request);
        }
    } else if (type == "ID") {
        insertAttributeValue(target, method, arrow, resultClass, value, request);
        insertAttributeValue(target, xmlId, 1, builtinObject::Literal, value, request);
        if (request.references == 1) state->ids.addId(value, target);
    } else if (type == "IDREF") {
        const InternalName m = dtdMethod(method, request);
        state->staged.classRelationOnce(m, builtinObject::Attribute, 1);
        state->staged.value(target, xmlIdref, &m, 1, 1, symbol(quoted(value)));
        const std::vector<std::string> tokens = blankTokens(value);
        const int tokenArrow = tokens.size() > 1 ? setArrow(arrow) : arrow;
        for (const std::string& token : tokens)
            state->ids.addReference(target, m, tokenArrow, token);
    }
}

void NsgmlHandler::insertAttributeValue(const InternalName& object, const InternalName& method,
                                        int arrow, const InternalName& resultClass,
                                        const std::string& value, const ParseRequest& request) {
    const std::string text = documentText(value);
    InternalName v;
    if (request.kind == 3) {
        access->internName(v, quoted(text), 2);
    } else if (isSubclass(resultClass, builtinObject::Literal)) {
        access->numberOrString(v, text);
    } else {
        v = symbol(text);
    }
    const InternalName m = dtdMethod(method, request);
    state->staged.value(object, m, nullptr, 0, arrow, v);
    state->staged.classRelationOnce(m, builtinObject::Attribute, 1);
}

void NsgmlHandler::lookupArrowType(const InternalName& hostClass, const InternalName& method,
                                   const ParseRequest& request, int& arrow,
                                   InternalName& resultClass) {
    if (hostClass == state->rootObject) {
        arrow = 0;
        resultClass = builtinObject::Object;
        return;
    }
    InternalName position = method;
    if (request.dtdObject != builtinObject::Nil &&
        !state->staged.findPath(*access, request.dtdObject, method, nullptr, 0, position)) {
        centralErrorHandler().report(Error(
            5, 1, 1, "Undefined MethodClass",
            "Undefined Method Application " + textOf(request.dtdObject) + " " + textOf(method),
            "NsgmlHandler::lookupArrowType", ""));
        position = undefined;
    }
    resultClass = signatureClass(6, hostClass, position);
    if (resultClass != undefined) {
        arrow = 0;
        return;
    }
    resultClass = signatureClass(7, hostClass, position);
    if (resultClass != undefined) {
        arrow = 1;
        return;
    }
    lookupSignature(hostClass, method);
    arrow = 1;
}

InternalName NsgmlHandler::signatureClass(int type, const InternalName& hostClass,
                                          const InternalName& method) {
    InternalName pattern[3] = {hostClass, method, undefined};
    std::set<InternalName> classes;
    for (const auto& row :
         rowsOf(Ref<Iterator>::adopt(access->lookup(MethodType(type), pattern, 3, nullptr)))) {
        if (row.size() >= 3) classes.insert(row[2]);
    }
    for (const InternalName& y : classes) {
        bool below = false;
        for (const InternalName& x : classes) {
            if (x != y && access->isaTest(x, y, IsaRelation::Subclass) != 0) below = true;
        }
        if (!below) return y;
    }
    return undefined;
}

void NsgmlHandler::lookupSignature(const InternalName& hostClass, const InternalName& method) {
    centralErrorHandler().report(Error(
        5, 1, 1, "Signature not Found",
        "Undefined Signature: " + textOf(hostClass) + "." + textOf(method) + ". Assuming setData.",
        "NsgmlHandler::lookupSignature", ""));
}

void NsgmlHandler::mapDtdChildren(const InternalName& host, const InternalName& hostClass,
                                  SGMLTreeElem* element, const ParseRequest& request,
                                  int& counter) {
    const DtdMappingPlan plan(request, static_cast<bool>(freshMember), pcdata);
    // Each element with a text is mapped to it: a name-map entry each.
    access->reserveMappedNames(state->tree.textHolders());
    // Each such text is mostly a name of its own in the symbol table.
    if (SymTab* symbols = access->giveSymTab()) symbols->reserveIndex(state->tree.textHolders());
    // The frames lie in a vector, reserved for the usual depth: a deque's push and pop were a
    // tenth of an element's walk.
    std::vector<MapFrame> frames;
    frames.reserve(16);
    frames.emplace_back(host, hostClass, element, -1);
    auto counterOf = [&](const MapFrame& frame) -> int& {
        return frame.counterAt < 0 ? counter : frames[std::size_t(frame.counterAt)].own;
    };
    // Links an element whose subtree is mapped: the element joins its class and the host of the
    // frame that stands for its parent.
    auto close = [&](const MapFrame& outer, const InternalName& e, const InternalName& cls,
                     const InternalName& name, const SGMLTreeElem* closed) {
        if (plan.linksFreshChild && classRelationsStaged(cls)) {
            // Its class, its link to the host and its child relation are one staged fact, which
            // the commit stores in one step; its attributes follow. The attributes are the
            // element's own values, which its link and child relation leave as they are: the
            // object base ends the same as when they came between its class and its link (the
            // import fuzzer's twin test compares both roads).
            state->lastElementClass = cls;
            // An element without children whose attributes are mapped is one fact with them,
            // stored in one step: its object has nothing before them.
            if (closed->getChildren().empty() && hasMappedAttribute(closed))
                state->staged.freshElement(e, cls, outer.host, name, 1, undefined, 1, undefined);
            else
                state->staged.freshChild(e, cls, outer.host, name, 1);
            for (const SGMLTreeAttr& attribute : closed->getAttributes()) {
                if (attribute.getStatus() == '+') mapAttribute(e, cls, attribute, request);
            }
            return;
        }
        // The element's object was made by this walk, and only this fact classes it.
        insertElementClass(e, cls, true);
        for (const SGMLTreeAttr& attribute : closed->getAttributes()) {
            if (attribute.getStatus() == '+') mapAttribute(e, cls, attribute, request);
        }
        linkChild(outer.host, outer.hostClass, e, name, counterOf(outer), request);
    };
    int steps = 0;
    // Siblings are mostly parted by the same blank text: the text met last and its name, made
    // once for the run.
    std::string lastText;
    bool textNamed = false;
    InternalName lastTextName = undefined;
    // The text met before the last one, and the joined text of the element entered last, with
    // their names: an element that holds one text between siblings parted by blank text meets
    // its own text and the blank one by turns, and its text was named for the element already
    // (each text named again took a fifth of such an element's mapping).
    TextNames otherTexts;
    // The element name met last, by the tree's one copy of it, and its symbol: siblings mostly
    // share their name, which is then neither compared nor looked up.
    const std::string* lastName = nullptr;
    InternalName lastNameSymbol = undefined;
    // The name of a text met by the walk: the text met last, when it is that one again.
    auto nameText = [&](std::string_view text) {
        if (!textNamed || !sameText(lastText, text)) {
            InternalName known = undefined;
            const bool found = otherTexts.find(text, known);
            if (textNamed) otherTexts.keepPrevious(lastText, lastTextName);
            lastText = text;
            if (found)
                lastTextName = known;
            else
                access->numberOrString(lastTextName, documentText(lastText));
            textNamed = true;
        }
        return lastTextName;
    };
    // The text of an element's own text children, made anew for each element in one buffer.
    std::string joined;
    // The objects of a run of sibling elements. A run of 64 keeps the nodes read twice, once to
    // find the run and once to stage its facts, in the first-level cache: runs of 256 missed it
    // three times an element more.
    std::array<InternalName, 64> fresh;
    while (!frames.empty() && !stopDuring(steps)) {
        MapFrame& frame = frames.back();
        if (frame.next == SGMLTreeElem::ChildIterator()) {
            if (frame.linksToOuter)
                close(frames[frames.size() - 2], frame.host, frame.hostClass, frame.name,
                      frame.element);
            frames.pop_back();
            continue;
        }
        SGMLTreeElem* c = *frame.next;
        ++frame.next;
        if (!state->tree.inCurrentBlock(c)) releasePassed(frames, c);
        if (c->isText()) {
            const std::string_view text = c->getText();
            if (skipEmptyText != 0 && text.empty()) continue;
            const InternalName v = nameText(text);
            // Two texts may name one value ("1" and "01").
            if (plan.repeatsNothing && frame.linkedText == v) continue;
            frame.linkedText = v;
            linkChild(frame.host, frame.hostClass, v, plan.textMethod, counterOf(frame), request);
            continue;
        }
        if (c->getStatus() == '-') {
            const MapFrame dropped(frame.host, frame.hostClass, c, frame.counterAt);
            frames.push_back(dropped);
            continue;
        }
        if (c->getStatus() != '+') continue;
        const std::string& written = c->getName();
        if (&written != lastName) {
            lastNameSymbol = symbol(written);
            lastName = &written;
        }
        const InternalName name = lastNameSymbol;
        if (plan.linksFreshChild && c->getChildren().empty() && !hasMappedAttribute(c) &&
            classRelationsStaged(name)) {
            // The element's only facts are the one freshChild stages, and so are those of the
            // siblings of its name that follow it, parted by the blank text linked last: the
            // run's objects are made in one call (a call for each was a third of an element's
            // mapping), then their facts staged in order. The run ends before the next look for
            // a stop request, so that no object is made past it.
            const int room = 1023 - (steps & 1023);
            // Whether the text linked last, met again here, links nothing.
            const bool relinksNothing =
                plan.repeatsNothing && textNamed && frame.linkedText == lastTextName;
            std::size_t count = 1;
            int taken = 0;
            for (SGMLTreeElem::ChildIterator at = frame.next;
                 at != SGMLTreeElem::ChildIterator() && taken < room && count < fresh.size();
                 ++at) {
                const SGMLTreeElem* sibling = *at;
                if (sibling->isText()) {
                    const std::string_view text = sibling->getText();
                    const bool linksNothing = (skipEmptyText != 0 && text.empty()) ||
                                              (relinksNothing && sameText(lastText, text));
                    if (!linksNothing) break;
                } else {
                    if (sibling->getStatus() != '+' || &sibling->getName() != lastName ||
                        !sibling->getChildren().empty() || hasMappedAttribute(sibling))
                        break;
                    ++count;
                }
                ++taken;
            }
            access->makeFreshObjects(fresh.data(), count);
            state->lastElementClass = name;
            state->staged.freshChild(fresh[0], name, frame.host, name, 1);
            std::size_t made = 1;
            for (; taken > 0; --taken) {
                SGMLTreeElem* sibling = *frame.next;
                ++frame.next;
                ++steps;
                if (!state->tree.inCurrentBlock(sibling)) releasePassed(frames, sibling);
                if (!sibling->isText())
                    state->staged.freshChild(fresh[made++], name, frame.host, name, 1);
            }
            continue;
        }
        InternalName e = undefined;
        access->makeFreshObject(e);
        InternalName cls = undefined;
        if (plan.asksSignatures) {
            int arrow = 0;
            lookupArrowType(frame.hostClass, name, request, arrow, cls);
        }
        const bool childless = c->getChildren().empty();
        // The name of the element's joined text, when it has one.
        InternalName joinedName = undefined;
        if (!childless) {
            // An empty text adds nothing, whether empty texts are skipped or not.
            joinTexts(c, joined);
            if (!joined.empty()) {
                access->numberOrString(joinedName, documentText(joined));
                access->mapName(e, joinedName);
                otherTexts.keepJoined(joined, joinedName);
            }
        }
        if (plan.asksSignatures) {
            // A literal element stands for its text alone: nothing under it becomes an object.
            if (cls != undefined && isSubclass(cls, builtinObject::Literal)) {
                linkChild(frame.host, frame.hostClass, e, name, counterOf(frame), request);
                continue;
            }
        }
        if (cls == undefined) cls = plan.viaDtdObject ? dtdMethod(name, request) : name;
        // An element without children is done at once: its frame would be closed at the next
        // step, with nothing met in between.
        if (childless) {
            close(frame, e, cls, name, c);
            continue;
        }
        if (plan.linksFreshChild && classRelationsStaged(cls)) {
            // An element whose content is one text: the text is named and linked as its frame
            // would link it, and the element closed at once. Its link to its text, the text's
            // child relation, its class, its link to the host and its child relation are one
            // staged fact, stored in one step; its attributes follow, as close stages them.
            SGMLTreeElem::ChildIterator only = c->getChildren().begin();
            SGMLTreeElem* text = *only;
            if (text->isText() && ++only == SGMLTreeElem::ChildIterator()) {
                if (!state->tree.inCurrentBlock(text)) releasePassed(frames, text, c);
                if (skipEmptyText != 0 && text->getText().empty()) {
                    close(frame, e, cls, name, c);
                    continue;
                }
                // The one text is the joined text, named just now: the text met last is left
                // as it was, mostly the blank text that parts the siblings, which then need not
                // be found again (taking turns with it cost an element a quarter of its
                // mapping of texts).
                const std::string_view own = text->getText();
                const InternalName v =
                    joinedName != undefined && sameText(joined, own) ? joinedName : nameText(own);
                state->lastElementClass = cls;
                state->staged.freshElement(e, cls, frame.host, name, 1, plan.textMethod, 1, v);
                for (const SGMLTreeAttr& attribute : c->getAttributes()) {
                    if (attribute.getStatus() == '+') mapAttribute(e, cls, attribute, request);
                }
                continue;
            }
        }
        // The frame counts its own children; `frame` is not read past this point, which the
        // vector's growth may move.
        const auto own = static_cast<std::int32_t>(frames.size());
        MapFrame& pushed = frames.emplace_back(e, cls, c, own);
        pushed.linksToOuter = true;
        pushed.name = name;
    }
}

void NsgmlHandler::releasePassed(const std::vector<MapFrame>& frames, const SGMLTreeElem* node,
                                 const SGMLTreeElem* alsoOpen) {
    std::vector<const SGMLTreeElem*> open;
    open.reserve(frames.size() + 1);
    for (const MapFrame& frame : frames) open.push_back(frame.element);
    if (alsoOpen != nullptr) open.push_back(alsoOpen);
    state->tree.releasePassed(node, open);
}

void NsgmlHandler::linkChild(const InternalName& host, const InternalName& hostClass,
                             const InternalName& x, const InternalName& method, int& counter,
                             const ParseRequest& request) {
    if (request.xml == 1) {
        int arrow = 1;
        if (request.dtdDemand != builtinObject::Nil) {
            InternalName ignored = undefined;
            lookupArrowType(hostClass, method, request, arrow, ignored);
        }
        const InternalName m = dtdMethod(method, request);
        state->staged.value(host, m, nullptr, 0, arrow, x);
        if (request.dtdObject != builtinObject::Nil && method == builtinObject::Text) {
            state->staged.classRelationOnce(m, builtinObject::Text, 1);
        }
    }
    if (request.ordering == 1) {
        InternalName args[2] = {method, undefined};
        access->internName(args[1], std::to_string(counter++), 3);
        state->staged.value(host, dtdMethod(child, request), args, 2, 0, x);
    }
    if (request.mapping == 1) state->staged.classRelation(x, host, 3);
}

void NsgmlHandler::resolveReferences(const ParseRequest& request) {
    int steps = 0;
    bool stopped = false;
    state->ids.resolve([&](const IdTable::Reference& reference, const InternalName* target) {
        if (stopDuring(steps)) {
            stopped = true;
            return false;
        }
        if (target == nullptr) {
            centralErrorHandler().report(Error(5, 1, 2, "Undefined Reference",
                                               "undefined Reference " + std::string(reference.id()),
                                               "NsgmlHandler::resolveReferences", ""));
        } else {
            state->staged.value(reference.object, reference.method, nullptr, 0, reference.number,
                                *target);
        }
        return true;
    });
    if (stopped) return;
    // "*->", "*->>" and the "@*->>" defaults the XML layer's DTD mapping stores.
    for (int type : {3, 4, 5}) resolveDefaults(type, request);
}

void NsgmlHandler::resolveDefaults(int type, const ParseRequest& request) {
    InternalName pattern[4] = {undefined, xmlIdref, undefined, undefined};
    struct Default {
        InternalName host;
        InternalName method;
        InternalName id;
    };
    std::vector<Default> defaults;
    Ref<Iterator> members;
    for (const auto& row :
         rowsOf(Ref<Iterator>::adopt(access->lookup(MethodType(type), pattern, 4, nullptr)))) {
        if (row.size() < 4) continue;
        if (type == 3) {
            defaults.push_back({row[0], row[2], row[3]});
            continue;
        }
        members.renew([&](Iterator* old) { return access->setIterator(row[3], old); });
        if (!members) {
            defaults.push_back({row[0], row[2], row[3]});
            continue;
        }
        for (bool more = members->first(); more; more = members->next()) {
            defaults.push_back({row[0], row[2], members->atColumn(1)});
        }
    }
    members.reset();
    for (const Default& entry : defaults) {
        const std::string text = textOf(entry.id);
        if (text.size() < 2) continue;
        const InternalName* target = state->ids.find(text.substr(1, text.size() - 2));
        if (target != nullptr) recordDefault(entry.host, entry.method, type, *target, request);
    }
}

void NsgmlHandler::recordDefault(const InternalName& host, const InternalName& method, int type,
                                 const InternalName& target, const ParseRequest& request) {
    InternalName pattern[3] = {undefined, undefined, method};
    const auto holders =
        rowsOf(Ref<Iterator>::adopt(access->lookup(MethodType::Scalar, pattern, 3, nullptr)));
    if (holders.empty()) {
        state->staged.value(host, method, nullptr, 0, type, target);
        return;
    }
    for (const auto& row : holders) {
        if (!row.empty() && row[0] == request.dtdObject) {
            state->staged.value(host, method, nullptr, 0, type, target);
        }
    }
}
