// Writing document objects back as XML elements.
#include "shell/KavumExportHandler.h"

#include <algorithm>

#include "access/DescIter.h"
#include "access/ExportRequest.h"
#include "access/OMAccess.h"
#include "objectbase/DumpFormatter.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "objectbase/SymTab.h"
#include "shell/XMLDumpFormatter.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

// The members of the set value of object.method for a method type.
template <class Visit>
void forEachMember(OMAccess* access, int type, const InternalName& object,
                   const InternalName& method, Visit visit) {
    const InternalName pattern[] = {object, method, Free};
    const auto values = Ref<Iterator>::adopt(access->lookup(MethodType(type), pattern, 3, nullptr));
    for (bool row = values != nullptr && values->first(); row; row = values->next()) {
        const InternalName value = values->atColumn(3);
        if (value.getType() != InternalName::SetName) {
            visit(value);
            continue;
        }
        const auto members = Ref<Iterator>::adopt(access->setIterator(value, nullptr));
        for (bool more = members != nullptr && members->first(); more; more = members->next())
            visit(members->atColumn(1));
    }
}

// The entries without arguments of an object, in key order, sorted by the three method types an
// element's text reads: scalar (namespace prefixes), set (children) and attribute set
// (attributes). Read in place from the object's frame: a walk of its own for each type was a
// fifth of an export.
template <class Entry>
void entriesWithoutArguments(OMAccess* access, const InternalName& object,
                             std::vector<Entry>& scalar, std::vector<Entry>& set,
                             std::vector<Entry>& attributes) {
    scalar.clear();
    set.clear();
    attributes.clear();
    OM* om = access->om();
    const ObjectFrameView frame = om != nullptr ? om->objectFrameOf(object) : ObjectFrameView();
    if (!frame) return;
    frame.forEachEntry([&](const MethodKey& key, const InternalName& stored) {
        if (key.argCount != 0) return;
        if (key.methodType == code(MethodType::Scalar))
            scalar.push_back({key.method, stored});
        else if (key.methodType == code(MethodType::Set))
            set.push_back({key.method, stored});
        else if (key.methodType == code(MethodType::AttributeSet))
            attributes.push_back({key.method, stored});
    });
}

}  // namespace

template <class Visit>
void KavumExportHandler::forEachValue(int type, const InternalName& holder,
                                      const InternalName& method, const InternalName* stored,
                                      Visit visit) {
    if (stored == nullptr) {
        forEachMember(access.get(), type, holder, method, visit);
        return;
    }
    if (stored->getType() != InternalName::SetName) {
        visit(*stored);
        return;
    }
    if (const SetFrameView members = access->om()->setFrameOf(*stored))
        for (const InternalName& member : members.memberSet().ascending()) visit(member);
}

KavumExportHandler::KavumExportHandler(OMAccess* access) : XMLExportHandler(access) {}

bool KavumExportHandler::isA(const std::string& className) const {
    return className == "KavumExportHandler" || XMLExportHandler::isA(className);
}

void KavumExportHandler::writeTrailer(ExportRequest& /*request*/) {}

InternalName KavumExportHandler::elementName(const InternalName& object) {
    InternalName name;
    access->parentMethod(name, object);
    if (name == Free) access->typeClassOf(name, object);
    return name;
}

void KavumExportHandler::writeBody(ExportRequest& request) {
    storedValuesAnswer = access->om() != nullptr &&
                         (!access->inheritance().isOpen() || access->inheritanceOn() == 0);
    if (request.root == Free) {
        writeDocuments(request);
        return;
    }
    InternalName cls = documentClass(request.docType);
    if (cls == Free) cls = elementName(request.root);
    writeElement(request.root, cls, " ", 0);
}

std::vector<std::pair<InternalName, InternalName>> KavumExportHandler::rootElements() {
    // A root element is linked to its document, an object that is no node itself; everything
    // else a document holds (its URL, identifiers, errors) is no element.
    std::vector<std::pair<InternalName, InternalName>> roots;
    InternalName xmldoc;
    access->internName(xmldoc, "xmldoc", 1);
    const std::vector<InternalName> documents = instancesOf(xmldoc);
    for (const InternalName& document : documents) {
        const auto entries =
            Ref<HostSpecDescIter>::make(document, Free, 0, MethodType::Set, access.get());
        for (bool more = entries->first(); more; more = entries->next()) {
            const InternalName method = entries->atColumn(2);
            forEachMember(access.get(), 1, document, method, [&](const InternalName& child) {
                InternalName parent;
                if (access->parentElement(parent, child) == document) {
                    roots.emplace_back(child, method);
                }
            });
        }
    }
    return roots;
}

void KavumExportHandler::writeDocuments(ExportRequest& request) {
    // One top element keeps the text well-formed: the document type's when one is named (the
    // header declares it), the one root element when the base holds one, else a wrapper.
    const auto roots = rootElements();
    std::string wrapper = request.docType;
    if (wrapper.empty() && roots.size() != 1) wrapper = "documents";
    if (!wrapper.empty()) formatter->writeLine("<" + wrapper + ">");
    for (const auto& [element, method] : roots) {
        writeElement(element, method, wrapper.empty() ? " " : "  ", 0);
    }
    if (!wrapper.empty()) formatter->writeLine("</" + wrapper + ">");
}

void KavumExportHandler::writeObject(const InternalName& object, std::int32_t /*format*/) {
    if (access->isaTest(object, builtinObject::Literal, IsaRelation::Member) != 0) {
        formatter->write(formatter->xmlName(object));
        return;
    }
    writeElement(object, elementName(object), "  ", 0);
}

const std::string& KavumExportHandler::indentAt(const std::string& base, std::size_t depth) {
    // An export asks for one base, or a few, over and over.
    if (lastIndents == nullptr || lastBase != base) {
        lastIndents = &indents[base];
        lastBase = base;
    }
    std::deque<std::string>& made = *lastIndents;
    const std::size_t level = std::min(depth, maxIndentLevels);
    while (made.size() <= level) made.push_back(base + std::string(2 * made.size(), ' '));
    return made[level];
}

const std::string& KavumExportHandler::classElementOf(const InternalName& cls) {
    if (const auto known = classElementNumbers.find(cls); known != classElementNumbers.end())
        return classElements[known->second];
    classElementNumbers.emplace(cls, classElements.size());
    return classElements.emplace_back(xmlFormatter().classElementName(cls));
}

XMLDumpFormatter& KavumExportHandler::xmlFormatter() {
    return static_cast<XMLDumpFormatter&>(*formatter);
}

void KavumExportHandler::writeElement(const InternalName& object, const InternalName& cls,
                                      const std::string& indent, int flags) {
    // Documents and chains of objects nest as deep as they like: the open elements are kept on
    // a stack of their own, never one call a level.
    std::vector<OpenElement> open;
    if (auto first = openElement(object, cls, indent, 0, flags)) open.push_back(std::move(*first));
    while (!open.empty()) {
        if (stopped()) {
            // A stopped export writes nothing more; the objects it held open are let go so
            // that the handler's path stays right for the next export.
            for (const OpenElement& left : open) path.set(left.object, 0);
            return;
        }
        OpenElement& top = open.back();
        if (top.next == top.children.size()) {
            path.set(top.object, 0);
            formatter->write(indentAt(indent, top.depth));
            xmlFormatter().closeNamedFrame(*top.element);
            open.pop_back();
            continue;
        }
        const auto [method, member] = top.children[top.next++];
        if (method == Free) {
            lineText = indentAt(indent, top.depth + 1);
            xmlFormatter().appendXmlName(member, lineText);
            formatter->writeLine(lineText);
            continue;
        }
        if (auto child = openElement(member, method, indent, top.depth + 1, 0))
            open.push_back(std::move(*child));
    }
}

std::optional<KavumExportHandler::OpenElement> KavumExportHandler::openElement(
    const InternalName& object, const InternalName& cls, const std::string& base, std::size_t depth,
    int flags) {
    const std::string& indent = indentAt(base, depth);
    formatter->write(indent);
    const std::string& element = classElementOf(cls);
    if (path.get(object) != 0) {
        xmlFormatter().openNamedFrame(element, object, 1);
        formatter->writeLine("/>");
        return std::nullopt;
    }
    if (!idMethod) {
        InternalName bound;
        const bool found =
            access->om() != nullptr && access->giveSymTab() != nullptr &&
            access->om()->giveInternalName(
                access->giveSymTab()->GetFSymbol("id", InternalName::Function, 0), bound) != 0;
        idMethod = found ? bound : Free;
    }
    InternalName idValue;
    const bool hasId =
        *idMethod != Free && access->lookupMethodValue(object, *idMethod, idValue) != 0;
    xmlFormatter().openNamedFrame(element, object, flags != 0 || hasId ? 1 : 0);
    std::string attributes;
    entriesWithoutArguments(access.get(), object, scalarMethods, setMethods, attributeMethods);
    if (!attributeMethods.empty()) {
        const bool mapped = access->isMapped(object);
        for (const Entry& entry : attributeMethods)
            appendAttribute(mapped, object, entry.method,
                            storedValuesAnswer ? &entry.stored : nullptr,
                            attributeName(entry.method), attributes, indent);
    }
    writePrefixedAttributes(object, attributes, indent);
    formatter->write(attributes);

    OpenElement open{object, &element, depth, {}};
    std::size_t elementMethods = 0;
    for (const Entry& entry : setMethods) {
        const ChildKind kind = childKindOf(entry.method);
        // The import's record of an element's ID, which the ID attribute itself writes.
        if (kind == ChildKind::IdRecord) continue;
        // A text node is listed without a method.
        const InternalName as = kind == ChildKind::Text ? Free : entry.method;
        if (kind == ChildKind::Element) ++elementMethods;
        forEachValue(1, object, entry.method, storedValuesAnswer ? &entry.stored : nullptr,
                     [&](const InternalName& child) { open.children.emplace_back(as, child); });
    }
    if (elementMethods > 1) inDocumentOrder(open.children);
    // Only what is written inside counts: an element whose one entry is its ID record, as an
    // EMPTY element with an ID attribute is, has no content and is written empty.
    if (open.children.empty()) {
        formatter->writeLine("/>");
        return std::nullopt;
    }
    formatter->closeFrameHead();
    path.set(object, 1);
    return open;
}

void KavumExportHandler::inDocumentOrder(
    std::vector<std::pair<InternalName, InternalName>>& children) {
    // The entries of an element come by method, but a content model such as (title, author,
    // title) asks for the children in the order the document gave them. The import names the
    // elements it makes in that order, so the child elements take the places the element
    // children hold, sorted by name; the text nodes, which carry no such order, stay where
    // they are.
    orderedChildren.clear();
    for (const auto& child : children)
        if (child.first != Free) orderedChildren.push_back(child);
    std::stable_sort(orderedChildren.begin(), orderedChildren.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
    std::size_t next = 0;
    for (auto& child : children)
        if (child.first != Free) child = orderedChildren[next++];
}

KavumExportHandler::ChildKind KavumExportHandler::childKindOf(const InternalName& method) {
    const auto known = childKinds.find(method);
    if (known != childKinds.end()) return known->second;
    std::string methodText;
    access->giveLexicalForm(method, methodText);
    const ChildKind kind = methodText == "xml_id"   ? ChildKind::IdRecord
                           : methodText == "text()" ? ChildKind::Text
                                                    : ChildKind::Element;
    childKinds.emplace(method, kind);
    return kind;
}

void KavumExportHandler::writePrefixedAttributes(const InternalName& object, std::string& text,
                                                 const std::string& indent) {
    // The import maps an attribute p:x of an element e (an xmlns:p declaration included) onto
    // the namespace object e.p, as the attribute x of that object.
    std::vector<std::pair<InternalName, InternalName>> prefixes;
    for (const Entry& entry : scalarMethods) {
        const InternalName prefix = entry.method;
        InternalName holder;
        if (access->lookupMethodValue(object, prefix, holder) != 0 &&
            access->isaTest(holder, builtinObject::Namespace, IsaRelation::Member) != 0)
            prefixes.emplace_back(prefix, holder);
    }
    for (const auto& [prefix, holder] : prefixes) {
        const std::string name = formatter->xmlName(prefix) + ":";
        entriesWithoutArguments(access.get(), holder, holderScalar, holderSet, holderAttributes);
        const bool mapped = access->isMapped(object);
        for (const Entry& local : holderAttributes)
            appendAttribute(mapped, holder, local.method,
                            storedValuesAnswer ? &local.stored : nullptr,
                            name + formatter->xmlName(local.method), text, indent);
    }
}

const std::string& KavumExportHandler::attributeName(const InternalName& method) {
    // The lookup by value reads every object of the base: asked once an attribute of every
    // element, it made the export of a large document quadratic.
    if (const auto known = attributeNumbers.find(method); known != attributeNumbers.end())
        return attributeNames[known->second];
    attributeNumbers.emplace(method, attributeNames.size());
    return attributeNames.emplace_back(attributeNameFound(method));
}

std::string KavumExportHandler::attributeNameFound(const InternalName& method) {
    std::string name;
    // Outside an evaluation a lookup answers the stored values, so one walk names every
    // attribute at once; asked for each distinct attribute, the lookup read the whole base each
    // time.
    if (!access->inheritance().isOpen() || access->inheritanceOn() == 0) {
        if (!prefixedNamesFound) findPrefixedNames();
        if (const auto named = prefixedNames.find(method); named != prefixedNames.end())
            name = named->second;
    } else {
        const InternalName pattern[] = {Free, Free, method};
        const auto rows =
            Ref<Iterator>::adopt(access->lookup(MethodType::Scalar, pattern, 3, nullptr));
        for (bool row = rows != nullptr && rows->first(); row && name.empty(); row = rows->next()) {
            const InternalName prefix = rows->atColumn(1);
            if (access->isaTest(prefix, builtinObject::Namespace, IsaRelation::Member) != 0)
                name = formatter->xmlName(prefix) + ":" + formatter->xmlName(rows->atColumn(2));
        }
    }
    if (name.empty()) name = formatter->xmlName(method);
    return name;
}

void KavumExportHandler::findPrefixedNames() {
    // In the order of the lookup by value: objects in the order of their names, each one's
    // scalar entries in key order, the members of a set value in theirs. The first namespace
    // object that holds a value names it.
    prefixedNamesFound = true;
    OM* om = access->om();
    if (om == nullptr) return;
    for (const InternalName& host : instancesOf(builtinObject::Namespace)) {
        const ObjectFrameView frame = om->objectFrameOf(host);
        frame.forEachEntry([&](const MethodKey& key, const InternalName& value) {
            if (key.methodType != code(MethodType::Scalar) || key.argCount != 0) return;
            const auto note = [&](const InternalName& held) {
                if (prefixedNames.count(held) != 0) return;
                prefixedNames.emplace(
                    held, formatter->xmlName(host) + ":" + formatter->xmlName(key.method));
            };
            if (value.getType() != InternalName::SetName) {
                note(value);
                return;
            }
            if (const SetFrameView members = om->setFrameOf(value))
                for (const InternalName& member : members.memberSet().ascending()) note(member);
        });
    }
}

std::vector<InternalName> KavumExportHandler::instancesOf(const InternalName& cls) {
    // Found from the class and its subclasses rather than by asking every object of the base;
    // each is checked as the walk over the objects checked it, and they are put in that walk's
    // order, the order of the names.
    std::vector<InternalName> instances;
    OM* om = access->om();
    const auto members =
        Ref<Iterator>::adopt(access->makeEnhIsaIter(Free, cls, IsaRelation::Member, nullptr));
    for (bool more = members != nullptr && members->first(); more; more = members->next()) {
        const InternalName member = members->atColumn(1);
        if (om != nullptr && om->objectFrameOf(member) &&
            access->isaTest(member, cls, IsaRelation::Member) != 0)
            instances.push_back(member);
    }
    std::sort(instances.begin(), instances.end());
    instances.erase(std::unique(instances.begin(), instances.end()), instances.end());
    return instances;
}

void KavumExportHandler::writeAttributes(const InternalName& object, const InternalName& method,
                                         std::string& text, const std::string& indent) {
    appendAttribute(access->isMapped(object), object, method, nullptr, attributeName(method), text,
                    indent);
}

void KavumExportHandler::appendAttribute(bool mapped, const InternalName& holder,
                                         const InternalName& method, const InternalName* stored,
                                         const std::string& name, std::string& text,
                                         const std::string& indent) {
    // The attribute is written into the text in place; its start is where it began.
    const std::size_t start = text.size();
    std::size_t running = 0;
    bool first = true;
    forEachValue(2, holder, method, stored, [&](const InternalName& member) {
        if (first) {
            if (mapped) {
                text += ' ';
            } else {
                text += '\n';
                text += indent;
            }
            text += name;
            text += "='";
            running = text.size() - start;
        }
        valueText.clear();
        xmlFormatter().appendXmlName(referenceText(member), valueText);
        appendWrapped(text, valueText, running, first);
        first = false;
    });
    if (!first) text += '\'';
}

InternalName KavumExportHandler::referenceText(const InternalName& member) {
    // A resolved reference holds the element it names; the document names it by its ID.
    if (access->isaTest(member, builtinObject::Literal, IsaRelation::Member) != 0) return member;
    InternalName idMethod;
    access->internName(idMethod, "xml_id", 1);
    InternalName id = member;
    forEachMember(access.get(), 1, member, idMethod,
                  [&](const InternalName& value) { id = value; });
    return id;
}

void KavumExportHandler::writeChildren(const InternalName& object, const InternalName& method,
                                       const std::string& indent) {
    std::string methodText;
    access->giveLexicalForm(method, methodText);
    // The import's record of an element's ID, which the ID attribute itself writes.
    if (methodText == "xml_id") return;
    std::vector<InternalName> members;
    forEachMember(access.get(), 1, object, method,
                  [&](const InternalName& child) { members.push_back(child); });
    for (const InternalName& child : members) {
        if (stopped()) return;
        if (methodText == "text()")
            formatter->writeLine(indent + formatter->xmlName(child));
        else
            writeElement(child, method, indent, 0);
    }
}
