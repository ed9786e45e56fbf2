// The variable and built-in checks of the semantic analysis, its shell methods and class object.
#include "compile/SemanticAnalyser.h"

#include <ostream>

#include "compile/JoinPlanner.h"
#include "compile/PathAnalyser.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "language/FLiteralList.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/PTerm.h"
#include "objectbase/SymTab.h"

namespace {

bool holds(const clib_list<FSymbol>* list, const FSymbol& var) {
    if (list == nullptr) return false;
    for (const FSymbol& v : *list)
        if (v == var) return true;
    return false;
}

}  // namespace

SemanticAnalyser::SemanticAnalyser() : paths(Ref<PathAnalyser>::make(nullptr)) {}

SemanticAnalyser::~SemanticAnalyser() {
    unbound.clear();
}

FLSysRef SemanticAnalyser::methodCall(const std::string& name, FLSysArgs* args) {
    if (!isOk()) return nullptr;
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<SemanticAnalyser>& SemanticAnalyser::shellCommands() {
    static const ShellCommands<SemanticAnalyser> table{
        helpHeading("SemanticAnalyser"),
        {
            {"help", ShellArgs::None,
             [](SemanticAnalyser& self, FLSysArgs*) -> FLSysRef { return self.help(); },
             standardMethodsHelp()},
            {"analyse",
             ShellArgs::Any,
             [](SemanticAnalyser& self, FLSysArgs* args) -> FLSysRef {
                 FLSysObject* node = nullptr;
                 FLSysObject* table = nullptr;
                 if (!self.checkArgs2(args, "ParseTreeNode", node, "SymTab", table)) return nullptr;
                 return Ref<FLSysInteger>::make(
                     self.analyse(static_cast<ParseTreeNode*>(node), static_cast<SymTab*>(table)));
             },
             {"    - analyse@(ParseTreeNode)"}},
        },
        {"", ""}};
    return table;
}

void SemanticAnalyser::display(OutputChannel& channel) const {
    channel << "This is a normal SemanticAnalyser. \n"
            << "There are no further informations." << std::endl;
}

void SemanticAnalyser::print(OutputChannel& channel) const {
    channel << "aSemanticAnalyser";
}

bool SemanticAnalyser::isA(const std::string& className) const {
    return className == "SemanticAnalyser" || FLSysObject::isA(className);
}

FLSysRef SemanticAnalyser::help() {
    shellCommands().writeHelp(helpChannel());
    return FLSysRef::share(this);
}

int SemanticAnalyser::analyse(ParseTreeNode* node, SymTab* names) {
    if (node == nullptr ||
        (!node->is(ParseTreeClass::FProgram) && !node->is(ParseTreeClass::FRule))) {
        centralErrorHandler().report(err7::WrongNode_2);
        return 0;
    }
    symbolTable = names;
    ok = 1;
    if (names == nullptr) return 0;
    auto* program = node_cast<FProgram>(node);
    if (program == nullptr) {
        ok = checkRule(node_cast<FRule>(node), names);
        return ok;
    }
    paths->setInheritanceFlag(0);
    // A compact fact holds constants only, under no inheritable arrow: nothing in it can fail a
    // check or mark the program as using inheritance.
    program->forEachRule([&](FRule* rule) {
        if (rule != nullptr && checkRule(rule, names) == 0) ok = 0;
        return true;
    });
    program->setInheritanceMark(paths->inheritanceFlag());
    paths->setInheritanceFlag(0);
    return ok;
}

int SemanticAnalyser::checkRule(FRule* rule, SymTab* names) {
    // Nothing in a fact over constants can fail a check; a program's facts are most of it.
    if (rule->isGroundPredicateFact()) return 1;
    const int pathsOk = paths->analyse(rule, names);
    const int headVarsOk = checkHeadVariables(rule);
    const int builtinsOk = checkHeadBuiltins(rule);
    return pathsOk != 0 && headVarsOk != 0 && builtinsOk != 0 ? 1 : 0;
}

int SemanticAnalyser::boundBy(const clib_list<FSymbol>* vars, const clib_list<FSymbol>* bodyVars) {
    int result = 1;
    if (vars != nullptr) {
        for (const FSymbol& var : *vars) {
            if (var.getType() == InternalName::DontCare || !holds(bodyVars, var)) {
                unbound.append(var);
                result = 0;
            }
        }
    }
    return result;
}

int SemanticAnalyser::checkHeadVariables(FRule* rule) {
    unbound.clear();
    int headOk = 1;
    int bodyOk = 1;
    switch (rule->ruleKind()) {
        case FRule::Fact:
            headOk = boundBy(rule->getHead()->giveVars().get(), nullptr);
            break;
        case FRule::Rule:
            headOk = boundBy(rule->getHead()->giveVars().get(), rule->getBody()->giveVars().get());
            bodyOk = checkBodySafety(rule);
            break;
        case FRule::Query:
            bodyOk = checkBodySafety(rule);
            break;
        default:
            break;
    }
    if (!unbound.empty()) {
        TextChannel text;
        OutputChannel& out = text.channel();
        writeRuleAndLine(out, rule, symbolTable);
        bool plain = false;
        for (const FSymbol& var : unbound) {
            if (var.getType() == InternalName::DontCare) {
                out << "Don't-Care variables are not allowed in rule head." << std::endl;
            } else {
                plain = true;
            }
        }
        if (plain) {
            out << "The variable(s) ";
            bool first = true;
            for (const FSymbol& var : unbound) {
                if (!first) out << ", ";
                first = false;
                out << symbolText(var, rule->getSymTab());
            }
            out << " in rule head is (are) not bound by rule body ";
        }
        sendMessage(rule, text.text());
        unbound.clear();
    }
    return headOk != 0 && bodyOk != 0 ? 1 : 0;
}

int SemanticAnalyser::checkBodySafety(FRule* rule) {
    FLiteralList* body = rule->getBody();
    if (body == nullptr) return 1;
    VarSet bound;
    JoinPlanner::safeOrder(body, bound, symbolTable);
    const std::unique_ptr<VarList> vars = body->giveVars();
    int result = 1;
    if (bound.size() < vars->length()) {
        result = 0;
        TextChannel text;
        OutputChannel& out = text.channel();
        writeRuleAndLine(out, rule, symbolTable);
        out << "The variable(s) ";
        bool first = true;
        for (const FSymbol& var : *vars) {
            if (bound.member(var)) continue;
            if (!first) out << ", ";
            first = false;
            out << symbolText(var, rule->getSymTab());
        }
        out << " in rule body represent an infinite answer set. \n"
            << "Check negated literals and built in predicates of rule body.";
        sendMessage(rule, text.text());
    }
    return result;
}

int SemanticAnalyser::checkHeadBuiltins(FRule* rule) {
    const int kind = rule->ruleKind();
    if (kind == FRule::Query || kind == FRule::Empty || rule->getHead() == nullptr) return 1;
    FTermList* head = rule->getHead();
    int result = 1;
    for (list_item item = head->firstItem(); item != nullptr; item = head->nextItem(item)) {
        FTerm* term = head->termAt(item);
        const auto* predicate = node_cast<PTerm>(term);
        if (predicate == nullptr) continue;
        const FSymbol& name = predicate->getName();
        if (name.getType() == InternalName::BuiltinPredicate &&
            symbolText(name, symbolTable) != "=")
            result = 0;
    }
    if (result == 0) {
        TextChannel text;
        writeRuleAndLine(text.channel(), rule, symbolTable);
        text.channel() << "Built in predicates are not allowed in rule head.";
        sendMessage(rule, text.text());
    }
    return result;
}

void SemanticAnalyser::sendMessage(FRule* rule, const std::string& text) {
    sendSemError(rule, text, "SemanticAnalyser::sendMessage(...)");
}

SemanticAnalyserMeta::SemanticAnalyserMeta() : XMeta("SemanticAnalyser") {}

FLSysRef SemanticAnalyserMeta::createInstance(FLSysArgs* args) {
    if (argumentCount(args) != 0) return nullptr;
    return Ref<SemanticAnalyser>::make();
}
