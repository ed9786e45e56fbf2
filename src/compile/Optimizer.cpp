// The literal-ordering optimizer: the gap records over the planned join order, the order lines
// on standard output and the translation that regroups and projects between gaps.
#include "compile/Optimizer.h"

#include <iostream>

#include "compile/AlgebraicExpr.h"
#include "compile/JoinPlanner.h"
#include "compile/Pi.h"
#include "foundation/OutputChannel.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "objectbase/SymTab.h"

namespace {

bool holds(const VarList& list, const FSymbol& var) {
    for (const FSymbol& v : list)
        if (v == var) return true;
    return false;
}

}  // namespace

Optimizer::Optimizer() : Translator(1) {}

Optimizer::~Optimizer() = default;

void Optimizer::print(OutputChannel& channel) const {
    channel << "anOptimizer";
}

bool Optimizer::isA(const std::string& className) const {
    return className == "Optimizer" || Translator::isA(className);
}

Translator::ExprRef Optimizer::optimize(FRule* r, SymTab* table) {
    if (r == nullptr || table == nullptr || r->getFlag() == 0 || r->getBody() == nullptr) return {};
    rule = r;
    planNames = table;
    ruleSymTab = r->getSymTab();
    head = r->getHead();
    orderedBody = {};
    orderedBody = JoinPlanner::plan(r->getBody(), table);
    // A body without a complete order is the translator's to refuse or translate.
    if (!orderedBody || orderedBody->length() != r->getBody()->length()) {
        orderedBody = {};
        literalInfo.clear();
        orderedInfo.clear();
        gapInfo.clear();
        return Translator::translateRule(r, table);
    }
    orderLiterals();
    return translateRule(r, table);
}

void Optimizer::fillGap(int position) {
    const LiteralInfo& prev = orderedInfo[std::size_t(position - 1)];
    LiteralInfo& next = orderedInfo[std::size_t(position)];
    GapInfo& gap = gapInfo[std::size_t(position - 1)];
    if (!next.requiredVars.empty()) {
        // Only what is bound before the literal can be handed to it: an output of the literal
        // itself (the length of strlen(W, L), the X of X = Y + 1) or a don't-care would give it
        // an empty input.
        for (const FSymbol& v : next.requiredVars)
            if (prev.boundSoFar.member(v) && v.getType() != InternalName::DontCare)
                gap.piVars.append(v);
    } else if (prev.hasVarHost != 0) {
        if (next.hasVarHost != 0 && next.hostVar == prev.hostVar) {
            gap.hasForward = 1;
            gap.forwardVar = next.hostVar;
        }
    } else if (next.hasVarHost != 0 && prev.boundSoFar.member(next.hostVar)) {
        gap.sortVars.append(next.hostVar);
    } else {
        for (const FSymbol& v : prev.boundSoFar) {
            if (holds(next.vars, v)) {
                gap.sortVars.append(v);
                break;
            }
        }
    }
    for (const FSymbol& v : prev.boundSoFar) next.boundSoFar.insert(v);
}

void Optimizer::orderLiterals() {
    literalInfo.clear();
    orderedInfo.clear();
    gapInfo.clear();
    if (!orderedBody) return;
    // The body comes planned: the records follow the planned order.
    for (FLiteral* literal : *orderedBody->getList()) {
        LiteralInfo info;
        info.literal = literal;
        const std::unique_ptr<VarList> vars = literal->giveVars();
        info.vars = *vars;
        VarSet alone;
        literal->bindVars(alone, planNames);
        for (const FSymbol& v : info.vars)
            if (!alone.member(v)) info.requiredVars.insert(v);
        info.secondFlag = literal->secondFlag();
        FTerm* term = literal->getTerm();
        if (const auto* molecule = node_cast<FMolecule>(term)) {
            if (const auto* hostVar = node_cast<FVar>(molecule->getHost())) {
                info.hasVarHost = 1;
                info.hostVar = hostVar->getName();
            }
        }
        literalInfo.push_back(info);
    }
    const int n = int(literalInfo.size());
    orderedInfo.reserve(std::size_t(n));
    if (n > 1) gapInfo.resize(std::size_t(n - 1));
    for (int p = 0; p < n; ++p) {
        LiteralInfo& best = literalInfo[std::size_t(p)];
        best.placed = 1;
        orderedInfo.push_back(best);
        if (p > 0) fillGap(p);
        LiteralInfo& next = orderedInfo.back();
        for (const FSymbol& v : next.vars) next.boundSoFar.insert(v);
    }
    writeOrder();
}

void Optimizer::writeOrder() const {
    // Both streams may reach one terminal: each is flushed before the other writes.
    OutputChannel& literals = systemChannel();
    std::cout << "final literal order :" << std::endl;
    for (const LiteralInfo& info : orderedInfo) {
        info.literal->print(literals, planNames, ruleSymTab);
        literals << std::flush;
        std::cout << " ";
    }
    std::cout << "propagation :" << std::endl;
    for (const GapInfo& gap : gapInfo) {
        std::cout << "sort : ";
        for (const FSymbol& v : gap.sortVars) std::cout << v << "  ";
        std::cout << std::endl << "pi : ";
        for (const FSymbol& v : gap.piVars) std::cout << v << "  ";
        std::cout << std::endl;
        if (gap.hasForward != 0) std::cout << "foreward sym : " << gap.forwardVar << std::endl;
    }
    std::cout << std::endl;
}

void Optimizer::scan(AggExpr* agg) {
    // An aggregate's body is a scope of its own: it is planned and translated as the translator
    // does it, without the gaps of the enclosing rule.
    ++aggregateDepth;
    Translator::scan(agg);
    --aggregateDepth;
}

void Optimizer::translateBody(FLiteralList* list) {
    if (!gapsApply()) {
        Translator::translateBody(list);
        return;
    }
    for (std::size_t i = 0; i < orderedInfo.size(); ++i) {
        cx->literalIndex = std::int32_t(i);
        literalStart = std::int32_t(cx->stack.size());
        sortedHere = 0;
        FLiteral* literal = orderedInfo[i].literal;
        cx->currentTerm = literal->getTerm();
        cx->literalMolecule = node_cast<FMolecule>(cx->currentTerm);
        PtnScanner::scan(literal);
        endLiteral();
    }
}

void Optimizer::transpose(FVar* var) {
    if (stopped()) return;
    if (!gapsApply()) {
        Translator::transpose(var);
        return;
    }
    const FSymbol& v = var->getName();
    if (cx->literalIndex > 0 && std::size_t(cx->literalIndex) <= gapInfo.size()) {
        const GapInfo& gap = gapInfo[std::size_t(cx->literalIndex - 1)];
        if ((gap.hasForward != 0 && v == gap.forwardVar) || holds(gap.sortVars, v)) {
            // The result so far (the entry below the literal's own) is regrouped once, at the
            // variable's first place in the literal; a later place is an ordinary variable.
            const std::size_t below = std::size_t(literalStart) - 1;
            if (sortedHere == 0 && literalStart > cx->stackBase && below < cx->stack.size() &&
                cx->stack[below]) {
                sortedHere = 1;
                ExprRef grouped = std::move(cx->stack[below]);
                cx->stack.erase(cx->stack.begin() + std::ptrdiff_t(below));
                --literalStart;
                ExprRef node = wrap(new Sort(v, &grouped->getOperator()->getVariables()), 0);
                node->addChild(grouped.get());
                cx->stack.push_back(std::move(node));
                return;
            }
        } else if (holds(gap.piVars, v)) {
            cx->stack.push_back(wrap(new Pi(v), 0));
            return;
        }
    }
    cx->stack.emplace_back();
    cx->pendingSymbols.push_back(v);
}

Translator::ExprRef Optimizer::translateRule(FRule* r, SymTab* table) {
    if (r == nullptr || r->getBody() == nullptr) return {};
    // The chosen order belongs to this rule's body only when optimize made it for it.
    if (r != rule || int(orderedInfo.size()) != r->getBody()->length()) return {};
    TranslationContext context(table, true);
    const Running running(*this, context);
    set<FSymbol> output;
    beginTranslation(r, output);

    std::vector<FLiteral*> chosen;
    for (const LiteralInfo& info : orderedInfo) chosen.push_back(info.literal);
    openScope(chosen, output);

    OutputChannel& out = debugChannel();
    if (debug != 0) {
        out << "Translator : rule body of" << std::endl;
        r->print(out, table, r->getSymTab());
        out << "translated to " << std::endl;
    }
    ownOrder = 1;
    translateBody(r->getBody());
    ownOrder = 0;

    ExprRef result;
    if (context.error == 0 && context.untranslatable == 0 && !context.stack.empty()) {
        FSymbol symbol;
        result = popEntry(symbol);
        if (result) {
            if (debug != 0) {
                result->print(out);
                out << std::endl;
                if (context.duplicate != 0) out << "duplicate elimination proposed" << std::endl;
                out << "plan" << std::endl;
                result->printPlan(out, r->getSymTab(), 1);
            }
        } else if (symbol.getType() == InternalName::Function ||
                   symbol.getType() == InternalName::Integer) {
            result = constantNode(symbol);
        }
    }
    return result;
}

OptimizerMeta::OptimizerMeta() : XMeta("Optimizer") {}

FLSysRef OptimizerMeta::createInstance(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    return Ref<Optimizer>::make();
}
