// XMLCreator1's axis-carrying hooks and insert expressions, and its class object.
#include "xml/XMLCreator1.h"

#include <vector>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "xml/XMLOMAccess.h"

XMLCreator1::XMLCreator1(OMAccess* access) : Creator1(access) {
    if (access != nullptr && access->isA("XMLOMAccess")) {
        xmlAccess = static_cast<XMLOMAccess*>(access);
        return;
    }
    centralErrorHandler().report(Error(
        6, 118, 2, "WrongOMAccess", "XMLCreator needs an XMLOMAccess.", "XMLCreator1::create", ""));
}

void XMLCreator1::print(OutputChannel& channel) const {
    channel << "aXMLCreator1";
}

bool XMLCreator1::isA(const std::string& className) const {
    return className == "XMLCreator1" || Creator1::isA(className);
}

void XMLCreator1::transpose(Spec* spec, int argCount, int resultCount) {
    if (xmlAccess == nullptr) {
        Creator1::transpose(spec, argCount, resultCount);
        return;
    }
    if (changedValue == -1) return;
    if (directInsert == 0) {
        auto* expr = new XMLPropInsertExpr(xmlAccess, spec->getKind(), spec->getCode(), argCount,
                                           resultCount);
        fillSlot(expr, argCount + resultCount + 2);
        pushChild(expr);
        return;
    }
    std::vector<InternalName> results = popValues(resultCount);
    std::vector<InternalName> args = popValues(argCount);
    const InternalName method = popValue();
    const InternalName host = popValue();
    const InternalName* argData = argCount > 0 ? args.data() : nullptr;
    if (resultCount == 1) {
        noteInsert(xmlAccess->insertXMLValue(host, method, argData, argCount, spec->getKind(),
                                             spec->getCode(), results[0]));
    } else {
        set<InternalName> values;
        for (const InternalName& value : results) values.insert(value);
        noteInsert(xmlAccess->insertXMLSet(host, method, argData, argCount, spec->getKind(),
                                           spec->getCode(), values));
    }
    valueStack.push_back(host);
}

void XMLCreator1::transpose(Reference* ref, int argCount) {
    if (xmlAccess == nullptr) {
        Creator1::transpose(ref, argCount);
        return;
    }
    if (changedValue == -1) return;
    if (directInsert == 0) {
        auto* expr = new XMLPathInsertExpr(xmlAccess, ref->getDot(), ref->getCode(), argCount);
        fillSlot(expr, argCount + 2);
        pushChild(expr);
        return;
    }
    std::vector<InternalName> args = popValues(argCount);
    const InternalName method = popValue();
    const InternalName host = popValue();
    InternalName value = InternalName::UndefinedObject;
    noteInsert(xmlAccess->insertXMLPath(host, method, argCount > 0 ? args.data() : nullptr,
                                        argCount, ref->getDot(), ref->getCode(), value));
    valueStack.push_back(value);
}

XMLPropInsertExpr::XMLPropInsertExpr(XMLOMAccess* access, int methodType, int axis, int argCount,
                                     int resultCount)
    : PropInsertExpr(access, methodType, argCount, resultCount), xmlAccess(access), axis(axis) {}

void XMLPropInsertExpr::apply(InternalName* out, int* changed) {
    *out = values[0];
    const InternalName* args = a > 0 ? &values[2] : nullptr;
    int isNew = 0;
    if (r == 1) {
        isNew = xmlAccess->insertXMLValue(values[0], values[1], args, a, type, axis, values[2 + a]);
    } else {
        for (int i = 0; i < r; ++i) results.insert(values[2 + a + i]);
        isNew = xmlAccess->insertXMLSet(values[0], values[1], args, a, type, axis, results);
        results.clear();
    }
    if (isNew != 0) *changed = 1;
}

XMLPathInsertExpr::XMLPathInsertExpr(XMLOMAccess* access, int pathKind, int axis, int argCount)
    : PathInsertExpr(access, pathKind, argCount), xmlAccess(access), axis(axis) {}

void XMLPathInsertExpr::apply(InternalName* out, int* changed) {
    InternalName value = InternalName::UndefinedObject;
    const InternalName* args = a > 0 ? &values[2] : nullptr;
    if (xmlAccess->insertXMLPath(values[0], values[1], args, a, type, axis, value) != 0) {
        *changed = 1;
    }
    *out = value;
}

FLSysObject* XMLCreator1Meta::createInstance(FLSysArgs* args) {
    FLSysObject* access = nullptr;
    if (!checkArgs1(args, "OMAccess", access)) return nullptr;
    return new XMLCreator1(static_cast<OMAccess*>(access));
}
