// XMLCreator1's axis-carrying hooks and insert expressions, and its class object.
#include "xml/XMLCreator1.h"

#include <vector>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "language/FactList.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "xml/XMLOMAccess.h"

XMLCreator1::XMLCreator1(OMAccess* access, OperatorTrace* trace) : Creator1(access, trace) {
    xmlAccess = dynamic_cast<XMLOMAccess*>(access);
    if (xmlAccess != nullptr) return;
    centralErrorHandler().report(Error(
        6, 118, 2, "WrongOMAccess", "XMLCreator needs an XMLOMAccess.", "XMLCreator1::create", ""));
}

void XMLCreator1::print(OutputChannel& channel) const {
    channel << "aXMLCreator1";
}

bool XMLCreator1::isA(const std::string& className) const {
    return className == "XMLCreator1" || Creator1::isA(className);
}

void XMLCreator1::createFact(const FactList& facts, std::size_t i) {
    if (facts.isMolecule(i))
        Creator::createFact(facts, i);
    else
        Creator1::createFact(facts, i);
}

void XMLCreator1::transpose(Spec* spec, int argCount, int resultCount) {
    if (xmlAccess == nullptr) {
        Creator1::transpose(spec, argCount, resultCount);
        return;
    }
    if (changedValue == -1) return;
    if (directInsert == 0) {
        auto expr = Ref<XMLPropInsertExpr>::make(xmlAccess, MethodType(spec->getKind()),
                                                 Axis(spec->getCode()), argCount, resultCount);
        fillSlot(expr.get(), argCount + resultCount + 2);
        pushChild(std::move(expr));
        return;
    }
    const StepOperands ops = popStepOperands(argCount, resultCount);
    if (resultCount == 1) {
        noteInsert(xmlAccess->insertXMLValue(ops.host, ops.method, ops.argData(), argCount,
                                             MethodType(spec->getKind()), Axis(spec->getCode()),
                                             ops.results[0]));
    } else {
        set<InternalName> values;
        for (const InternalName& value : ops.results) values.insert(value);
        noteInsert(xmlAccess->insertXMLSet(ops.host, ops.method, ops.argData(), argCount,
                                           MethodType(spec->getKind()), Axis(spec->getCode()),
                                           values));
    }
    valueStack.push_back(ops.host);
}

void XMLCreator1::transpose(Reference* ref, int argCount) {
    if (xmlAccess == nullptr) {
        Creator1::transpose(ref, argCount);
        return;
    }
    if (changedValue == -1) return;
    if (directInsert == 0) {
        auto expr = Ref<XMLPathInsertExpr>::make(xmlAccess, MethodType(ref->getDot()),
                                                 Axis(ref->getCode()), argCount);
        fillSlot(expr.get(), argCount + 2);
        pushChild(std::move(expr));
        return;
    }
    const StepOperands ops = popStepOperands(argCount, 0);
    InternalName value = InternalName::UndefinedObject;
    noteInsert(xmlAccess->insertXMLPath(ops.host, ops.method, ops.argData(), argCount,
                                        MethodType(ref->getDot()), Axis(ref->getCode()), value));
    valueStack.push_back(value);
}

XMLPropInsertExpr::XMLPropInsertExpr(XMLOMAccess* access, MethodType methodType, Axis axis,
                                     int argCount, int resultCount)
    : PropInsertExpr(access, methodType, argCount, resultCount), xmlAccess(access), axis(axis) {}

int XMLPropInsertExpr::storeValue(const InternalName& host, const InternalName& method,
                                  const InternalName* args, int argCount, MethodType methodType,
                                  const InternalName& value) {
    return xmlAccess->insertXMLValue(host, method, args, argCount, methodType, axis, value);
}

int XMLPropInsertExpr::storeSet(const InternalName& host, const InternalName& method,
                                const InternalName* args, int argCount, MethodType methodType,
                                const set<InternalName>& values) {
    return xmlAccess->insertXMLSet(host, method, args, argCount, methodType, axis, values);
}

XMLPathInsertExpr::XMLPathInsertExpr(XMLOMAccess* access, MethodType pathKind, Axis axis,
                                     int argCount)
    : PathInsertExpr(access, pathKind, argCount), xmlAccess(access), axis(axis) {}

int XMLPathInsertExpr::storePath(const InternalName& host, const InternalName& method,
                                 const InternalName* args, int argCount, const PathStep& step,
                                 InternalName& value) {
    return xmlAccess->insertXMLPath(host, method, args, argCount, step, axis, value);
}

FLSysRef XMLCreator1Meta::createInstance(FLSysArgs* args) {
    FLSysObject* access = nullptr;
    if (!checkArgs1(args, "OMAccess", access)) return nullptr;
    return Ref<XMLCreator1>::make(static_cast<OMAccess*>(access), trace.get());
}
