// Writing document objects back as XML elements.
#include "shell/KavumExportHandler.h"

#include "access/DescIter.h"
#include "access/ExportRequest.h"
#include "access/OMAccess.h"
#include "foundation/OutputChannel.h"
#include "objectbase/DumpFormatter.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "objectbase/SymTab.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

// The members of the set value of object.method for a method type.
template <class Visit>
void forEachMember(OMAccess* access, int type, const InternalName& object,
                   const InternalName& method, Visit visit) {
    const InternalName pattern[] = {object, method, Free};
    Iterator* values = access->lookup(MethodType(type), pattern, 3, nullptr);
    for (bool row = values != nullptr && values->first(); row; row = values->next()) {
        const InternalName value = values->atColumn(3);
        if (value.getType() != InternalName::SetName) {
            visit(value);
            continue;
        }
        Iterator* members = access->setIterator(value, nullptr);
        for (bool more = members != nullptr && members->first(); more; more = members->next())
            visit(members->atColumn(1));
        decRef(members);
    }
    decRef(values);
}

}  // namespace

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
    Iterator* objects = access->objNamesIterator(nullptr);
    std::vector<InternalName> documents;
    for (bool more = objects != nullptr && objects->first(); more; more = objects->next()) {
        const InternalName object = objects->atColumn(1);
        if (access->isaTest(object, xmldoc, IsaRelation::Member) != 0) documents.push_back(object);
    }
    decRef(objects);
    for (const InternalName& document : documents) {
        Iterator* entries = new HostSpecDescIter(document, Free, 0, MethodType::Set, access);
        for (bool more = entries->first(); more; more = entries->next()) {
            const InternalName method = entries->atColumn(2);
            forEachMember(access, 1, document, method, [&](const InternalName& child) {
                InternalName parent;
                if (access->parentElement(parent, child) == document) {
                    roots.emplace_back(child, method);
                }
            });
        }
        decRef(entries);
    }
    return roots;
}

void KavumExportHandler::writeDocuments(ExportRequest& request) {
    // One top element keeps the text well-formed: the document type's when one is named (the
    // header declares it), the one root element when the base holds one, else a wrapper.
    const auto roots = rootElements();
    std::string wrapper = request.docType;
    if (wrapper.empty() && roots.size() != 1) wrapper = "documents";
    OutputChannel& out = debugChannel();
    if (!wrapper.empty()) out << "<" << wrapper << ">" << std::endl;
    for (const auto& [element, method] : roots) {
        writeElement(element, method, wrapper.empty() ? " " : "  ", 0);
    }
    if (!wrapper.empty()) out << "</" << wrapper << ">" << std::endl;
}

void KavumExportHandler::writeObject(const InternalName& object, std::int32_t /*format*/) {
    if (access->isaTest(object, builtinObject::Literal, IsaRelation::Member) != 0) {
        debugChannel() << formatter->xmlName(object);
        return;
    }
    writeElement(object, elementName(object), "  ", 0);
}

void KavumExportHandler::writeElement(const InternalName& object, const InternalName& cls,
                                      const std::string& indent, int flags) {
    if (stopped()) return;
    OutputChannel& out = debugChannel();
    out << indent;
    if (path.member(object)) {
        formatter->openFrame(object, cls, 1);
        out << "/>" << std::endl;
        return;
    }
    InternalName idMethod;
    InternalName idValue;
    const bool hasId =
        access->om() != nullptr && access->giveSymTab() != nullptr &&
        access->om()->giveInternalName(
            access->giveSymTab()->GetFSymbol("id", InternalName::Function, 0), idMethod) != 0 &&
        access->lookupMethodValue(object, idMethod, idValue) != 0;
    formatter->openFrame(object, cls, flags != 0 || hasId ? 1 : 0);
    path.insert(object);
    std::string attributes;
    Iterator* entries = new HostSpecDescIter(object, Free, 0, MethodType::AttributeSet, access);
    for (bool more = entries->first(); more; more = entries->next())
        writeAttributes(object, entries->atColumn(2), attributes, indent);
    decRef(entries);
    out << attributes;
    bool children = false;
    entries = new HostSpecDescIter(object, Free, 0, MethodType::Set, access);
    for (bool more = entries->first(); more; more = entries->next()) {
        if (!children) formatter->closeFrameHead();
        children = true;
        writeChildren(object, entries->atColumn(2), indent + "  ");
    }
    decRef(entries);
    path.del(object);
    if (children) {
        out << indent;
        formatter->closeFrame(object, cls);
    } else {
        out << "/>" << std::endl;
    }
}

std::string KavumExportHandler::attributeName(const InternalName& method) {
    const auto known = attributeNames.find(method);
    if (known != attributeNames.end()) return known->second;
    const InternalName pattern[] = {Free, Free, method};
    Iterator* rows = access->lookup(MethodType::Scalar, pattern, 3, nullptr);
    std::string name;
    for (bool row = rows != nullptr && rows->first(); row && name.empty(); row = rows->next()) {
        const InternalName prefix = rows->atColumn(1);
        if (access->isaTest(prefix, builtinObject::Namespace, IsaRelation::Member) != 0)
            name = formatter->xmlName(prefix) + ":" + formatter->xmlName(rows->atColumn(2));
    }
    decRef(rows);
    if (name.empty()) name = formatter->xmlName(method);
    attributeNames.emplace(method, name);
    return name;
}

void KavumExportHandler::writeAttributes(const InternalName& object, const InternalName& method,
                                         std::string& text, const std::string& indent) {
    std::string attribute;
    std::size_t running = 0;
    bool first = true;
    forEachMember(access, 2, object, method, [&](const InternalName& member) {
        if (first) {
            attribute = access->isMapped(object) ? " " : "\n" + indent;
            attribute += attributeName(method) + "='";
            running = attribute.size();
        }
        appendWrapped(attribute, formatter->xmlName(referenceText(member)), running, first);
        first = false;
    });
    if (!first) text += attribute + "'";
}

InternalName KavumExportHandler::referenceText(const InternalName& member) {
    // A resolved reference holds the element it names; the document names it by its ID.
    if (access->isaTest(member, builtinObject::Literal, IsaRelation::Member) != 0) return member;
    InternalName idMethod;
    access->internName(idMethod, "xml_id", 1);
    InternalName id = member;
    forEachMember(access, 1, member, idMethod, [&](const InternalName& value) { id = value; });
    return id;
}

void KavumExportHandler::writeChildren(const InternalName& object, const InternalName& method,
                                       const std::string& indent) {
    OutputChannel& out = debugChannel();
    std::string methodText;
    access->giveLexicalForm(method, methodText);
    // The import's record of an element's ID, which the ID attribute itself writes.
    if (methodText == "xml_id") return;
    forEachMember(access, 1, object, method, [&](const InternalName& child) {
        if (methodText == "text()")
            out << indent << formatter->xmlName(child) << std::endl;
        else
            writeElement(child, method, indent, 0);
    });
}
