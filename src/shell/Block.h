// Block: a stored piece of shell text that its interpreter runs line by line (a macro), and its
// class object BlockMeta ("classBlock").
#pragma once

#include <string>

#include "foundation/FLSysObject.h"

class FLSysInterpreter;

class Block : public FLSysObject {
  public:
    // Takes a reference to the interpreter (null allowed) and copies the text.
    Block(FLSysInterpreter* interpreter, std::string text);

    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    // "Block(" and a double quote, the text, a double quote and ")", each part on its own line.
    void display(OutputChannel& channel) const override;
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    virtual void help();
    // Runs each newline-ended line of the text (a last line without a newline too) through the
    // interpreter; every line runs whatever the one before gave. The result of the last line
    // run, or null.
    virtual FLSysRef doIt(FLSysArgs* args);

    const std::string& text() const { return body; }

  protected:
    ~Block() override;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<Block>& shellCommands();

    Ref<FLSysInterpreter> interpreter;
    std::string body;
};

// Registered as "classBlock": new@(FLSysInterpreter, FLSysString).
class BlockMeta : public XMeta {
  public:
    BlockMeta() : XMeta("Block") {}

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;
};
