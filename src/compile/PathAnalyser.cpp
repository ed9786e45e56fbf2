// The path and aggregate checks of the semantic analysis, and the report texts both analysers
// share.
#include "compile/PathAnalyser.h"

#include <algorithm>
#include <memory>
#include <ostream>
#include <vector>

#include "compile/JoinPlanner.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/clib_dictionary.h"
#include "language/AggExpr.h"
#include "language/FLiteralList.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/Reference.h"
#include "language/Spec.h"

namespace {

bool isInheritable(int kind) {
    return kind == 3 || kind == 4 || kind == 5;
}

bool isSetValued(int kind) {
    return kind == 1 || kind == 4 || kind == 5;
}

std::string joinNames(const std::vector<FSymbol>& names, const SymTab* table) {
    std::string text;
    for (const FSymbol& name : names) {
        if (!text.empty()) text += ", ";
        text += symbolText(name, table);
    }
    return text;
}

bool holds(const VarList& list, const FSymbol& var) {
    for (const FSymbol& v : list)
        if (v == var) return true;
    return false;
}

}  // namespace

TextChannel::TextChannel() {
    out.setStream(Ref<FLSysOStreamImpl<std::ostringstream>>::make(&buffer).get());
}

void writeRuleAndLine(OutputChannel& out, const FRule* rule, const SymTab* names) {
    rule->print(out, names, rule->getSymTab());
    out << "The rule ends at line " << rule->getLine() << "." << std::endl;
}

void sendSemError(const FRule* rule, const std::string& text, const std::string& where) {
    std::string label = rule != nullptr ? rule->getLabel() : std::string();
    if (!label.empty()) label += ", ";
    centralErrorHandler().report(
        Error(3, 1, 2, "SemError", label + "semantic error appeared in following rule. \n" + text,
              where, ""));
}

PathAnalyser::PathAnalyser(SymTab* names) : analysisTable(names) {}

int PathAnalyser::analyse(ParseTreeNode* node, SymTab* names) {
    ok = 1;
    if (node == nullptr ||
        (!node->is(ParseTreeClass::FProgram) && !node->is(ParseTreeClass::FRule))) {
        centralErrorHandler().report(err7::WrongNode);
        return 0;
    }
    if (const auto* program = node_cast<FProgram>(node)) analysisTable = program->getSymTab();
    if (names != nullptr) analysisTable = names;
    checkRules(node);
    return ok;
}

void PathAnalyser::checkRules(ParseTreeNode* node) {
    if (node == nullptr) return;
    auto* program = node_cast<FProgram>(node);
    if (program == nullptr) {
        if (auto* rule = node_cast<FRule>(node)) checkRule(rule);
        return;
    }
    for (list_item item = program->firstItem(); item != nullptr; item = program->nextItem(item)) {
        FRule* rule = nullptr;
        program->ruleAt(item, rule);
        if (rule != nullptr) checkRule(rule);
    }
}

void PathAnalyser::checkRule(FRule* rule) {
    currentRule = rule;
    setValuedHead = 0;
    aggregateError = 0;
    aggregateMessage.clear();
    ruleTable = rule->getSymTab();
    switch (rule->ruleKind()) {
        case FRule::Fact:
            inHead = 1;
            scan(rule->getHead());
            break;
        case FRule::Rule:
            inHead = 1;
            scan(rule->getHead());
            inHead = 0;
            scan(rule->getBody());
            break;
        case FRule::Query:
            inHead = 0;
            scan(rule->getBody());
            break;
        default:
            break;
    }
    if (setValuedHead != 0) {
        ok = 0;
        message = "Set valued path expressions are not allowed in rule head.";
        sendMessage();
        setValuedHead = 0;
    }
    if (aggregateError != 0) {
        ok = 0;
        aggregateError = 0;
        message = aggregateMessage;
        sendMessage();
    }
}

void PathAnalyser::sendMessage() {
    if (currentRule == nullptr) return;
    TextChannel text;
    currentRule->print(text.channel(), analysisTable, ruleTable);
    text.channel() << "The rule ends at line " << currentRule->getLine() << "." << std::endl
                   << message << std::endl;
    sendSemError(currentRule, text.text(), "PathAnalyser::sendMessage(...)");
}

void PathAnalyser::transpose(Reference* ref, int) {
    const int kind = ref->getDot();
    if (isInheritable(kind)) inheritance = 1;
    if (isSetValued(kind) && inHead == 1 && ref->getCode() == 0) setValuedHead = 1;
}

void PathAnalyser::transpose(Spec* spec, int, int) {
    if (isInheritable(spec->getKind())) inheritance = 1;
}

void PathAnalyser::transpose(AggExpr* agg) {
    TextChannel text;
    OutputChannel& out = text.channel();
    out << "invalid aggregate expression : ";
    agg->print(out, analysisTable, ruleTable);
    out << std::endl;
    bool failed = false;

    const FSymbol aggVar = agg->getAggVar();
    const VarList& groups = agg->getGroupVars();
    FLiteralList* body = agg->getBody();
    const std::unique_ptr<VarList> bodyVars =
        body != nullptr ? body->giveVars() : std::make_unique<VarList>();
    const std::string aggName = symbolText(aggVar, ruleTable);

    for (const FSymbol& group : groups) {
        if (group != aggVar) continue;
        out << "aggregation variable " << aggName << " may not appear in grouping list"
            << std::endl;
        failed = true;
    }
    if (agg->getOperator() != "nest" && !holds(*bodyVars, aggVar)) {
        out << "aggregation variable " << aggName << " missing in literal list of aggregation"
            << std::endl;
        failed = true;
    }
    std::vector<FSymbol> missing;
    for (const FSymbol& group : groups)
        if (!holds(*bodyVars, group)) missing.push_back(group);
    if (!missing.empty()) {
        out << "grouping variables " << joinNames(missing, ruleTable)
            << " missing in literal list of aggregation" << std::endl;
        failed = true;
    }
    clib_dictionary<FSymbol, int> seen;
    bool repeated = false;
    for (const FSymbol& group : groups) {
        int& count = seen.access(group);
        if (count > 0) repeated = true;
        count = count > 0 ? 2 : 1;
    }
    if (repeated) {
        std::vector<FSymbol> twice;
        for (auto item : seen)
            if (seen.inf(item) == 2) twice.push_back(seen.key(item));
        out << "grouping variables " << joinNames(twice, ruleTable)
            << " appear more than one time grouping list" << std::endl;
        failed = true;
    }
    VarSet bound;
    JoinPlanner::safeOrder(body, bound, analysisTable);
    if (bound.size() < bodyVars->length()) {
        std::vector<FSymbol> unsafe;
        for (const FSymbol& var : *bodyVars)
            if (!bound.member(var)) unsafe.push_back(var);
        out << "the variable(s) " << joinNames(unsafe, ruleTable)
            << " of literal list represent an infinite answer set";
        failed = true;
    }
    if (failed) {
        aggregateError = 1;
        aggregateMessage = text.text();
    }
}
