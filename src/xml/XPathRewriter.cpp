// XPathRewriter: the clause, head and body walks, literals and terms, molecules and their filters,
// steps, operands, and the fresh variables they need.
#include "xml/XPathRewriter.h"

#include <vector>

#include "compile/SemanticAnalyser.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OwnedElements.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FunctionTerm.h"
#include "language/MethResult.h"
#include "language/PTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "objectbase/FSymbol.h"
#include "objectbase/SymTab.h"

namespace {

// The one result term of a path's result part (a molecule's is its host's). A result list has
// none: the grammar never puts one on a step, and such a step is left as it is.
Path* singleResult(const FTerm* term) {
    const auto* path = dynamic_cast<const Path*>(term);
    if (path == nullptr || path->getMethResult() == nullptr) return nullptr;
    return dynamic_cast<Path*>(path->getMethResult()->getResult());
}

bool isBareVariable(const FTerm* term) {
    return term != nullptr && term->is(ParseTreeClass::FVar);
}

// Whether a rewritten literal stays in its clause: one without a term or with a bare variable
// states nothing.
bool keeps(const FLiteral* literal) {
    return literal->getTerm() != nullptr && !isBareVariable(literal->getTerm());
}

// The first step of a path, directly over its start: past every molecule and every longer step.
Path* firstStepOf(Path* path) {
    Path* node = path;
    while (node != nullptr && (node->is(ParseTreeClass::FMolecule) || node->pathLength() > 2))
        node = static_cast<CPath*>(node)->getHost();
    return node;
}

// A new specification of a step's method, axis and arguments with one result.
Ref<PevoMSpec> specOfStep(const Reference& step, int arrow, FTerm* result) {
    clib_list<FTerm*> results;
    results.append(result);
    return Ref<PevoMSpec>::make(step.getMethod(), step.getCode(), step.getArgs(), arrow, &results);
}

void appendNewLiteral(FLiteralList* list, FTerm* term, int negated) {
    list->append(Ref<FLiteral>::make(term, negated, 0).get());
}

}  // namespace

XPathRewriter::XPathRewriter() : analyser(Ref<SemanticAnalyser>::make()) {}

XPathRewriter::~XPathRewriter() = default;

bool XPathRewriter::isA(const std::string& className) const {
    return className == "XPathRewriter" || ClauseRewriter::isA(className);
}

ClauseRewriter* makeXPathRewriter() {
    return new XPathRewriter;
}

void XPathRewriter::rewriteClause(FRule* rule, SymTab* contextObject) {
    if (rule == nullptr) return;
    const auto held = Ref<SymTab>::share(contextObject);
    context = contextObject;
    rewriteRule(rule);
    context = nullptr;
}

XPathRewriter* XPathRewriter::rewriteProgram(FProgram* program, SymTab* contextObject) {
    if (program == nullptr) return nullptr;
    {
        const auto held = Ref<SymTab>::share(contextObject);
        context = contextObject;
        if (program->getRules() != nullptr)
            for (FRule* rule : *program->getRules()) rewriteRule(rule);
        context = nullptr;
    }
    return analyse(program) != 0 ? this : nullptr;
}

int XPathRewriter::analyse(FProgram* program) {
    if (program == nullptr) return 0;
    return analyser->analyse(program, program->getSymTab());
}

void XPathRewriter::rewriteRule(FRule* rule) {
    if (rule == nullptr) return;
    const auto held = Ref<SymTab>::share(rule->getSymTab());
    symTab = held.get();
    const int kind = rule->ruleKind();
    if (kind != FRule::Query) rewriteHead(rule->getHead());
    if (kind != FRule::Fact) rewriteBody(rule->getBody());
    symTab = nullptr;
}

void XPathRewriter::rewriteHead(FTermList* head) {
    if (head == nullptr) return;
    auto collector = Ref<FLiteralList>::make();
    // The head's references to its written terms, which clear() below leaves to us.
    std::vector<Ref<FTerm>> written;
    std::vector<Ref<FTerm>> rewritten;
    for (FTerm* term : head->getList()) {
        written.push_back(Ref<FTerm>::adopt(term));
        Ref<FTerm> stated = headStepAsMolecule(term, collector.get());
        rewritten.push_back(stated ? std::move(stated) : rewriteTerm(term, collector.get()));
    }
    head->clear();
    for (const Ref<FTerm>& term : rewritten)
        if (term && !isBareVariable(term.get())) head->append(term.get());
    // Filters in a head become further head terms. A negated one cannot be derived: it is
    // reported and left out, since inserting it would assert what the rule denies.
    while (!collector->isEmpty()) {
        auto next = Ref<FLiteralList>::make();
        for (FLiteral* literal : *collector->getList()) {
            if (literal->isNegated()) {
                centralErrorHandler().report(err14::NegatedRule);
                continue;
            }
            const auto term = rewriteTerm(literal->getTerm(), next.get());
            if (term && !isBareVariable(term.get())) head->append(term.get());
        }
        collector = std::move(next);
    }
}

Ref<FTerm> XPathRewriter::headStepAsMolecule(FTerm* term, FLiteralList* collector) {
    // In a head, P/nick -> "nn" states what P[nick -> "nn"] states: the value of the step's
    // method at its host. Read as a query would, "the object the step reaches is the result",
    // the head would make a fresh object for the step and store nothing about the result.
    auto* step = node_cast<Reference>(term);
    if (step == nullptr || singleResult(term) == nullptr) return nullptr;
    const Ref<FTerm> host =
        step->getHost() != nullptr ? rewriteTerm(step->getHost(), collector) : nullptr;
    if (!host || dynamic_cast<Path*>(host.get()) == nullptr) return nullptr;
    const Ref<PevoMSpec> spec = stepToSpec(step);
    if (!spec) return nullptr;
    clib_list<Spec*> specs;
    specs.append(spec.get());
    const auto molecule = Ref<FMolecule>::make(static_cast<Path*>(host.get()), nullptr, &specs, 0);
    // A host that became a molecule (a step with a result of its own) gives its specifications.
    return rewriteTerm(molecule.get(), collector);
}

void XPathRewriter::rewriteBody(FLiteralList* body) {
    if (body == nullptr) return;
    auto collector = Ref<FLiteralList>::make();
    {
        const auto remaining = Ref<FLiteralList>::make();
        for (FLiteral* literal : *body->getList()) {
            rewriteLiteral(literal, collector.get());
            if (keeps(literal)) remaining->append(literal);
        }
        body->clear();
        body->appendAll(*remaining);
    }
    // Generated literals follow the written ones in the order they arose; a generated one that
    // ends as a bare variable states nothing, as a written one does not.
    while (!collector->isEmpty()) {
        auto next = Ref<FLiteralList>::make();
        for (FLiteral* literal : *collector->getList()) {
            rewriteLiteral(literal, next.get());
            if (keeps(literal)) body->append(literal);
        }
        collector = std::move(next);
    }
}

void XPathRewriter::rewriteLiteral(FLiteral* literal, FLiteralList* collector) {
    if (literal == nullptr || literal->getTerm() == nullptr) return;
    FTerm* term = literal->getTerm();
    const Ref<FTerm> result =
        literal->isNegated() ? expandNegated(term) : rewriteTerm(term, collector);
    if (result.get() != term) {
        if (!result || isBareVariable(result.get()) || result->is(ParseTreeClass::FunctionTerm)) {
            literal->setTerm(nullptr);
        } else {
            literal->setTerm(result.get());
        }
    }
    // A molecule over a variable without specifications or class states nothing.
    const auto* molecule = dynamic_cast<const FMolecule*>(literal->getTerm());
    if (molecule != nullptr && (molecule->getSpecs() == nullptr || molecule->getSpecs()->empty()) &&
        isBareVariable(molecule->getHost()) && molecule->getClassTerm() == nullptr)
        literal->setTerm(nullptr);
}

Ref<FTerm> XPathRewriter::expandNegated(FTerm* term) {
    const std::unique_ptr<VarList> vars = term->giveVars();
    const auto body = Ref<FLiteralList>::make();
    appendNewLiteral(body.get(), term, 0);
    rewriteBody(body.get());
    Ref<FTerm> result;
    const FLiteral* only = body->length() == 1 ? body->getList()->head() : nullptr;
    // A single literal that is itself negated keeps its negation inside an aggregate: taking
    // its term would turn a double negation into a single one.
    if (only != nullptr && !only->isNegated()) {
        result = Ref<FTerm>::share(only->getTerm());
    } else {
        result = Ref<AggExpr>::make(body.get(), builtinSymbol::Nil, "nest",
                                    vars != nullptr ? *vars : VarList());
    }
    return result;
}

Ref<FTerm> XPathRewriter::rewriteTerm(FTerm* term, FLiteralList* collector) {
    if (term == nullptr) return nullptr;
    if (auto* molecule = node_cast<FMolecule>(term)) return rewriteMolecule(molecule, collector);
    if (auto* step = node_cast<Reference>(term)) return rewriteReference(step, collector);
    if (auto* expr = node_cast<ArithmeticExpr>(term)) {
        // The literal's collector goes along, so that a filter inside an operand keeps the
        // literals it generates.
        rewriteArithmeticExpr(expr, collector, nullptr, nullptr, 0, nullptr);
    } else if (auto* aggregate = node_cast<AggExpr>(term)) {
        rewriteAggExpr(aggregate, collector);
    } else if (auto* predicate = node_cast<PTerm>(term)) {
        rewritePTerm(predicate, collector);
    }
    return Ref<FTerm>::share(term);
}

void XPathRewriter::rewriteAggExpr(AggExpr* aggregate, FLiteralList* /*collector*/) {
    if (aggregate != nullptr) rewriteBody(aggregate->getBody());
}

void XPathRewriter::rewritePTerm(PTerm* predicate, FLiteralList* collector) {
    if (predicate != nullptr && predicate->getArgs() != nullptr)
        rewriteArgs(predicate, collector, nullptr, nullptr, 0, nullptr);
}

void XPathRewriter::rewriteSpecs(clib_list<Spec*>* specs, FLiteralList* collector) {
    if (specs == nullptr) return;
    for (Spec* spec : *specs) {
        if (auto* scalar = node_cast<SSpec>(spec)) {
            rewriteSSpec(scalar, collector);
        } else {
            rewriteMSpec(static_cast<MSpec*>(spec), collector);
        }
    }
}

void XPathRewriter::rewriteMSpec(MSpec* spec, FLiteralList* collector) {
    if (spec == nullptr || spec->getResults() == nullptr) return;
    std::vector<Ref<FTerm>> rewritten;  // the specification takes references of its own
    auto* results = new clib_list<FTerm*>;
    for (FTerm* result : *spec->getResults()) {
        rewritten.push_back(rewriteTerm(result, collector));
        results->append(rewritten.back().get());
    }
    spec->setResults(results);
}

void XPathRewriter::rewriteSSpec(SSpec* spec, FLiteralList* collector) {
    if (spec == nullptr || spec->getResult() == nullptr) return;
    spec->setResult(rewriteTerm(spec->getResult(), collector).get());
}

Ref<FTerm> XPathRewriter::rewriteMolecule(FMolecule* molecule, FLiteralList* collector) {
    Path* host = molecule->getHost();
    // The host variable names the filtered object: the host itself when it is a variable, else
    // the one result its step binds. A named object (a function term) stands for itself too: a
    // result given to it would bind nothing, since later stages read results only on steps.
    Path* hostVar = isBareVariable(host) ? host : singleResult(host);
    if (hostVar == nullptr && host != nullptr && host->is(ParseTreeClass::FunctionTerm))
        hostVar = host;
    Ref<Path> heldVar = Ref<Path>::share(hostVar);
    FLiteralList* filter = molecule->getFilter();
    if (filter != nullptr && !filter->isEmpty()) {
        clib_list<Spec*> specs;  // each with the reference the filter's rewriting handed over
        const bool hadHostVar = hostVar != nullptr;
        filterToSpecs(filter, collector, &specs, hostVar);
        if (!hadHostVar) heldVar = Ref<Path>::adopt(hostVar);  // made by the filter, for us
        // A step that carries a result list is left as it is, so it cannot bind the new one.
        if (!hadHostVar && hostVar != nullptr && host != nullptr &&
            host->getMethResult() == nullptr) {
            host->setMethResult(Ref<SMethResult>::make(1, hostVar).get());
        }
        if (!specs.empty()) {
            // Specifications the molecule had already stay in front of the filter's.
            auto* all = new clib_list<Spec*>;
            if (molecule->getSpecs() != nullptr)
                for (Spec* spec : *molecule->getSpecs()) all->append(spec);
            for (Spec* spec : specs) all->append(spec);
            molecule->setSpecs(all);
        }
        owned::releaseAll(specs);  // the molecule took references of its own
        molecule->setFilter(nullptr);
    }
    heldVar.reset();

    const Ref<FTerm> newHost = rewriteTerm(molecule->getHost(), collector);
    auto* inner = dynamic_cast<FMolecule*>(newHost.get());
    if (inner != nullptr && inner->getClassTerm() == nullptr) {
        // X[a -> b][c -> d] becomes X[a -> b; c -> d].
        auto* merged = new clib_list<Spec*>;
        if (molecule->getSpecs() != nullptr)
            for (Spec* spec : *molecule->getSpecs()) merged->append(spec);
        if (inner->getSpecs() != nullptr)
            for (Spec* spec : *inner->getSpecs()) merged->append(spec);
        molecule->setSpecs(merged);
        molecule->setHost(inner->getHost());
    } else if (newHost && newHost.get() != molecule->getHost()) {
        // A molecule with an is-a test cannot give its test away: it stays the host.
        molecule->setHost(static_cast<Path*>(newHost.get()));
    }

    if (molecule->getSpecs() != nullptr && !molecule->getSpecs()->empty())
        rewriteSpecs(molecule->getSpecs(), collector);
    return Ref<FTerm>::share(molecule);
}

Ref<FTerm> XPathRewriter::rewriteReference(Reference* step, FLiteralList* collector) {
    Path* host = step->getHost();
    if (host != nullptr && host->is(ParseTreeClass::Reference) && singleResult(host) != nullptr) {
        const Ref<FTerm> newHost = rewriteTerm(host, collector);
        step->setHost(static_cast<Path*>(newHost.get()));
    } else {
        rewriteTerm(host, collector);  // rewritten in place
    }
    Path* found = singleResult(step);
    if (found == nullptr) return Ref<FTerm>::share(step);
    const int arrow = step->getMethResult()->getKind();
    const auto result = Ref<Path>::share(found);
    step->setMethResult(nullptr);
    // The object the step reaches is the result: step[self -> result].
    const auto self = Ref<FunctionTerm>::make(builtinSymbol::Self, nullptr);
    self->setStartKind(1);
    clib_list<FTerm*> results;
    results.append(result.get());
    const auto spec = Ref<PevoMSpec>::make(self.get(), 7, nullptr, arrow, &results);
    clib_list<Spec*> specs;
    specs.append(spec.get());
    return Ref<FMolecule>::make(step, nullptr, &specs, 0);
}

void XPathRewriter::filterToSpecs(FLiteralList* filter, FLiteralList* collector,
                                  clib_list<Spec*>* specs, Path*& hostVar) {
    if (filter == nullptr) return;
    for (FLiteral* literal : *filter->getList()) {
        FTerm* term = literal->getTerm();
        if (term == nullptr) continue;
        if (term->is(ParseTreeClass::Reference) || term->is(ParseTreeClass::FMolecule)) {
            auto* path = static_cast<Path*>(term);
            if (path->startKind() == 0) {
                // From the root it does not depend on the filtered object.
                collector->append(literal);
            } else if (literal->isNegated()) {
                if (hostVar == nullptr) hostVar = newVar();
                addFilterLiteral(path, collector, nullptr, 1, hostVar);
            } else {
                Ref<PevoMSpec> spec = path->pathLength() == 2  ? stepToSpec(path)
                                      : path->pathLength() > 2 ? splitStep(path, collector)
                                                               : nullptr;
                if (spec) owned::append(*specs, std::move(spec));
            }
        } else if (auto* predicate = node_cast<PTerm>(term)) {
            if (hostVar == nullptr) hostVar = newVar();
            if (!literal->isNegated()) {
                if (predicate->getArgs() != nullptr)
                    rewriteArgs(predicate, collector, specs, nullptr, 0, hostVar);
                collector->append(literal);
                continue;
            }
            VarList groupVars;
            predicate->collectVars(groupVars);
            hostVar->collectVars(groupVars);
            const auto body = Ref<FLiteralList>::make();
            if (predicate->getArgs() != nullptr)
                rewriteArgs(predicate, body.get(), specs, &groupVars, 1, hostVar);
            appendNewLiteral(body.get(), predicate, 0);
            if (body->length() != 1) {
                rewriteBody(body.get());
                literal->setTerm(
                    Ref<AggExpr>::make(body.get(), builtinSymbol::Nil, "nest", groupVars).get());
            }
            collector->append(literal);
        }
    }
}

Ref<PevoMSpec> XPathRewriter::stepToSpec(Path* step) {
    Ref<FTerm> result;
    int arrow = 1;
    if (Path* found = singleResult(step); found != nullptr) {
        result = Ref<FTerm>::share(found);
        arrow = step->getMethResult()->getKind();
        step->setMethResult(nullptr);
    } else {
        result = Ref<FTerm>::adopt(newVar());
    }
    // A step with specifications, an is-a test or a filter of its own: they move to the result.
    Path* proper = step;
    while (auto* molecule = node_cast<FMolecule>(proper)) {
        result = Ref<PevoMolecule>::make(static_cast<Path*>(result.get()), molecule->getClassTerm(),
                                         molecule->getSpecs(), molecule->getIsaKind(),
                                         molecule->getFilter());
        proper = molecule->getHost();
    }
    const auto* reference = node_cast<Reference>(proper);
    if (reference == nullptr) return nullptr;
    if (arrow == 1) {
        arrow = reference->getDot();
    } else if (reference->getCode() == 6 && arrow == 4) {
        arrow = 5;
    } else if (reference->getCode() == 6 && arrow == 7) {
        arrow = 8;
    }
    return specOfStep(*reference, arrow, result.get());
}

Ref<PevoMSpec> XPathRewriter::splitStep(Path* path, FLiteralList* collector) {
    auto* parent = dynamic_cast<CPath*>(path);
    if (parent == nullptr) return nullptr;
    Path* first = parent->getHost();
    while (first != nullptr && (first->is(ParseTreeClass::FMolecule) || first->pathLength() > 2)) {
        parent = static_cast<CPath*>(first);
        first = parent->getHost();
    }
    auto* step = node_cast<Reference>(first);
    if (step == nullptr) return nullptr;
    const auto held = Ref<Reference>::share(step);  // the rebased path lets go of it
    Ref<Path> start;
    if (Path* found = singleResult(step); found != nullptr) {
        start = Ref<Path>::share(found);
        step->setMethResult(nullptr);
    } else {
        start = Ref<Path>::adopt(newVar());
    }
    parent->setHost(start.get());
    appendNewLiteral(collector, path, 0);
    return specOfStep(*step, step->getDot(), start.get());
}

void XPathRewriter::addFilterLiteral(Path* path, FLiteralList* collector, VarList* groupVars,
                                     int negated, Path* hostVar) {
    Path* first = firstStepOf(path);
    if (auto* step = node_cast<CPath>(first)) {
        step->setHost(hostVar);
    } else {
        path->replaceStart(hostVar);
    }
    if (groupVars != nullptr) hostVar->collectVars(*groupVars);
    appendNewLiteral(collector, path, negated != 0 ? 1 : 0);
}

void XPathRewriter::rewriteArithmeticExpr(ArithmeticExpr* expression, FLiteralList* collector,
                                          clib_list<Spec*>* specs, VarList* groupVars, int negated,
                                          Path* hostVar) {
    const Ref<FTerm> left =
        rewriteOperand(expression->getLeft(), collector, specs, groupVars, negated, hostVar);
    expression->setLeft(left.get());
    const Ref<FTerm> right =
        rewriteOperand(expression->getRight(), collector, specs, groupVars, negated, hostVar);
    expression->setRight(right.get());
}

void XPathRewriter::rewriteArgs(PTerm* predicate, FLiteralList* collector, clib_list<Spec*>* specs,
                                VarList* groupVars, int negated, Path* hostVar) {
    auto* args = new clib_list<FTerm*>;
    for (FTerm* arg : *predicate->getArgs())
        owned::append(*args, rewriteOperand(arg, collector, specs, groupVars, negated, hostVar));
    predicate->setArgs(args);
}

Ref<FTerm> XPathRewriter::rewriteOperand(FTerm* term, FLiteralList* collector,
                                         clib_list<Spec*>* specs, VarList* groupVars, int negated,
                                         Path* hostVar) {
    if (term == nullptr) return nullptr;
    if (auto* expr = node_cast<ArithmeticExpr>(term)) {
        rewriteArithmeticExpr(expr, collector, specs, groupVars, negated, hostVar);
    } else if (auto* aggregate = node_cast<AggExpr>(term)) {
        rewriteAggExpr(aggregate, collector);
    } else if (auto* path = dynamic_cast<Path*>(term); path != nullptr && path->pathLength() != 1) {
        // A path from self inside a filter is evaluated at the filtered object.
        if (path->pathLength() >= 2 && path->startKind() == 1 && hostVar != nullptr)
            path->replaceStart(hostVar);
        return rewriteTerm(term, collector);
    }
    return Ref<FTerm>::share(term);
}

FVar* XPathRewriter::newVar() {
    SymTab* names = symTab;
    if (names == nullptr) {
        if (!spareNames) spareNames = Ref<SymTab>::make();
        names = spareNames.get();
    }
    auto* var = new FVar(names->newSymbol(6, 0));
    var->setStartKind(2);
    return var;
}
