// SemanticAnalyser, the checks a program, rule or query must pass before it is evaluated
// bottom-up (range restriction, safety, no built-ins in heads, plus the path and aggregate checks
// of its PathAnalyser), with its class object.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/FLSysObject.h"
#include "foundation/Ref.h"
#include "foundation/clib_list.h"
#include "objectbase/FSymbol.h"

class FRule;
class ParseTreeNode;
class PathAnalyser;
class SymTab;

class SemanticAnalyser : public FLSysObject {
  public:
    SemanticAnalyser();
    SemanticAnalyser(const SemanticAnalyser&) = delete;
    SemanticAnalyser& operator=(const SemanticAnalyser&) = delete;

    // "analyse"@(ParseTreeNode, SymTab) and "help", then the base's.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    void display(OutputChannel& channel) const override;
    // "aSemanticAnalyser".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // 1 when every listed variable is a plain variable of the body list (a null body list holds
    // none); the others are kept for the report. Both lists are borrowed.
    virtual int boundBy(const clib_list<FSymbol>* vars, const clib_list<FSymbol>* bodyVars);
    virtual int checkBodySafety(FRule* rule);
    virtual int checkHeadVariables(FRule* rule);
    virtual int checkHeadBuiltins(FRule* rule);
    // Reports the composed text as a semantic error of the rule.
    virtual void sendMessage(FRule* rule, const std::string& text);
    // 1 when the program or rule passes every check. Every rule is checked, and a whole program
    // receives its inheritance mark. A null table answers 0; a node of another class reports
    // WrongNode (7/2) and answers 0.
    virtual int analyse(ParseTreeNode* node, SymTab* names);
    virtual FLSysRef help();

  protected:
    ~SemanticAnalyser() override;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<SemanticAnalyser>& shellCommands();

    int checkRule(FRule* rule, SymTab* names);

    Ref<PathAnalyser> paths;
    std::int32_t ok = 1;
    clib_list<FSymbol> unbound;
    SymTab* symbolTable = nullptr;
};

// The class object registered as "classSemanticAnalyser": "new" without arguments.
class SemanticAnalyserMeta : public XMeta {
  public:
    SemanticAnalyserMeta();
    ~SemanticAnalyserMeta() override = default;

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;
};
