// FLSysObject: the protocol of every object the shell can address (method calls by name, class
// tests by name, printing, online help and the argument checks), and the class-object pattern.
#pragma once

#include <string>

#include "foundation/Error.h"
#include "foundation/ManagedObject.h"
#include "foundation/Ref.h"

template <class T>
class clib_list;
class OutputChannel;
class FLSysObject;

// The argument list of a shell method call; may be null. The list and its elements are lent to
// the call: a method that keeps an argument takes its own reference.
using FLSysArgs = clib_list<FLSysObject*>;

// What a shell method answers: one reference for the caller, an empty handle when the call
// failed, by the rule stated with Ref. An argument is lent to the call; an object that keeps one
// takes its own reference.
using FLSysRef = Ref<FLSysObject>;

// A shell class's table of commands (foundation/ShellCommands.h).
template <class Host, class Result = FLSysRef>
class ShellCommands;

class FLSysObject : public ManagedObject {
  public:
    FLSysObject() = default;
    ~FLSysObject() override = default;

    // Calls the method `name` with the argument list `args` (null allowed). Each class answers the
    // names it knows and hands the others to its base; an empty result means the call failed.
    // The result carries one reference for the caller (see FLSysRef).
    virtual FLSysRef methodCall(const std::string& name, FLSysArgs* args);
    // Assignment to an attribute; no shell object has assignable attributes here.
    virtual void assign(const std::string& name, FLSysObject* value);
    virtual bool isOk() const;
    virtual std::string name() const;
    // The printed form followed by an end of line.
    virtual void display(OutputChannel& channel) const;
    virtual void print(OutputChannel& channel) const;
    // True when className names this class or one of its bases.
    virtual bool isA(const std::string& className) const;

    // Argument checks. Positions are 1-based; `after` is the number of arguments already taken
    // (0: start with the first). Each out receives its argument; the first failure reports its
    // error to the central error handler and makes the check false.
    virtual bool checkArgs5(FLSysArgs* args, const std::string& class1, FLSysObject*& out1,
                            const std::string& class2, FLSysObject*& out2,
                            const std::string& class3, FLSysObject*& out3,
                            const std::string& class4, FLSysObject*& out4,
                            const std::string& class5, FLSysObject*& out5, int after = 0);
    virtual bool checkArgs4(FLSysArgs* args, const std::string& class1, FLSysObject*& out1,
                            const std::string& class2, FLSysObject*& out2,
                            const std::string& class3, FLSysObject*& out3,
                            const std::string& class4, FLSysObject*& out4, int after = 0);
    virtual bool checkArgs3(FLSysArgs* args, const std::string& class1, FLSysObject*& out1,
                            const std::string& class2, FLSysObject*& out2,
                            const std::string& class3, FLSysObject*& out3, int after = 0);
    virtual bool checkArgs2(FLSysArgs* args, const std::string& class1, FLSysObject*& out1,
                            const std::string& class2, FLSysObject*& out2, int after = 0);
    virtual bool checkArgs1(FLSysArgs* args, const std::string& class1, FLSysObject*& out1,
                            int after = 0);
    // True when no argument follows position `after` (a null or empty list always passes; with
    // after 0 any argument is one too many).
    virtual bool checkNoArgs(FLSysArgs* args, int after = 0);
    // Takes the argument at `position` (1-based) and checks its class.
    virtual bool nextArg(FLSysArgs* args, int position, const std::string& className,
                         FLSysObject*& out);
    virtual bool checkArgClass(const std::string& className, FLSysObject*& out);

    // Errors carrying the offending name, all origin 11; the caller reports them.
    [[nodiscard]] virtual Error unknownMethod(const std::string& methodName) const;
    [[nodiscard]] virtual Error pureVirtualCalled(const std::string& operationName) const;
    [[nodiscard]] virtual Error corrupted(const std::string& className) const;

    // Number of arguments in a shell argument list; a missing list has none.
    static int argumentCount(const FLSysArgs* args);

  protected:
    // The online help of FLSysObject.
    void writeHelp(OutputChannel& channel) const;
    // Reports the call of `name` as one of an unknown method; the call's empty result.
    FLSysRef unknownCall(const std::string& name) const;
    // The channel a print or display call names, systemChannel when it names none; null after the
    // argument check has reported a wrong argument.
    OutputChannel* channelArgument(FLSysArgs* args);

  private:
    static const ShellCommands<FLSysObject>& shellCommands();
};

// The companion class object of a shell class: registered as "class" + class name, it answers
// "new" by building an instance from the arguments; every other name goes to
// FLSysObject::methodCall. Concrete class objects derive from it and define createInstance.
class XMeta : public FLSysObject {
  public:
    // className is the name of the class whose instances this object creates.
    explicit XMeta(std::string className);
    ~XMeta() override = default;

    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    // Writes the name of the class it creates.
    void print(OutputChannel& channel) const override;
    // Its own class name (the created class followed by "Meta"), then the base's names.
    bool isA(const std::string& className) const override;

    const std::string& createdClass() const { return created; }

  protected:
    // Builds one instance from the shell arguments, checking them itself; empty on failure (after
    // the check has reported its error).
    virtual FLSysRef createInstance(FLSysArgs* args) = 0;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<XMeta>& shellCommands();

    std::string created;
};
