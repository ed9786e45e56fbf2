// XMLCreator1, the Kavum mode's rule-head creator: Creator1 whose method specifications and path
// steps reach the XML access layer with the axis they were written along; its two insert
// expressions and its class object.
#pragma once

#include <string>

#include "eval/Creator1.h"
#include "eval/InsertExpr.h"

class XMLOMAccess;

class XMLCreator1 : public Creator1 {
  public:
    // Reports WrongOMAccess when the layer is not an XMLOMAccess and then works as Creator1.
    explicit XMLCreator1(OMAccess* access, OperatorTrace* trace = nullptr);

    // "aXMLCreator1".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    void transpose(Reference* ref, int argCount) override;
    void transpose(Spec* spec, int argCount, int resultCount) override;
    using Creator1::transpose;
    // A molecule fact goes through the walk of its clause, so that its value takes the axis path.
    void createFact(const FactList& facts, std::size_t i) override;

  protected:
    ~XMLCreator1() override = default;

  private:
    // Null over a plain layer: its insertions along axes do not exist there.
    XMLOMAccess* xmlAccess = nullptr;
};

// host[method@(arguments) arrow results] along an axis.
class XMLPropInsertExpr : public PropInsertExpr {
  public:
    XMLPropInsertExpr(XMLOMAccess* access, MethodType methodType, Axis axis, int argCount,
                      int resultCount);
    // Insertions along an axis keep the order they are made in.
    RowDemand demand() const override { return RowDemand::Ordered; }

  protected:
    int storeValue(const InternalName& host, const InternalName& method, const InternalName* args,
                   int argCount, MethodType methodType, const InternalName& value) override;
    int storeSet(const InternalName& host, const InternalName& method, const InternalName* args,
                 int argCount, MethodType methodType, const set<InternalName>& values) override;

  private:
    XMLOMAccess* xmlAccess;
    Axis axis;
};

// The value of host.method@(arguments) along an axis.
class XMLPathInsertExpr : public PathInsertExpr {
  public:
    XMLPathInsertExpr(XMLOMAccess* access, MethodType pathKind, Axis axis, int argCount);

  protected:
    int storePath(const InternalName& host, const InternalName& method, const InternalName* args,
                  int argCount, const PathStep& step, InternalName& value) override;

  private:
    XMLOMAccess* xmlAccess;
    Axis axis;
};

// Registered as "classXMLCreator1": new@(OMAccess); the creators it makes share `trace`.
class XMLCreator1Meta : public XMeta {
  public:
    explicit XMLCreator1Meta(OperatorTrace* trace = nullptr)
        : XMeta("XMLCreator1"), trace(Ref<OperatorTrace>::share(trace)) {}

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;

  private:
    Ref<OperatorTrace> trace;
};
