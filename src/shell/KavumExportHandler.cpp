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
    Iterator* values = access->lookup(type, pattern, 3, nullptr);
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
    InternalName cls = documentClass(request.docType);
    if (cls == Free) cls = elementName(request.root);
    writeElement(request.root, cls, " ", 0);
}

void KavumExportHandler::writeObject(const InternalName& object, std::int32_t /*format*/) {
    if (access->isaTest(object, builtinObject::Literal, 1) != 0) {
        debugChannel() << formatter->xmlName(object);
        return;
    }
    writeElement(object, elementName(object), "  ", 0);
}

void KavumExportHandler::writeElement(const InternalName& object, const InternalName& cls,
                                      const std::string& indent, int flags) {
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
    Iterator* entries = new HostSpecDescIter(object, Free, 0, 2, access);
    for (bool more = entries->first(); more; more = entries->next())
        writeAttributes(object, entries->atColumn(2), attributes, indent);
    decRef(entries);
    out << attributes;
    bool children = false;
    entries = new HostSpecDescIter(object, Free, 0, 1, access);
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
    const InternalName pattern[] = {Free, Free, method};
    Iterator* rows = access->lookup(0, pattern, 3, nullptr);
    std::string name;
    for (bool row = rows != nullptr && rows->first(); row && name.empty(); row = rows->next()) {
        const InternalName prefix = rows->atColumn(1);
        if (access->isaTest(prefix, builtinObject::Namespace, 1) != 0)
            name = formatter->xmlName(prefix) + ":" + formatter->xmlName(rows->atColumn(2));
    }
    decRef(rows);
    return name.empty() ? formatter->xmlName(method) : name;
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
        appendWrapped(attribute, formatter->xmlName(member), running, first);
        first = false;
    });
    if (!first) text += attribute + "'";
}

void KavumExportHandler::writeChildren(const InternalName& object, const InternalName& method,
                                       const std::string& indent) {
    OutputChannel& out = debugChannel();
    std::string methodText;
    access->giveLexicalForm(method, methodText);
    forEachMember(access, 1, object, method, [&](const InternalName& child) {
        if (methodText == "text()")
            out << indent << formatter->xmlName(child) << std::endl;
        else
            writeElement(child, method, indent, 0);
    });
}
