// The import's mapping of the document tree into objects: the plain and the DTD-driven mapping,
// attributes, signature lookups, links between parent and child, and ID references.
#include <functional>
#include <set>
#include <string>
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

// Whether two texts are equal; a short text, as the blank text between siblings mostly is,
// without a call.
bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    if (a.size() > 16) return a == b;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

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
    std::string type = attribute.getType();
    if (request.dtdDemand != builtinObject::Nil) {
        lookupArrowType(elementClass, method, request, arrow, resultClass);
        if (resultClass == builtinObject::Object) type = "IDREF";
        if (!isSubclass(resultClass, builtinObject::String) && textOf(resultClass) == "id") {
            type = "ID";
        }
    }
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
    // The frames lie in a vector, reserved for the usual depth: a deque's push and pop were a
    // tenth of an element's walk.
    std::vector<MapFrame> frames;
    frames.reserve(16);
    frames.emplace_back(host, hostClass, element, -1);
    auto counterOf = [&](const MapFrame& frame) -> int& {
        return frame.counterAt < 0 ? counter : frames[std::size_t(frame.counterAt)].own;
    };
    SymTab* names = access->giveSymTab();
    int steps = 0;
    std::string lastText;
    InternalName lastTextName = undefined;
    // The element name met last, by the tree's one copy of it, and its symbol: siblings mostly
    // share their name, which is then neither compared nor looked up.
    const std::string* lastName = nullptr;
    InternalName lastNameSymbol = undefined;
    // The text of an element's own text children, made anew for each element in one buffer.
    std::string joined;
    // The text linked last and its host. Linking the same text to the same host again states
    // the same set member and the same child relation once more, which stores nothing; a
    // mapping that numbers the children or asks the signatures for each link does more.
    const bool repeatsNothing = request.ordering != 1 && request.dtdDemand == builtinObject::Nil;
    InternalName linkedText = undefined;
    InternalName linkedHost = undefined;
    // Whether linking an element stages exactly host[name ->> element] and element's child
    // relation to host, after the element's membership, which the layer stores as that of a
    // fresh object: the three are then one fact (see StagedFacts::freshChild).
    const bool linksFreshChild =
        freshMember && request.xml == 1 && request.dtdDemand == builtinObject::Nil &&
        request.dtdObject == builtinObject::Nil && request.ordering != 1 && request.mapping == 1;
    while (!frames.empty() && !stopDuring(steps)) {
        MapFrame& frame = frames.back();
        if (frame.next == SGMLTreeElem::ChildIterator()) {
            // The subtree is complete: the element joins its class and the host of the frame
            // below, which stands for its parent.
            if (frame.linksToOuter) {
                const MapFrame& outer = frames[frames.size() - 2];
                const InternalName e = frame.host;
                const InternalName cls = frame.hostClass;
                if (linksFreshChild && !hasMappedAttribute(frame.element) &&
                    classRelationsStaged(cls)) {
                    // Its class, its link to the host and its child relation are the element's
                    // only facts: one staged fact, which the commit stores in one step.
                    state->lastElementClass = cls;
                    state->staged.freshChild(e, cls, outer.host, frame.name, 1);
                    frames.pop_back();
                    continue;
                }
                // The element's object was made by this walk, and only this fact classes it.
                insertElementClass(e, cls, true);
                for (const SGMLTreeAttr& attribute : frame.element->getAttributes()) {
                    if (attribute.getStatus() == '+') mapAttribute(e, cls, attribute, request);
                }
                linkChild(outer.host, outer.hostClass, e, frame.name, counterOf(outer), request);
            }
            frames.pop_back();
            continue;
        }
        SGMLTreeElem* c = *frame.next;
        ++frame.next;
        if (!state->tree.inCurrentBlock(c)) releasePassed(frames, c);
        if (c->isText()) {
            const std::string_view text = c->getText();
            if (skipEmptyText != 0 && text.empty()) continue;
            // Siblings are mostly parted by the same blank text: its name is made once.
            if (lastTextName == undefined || !sameText(lastText, text)) {
                lastText = text;
                access->numberOrString(lastTextName, documentText(lastText));
            }
            const InternalName v = lastTextName;
            if (repeatsNothing && v == linkedText && frame.host == linkedHost) continue;
            linkedText = v;
            linkedHost = frame.host;
            linkChild(frame.host, frame.hostClass, v,
                      request.kind == 6 ? builtinObject::Text : pcdata, counterOf(frame), request);
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
        InternalName e = undefined;
        access->getOrCreateName(names->newSymbol(InternalName::Function, 0), e);
        InternalName cls = undefined;
        if (request.dtdDemand != builtinObject::Nil) {
            int arrow = 0;
            lookupArrowType(frame.hostClass, name, request, arrow, cls);
        }
        // An empty text adds nothing, whether empty texts are skipped or not.
        joined.clear();
        for (SGMLTreeElem* part : c->getChildren()) {
            if (part->isText()) joined += part->getText();
        }
        if (!joined.empty()) {
            InternalName value;
            access->numberOrString(value, documentText(joined));
            access->mapName(e, value);
        }
        // A literal element stands for its text alone: nothing under it becomes an object.
        if (cls != undefined && isSubclass(cls, builtinObject::Literal)) {
            linkChild(frame.host, frame.hostClass, e, name, counterOf(frame), request);
            continue;
        }
        if (cls == undefined)
            cls = request.dtdObject != builtinObject::Nil ? dtdMethod(name, request) : name;
        // The frame counts its own children; `frame` is not read past this point, which the
        // vector's growth may move.
        const auto own = static_cast<std::int32_t>(frames.size());
        MapFrame& pushed = frames.emplace_back(e, cls, c, own);
        pushed.linksToOuter = true;
        pushed.name = name;
    }
}

void NsgmlHandler::releasePassed(const std::vector<MapFrame>& frames, const SGMLTreeElem* node) {
    std::vector<const SGMLTreeElem*> open;
    open.reserve(frames.size());
    for (const MapFrame& frame : frames) open.push_back(frame.element);
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
