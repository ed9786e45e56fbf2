// The rewriting of programs into atomic rules: rules and heads, the term family, negated
// literals with their auxiliary rules, and the shell methods.
#include "compile/Normalizer.h"

#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "compile/ProgramInterpreter.h"
#include "compile/SemanticAnalyser.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FunctionTerm.h"
#include "language/NodeLists.h"
#include "language/PTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"

namespace {

const char* const Label = "norm";

// Terms stand as hosts only when they are paths; every normalised host is one.
Path* asPath(FTerm* term) {
    return dynamic_cast<Path*>(term);
}

// A plain list of the held terms for a constructor of the parse tree, which references every
// element itself (and, for predicates and function terms, takes the list over): the handles keep
// their own references and release them. Null for a missing list.
std::unique_ptr<clib_list<FTerm*>> plainList(const TermRefs& terms) {
    auto list = std::make_unique<clib_list<FTerm*>>();
    for (const Ref<FTerm>& term : terms) list->append(term.get());
    return list;
}

std::unique_ptr<clib_list<FTerm*>> plainList(const std::optional<TermRefs>& terms) {
    return terms ? plainList(*terms) : nullptr;
}

}  // namespace

Normalizer::Normalizer(FProgram* program)
    : source(Ref<FProgram>::share(program)),
      programTable(Ref<SymTab>::share(program != nullptr ? program->getSymTab() : nullptr)),
      analyser(Ref<SemanticAnalyser>::make()) {}

Normalizer::Normalizer(ProgramInterpreter* interpreter)
    : interpreter(Ref<ProgramInterpreter>::share(interpreter)),
      analyser(Ref<SemanticAnalyser>::make()) {}

Normalizer::~Normalizer() = default;

FLSysRef Normalizer::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<Normalizer>& Normalizer::shellCommands() {
    static const ShellCommands<Normalizer> table{
        helpHeading("Normalizer"),
        {
            {"help",
             ShellArgs::None,
             [](Normalizer& self, FLSysArgs*) -> FLSysRef { return FLSysRef::share(self.help()); },
             {"    - help"}},
            {.help = {"    - isA@(string)", "          string : classname",
                      "          returns  1 (object belongs to class)  or  0"}},
            {"print",
             ShellArgs::None,
             [](Normalizer& self, FLSysArgs*) -> FLSysRef {
                 self.print(systemChannel());
                 return FLSysRef::share(&self);
             },
             {"    - print", "          prints type of instance"}},
            {"showProgram",
             ShellArgs::None,
             [](Normalizer& self, FLSysArgs*) -> FLSysRef {
                 self.showProgram();
                 return FLSysRef::share(&self);
             },
             {"    - showProgram", "          prints FProgram of the Normalizer if exist"}},
            {"getProgram",
             ShellArgs::None,
             [](Normalizer& self, FLSysArgs*) -> FLSysRef {
                 if (self.getProgram() == nullptr) return nullptr;
                 systemChannel() << "FProgram successfully copied ! " << std::endl;
                 return FLSysRef::share(&self);
             },
             {"    - getProgram", "          defines actual FProgram as source"}},
            // The atomised program stays the Normalizer's; the caller gets a reference of its own.
            {"giveProgram",
             ShellArgs::None,
             [](Normalizer& self, FLSysArgs*) -> FLSysRef {
                 return FLSysRef::share(self.giveProgram());
             },
             {"    - giveProgram", "          returns Pointer to actual normalized Program"}},
            {"atomize",
             ShellArgs::None,
             [](Normalizer& self, FLSysArgs*) -> FLSysRef {
                 if (self.atomize() != nullptr)
                     systemChannel() << "FProgram atomized ! " << std::endl;
                 return FLSysRef::share(&self);
             },
             {"    - atomize", "          defines the new normalized FProgram"}},
        },
        {"", "", ""}};
    return table;
}

bool Normalizer::isA(const std::string& className) const {
    return className == "Normalizer" || FLSysObject::isA(className);
}

void Normalizer::print(OutputChannel& channel) const {
    channel << "aNormalizer" << std::endl;
}

Normalizer* Normalizer::help() {
    shellCommands().writeHelp(helpChannel());
    return this;
}

// ---- program access ----

Normalizer* Normalizer::getProgram() {
    if (!interpreter) {
        centralErrorHandler().report(err13::NoFLogInterp);
        return nullptr;
    }
    source = Ref<FProgram>::share(interpreter->showProgram());
    if (!source) return this;
    if (!source->hasClauseList()) {
        centralErrorHandler().report(err13::NoOwnFProgram);
        return nullptr;
    }
    programTable = Ref<SymTab>::share(source->getSymTab());
    return this;
}

Normalizer* Normalizer::showProgram() {
    if (!atomised) {
        centralErrorHandler().report(err13::NoAtomFProgram);
        return nullptr;
    }
    atomised->display(answerChannel());
    return this;
}

void Normalizer::setSymTab(SymTab* table) {
    if (table == nullptr) return;
    ruleTable = Ref<SymTab>::make(*table);
}

void Normalizer::setRuleTable(SymTab* table) {
    ruleTable = Ref<SymTab>::share(table);
}

int Normalizer::analyse() {
    return analyser->analyse(source.get(), programTable.get());
}

Normalizer* Normalizer::atomize() {
    if (!source || !programTable) getProgram();
    // Without a source program there is nothing to read once the analysis has said so.
    if (analyse() == 0 || !source) return nullptr;
    atomised = Ref<FProgram>();
    atomised = Ref<FProgram>::make(new clib_list<FRule*>, programTable.get());
    atomised->setInheritanceMark(source->inheritanceMark());
    // A compact fact of one atom is its own normal form; it stays compact, labelled as every
    // normalised clause is.
    source->forEachClause(
        [&](FRule* rule) {
            atomizeClause(rule);
            return true;
        },
        [&](const FactList& facts, std::size_t i) {
            if (compactFactsLeftOut) return true;
            // A molecule of several atoms or with arguments is written otherwise once
            // normalised: its clause (a new one, made for this) is normalised as a whole one is.
            if (facts.form(i) == FactList::Molecule) {
                atomizeClause(Ref<FRule>::adopt(facts.clause(i)).get());
            } else {
                atomised->appendFact(facts, i, Label, 0, 1);
            }
            return true;
        });
    return this;
}

void Normalizer::atomizeClause(FRule* rule) {
    switch (rule->ruleKind()) {
        case FRule::Fact:
        case FRule::Rule:
            for (const Ref<FRule>& made : normalizeRule(rule)) atomised->append(made.get());
            break;
        case FRule::Query:
            atomised->append(rule);
            break;
        default:
            centralErrorHandler().report(err13::BadRuleType);
    }
}

// ---- rules ----

Ref<FRule> Normalizer::newRule(FTermList* head, FLiteralList* body, int flag) const {
    return Ref<FRule>::make(head, body, ruleTable.get(), Label, 0, flag);
}

Ref<FRule> Normalizer::newRule(FTerm* headAtom, FLiteralList* body) const {
    return newRule(Ref<FTermList>::make(headAtom).get(), body, 1);
}

void Normalizer::appendLiteral(FLiteralList* list, FTerm* atom, int negated) {
    list->append(Ref<FLiteral>::make(atom, negated, 0).get());
}

std::vector<Ref<FRule>> Normalizer::normalizeRule(FRule* rule) {
    std::vector<Ref<FRule>> rules;
    if (rule == nullptr) return rules;
    if (rule->getSymTab() != nullptr) {
        setRuleTable(rule->getSymTab());
    } else {
        ruleTable = Ref<SymTab>::make();
    }
    // The common fact over constants is its own normal form: its head is shared, not rebuilt.
    if (rule->isGroundPredicateFact()) {
        rules.push_back(newRule(rule->getHead(), nullptr, 1));
        return rules;
    }
    auto head = Ref<FTermList>::make();
    normalizeTermList(rule->getHead(), head.get());
    if (rule->ruleKind() == FRule::Fact) {
        rules.push_back(newRule(head.get(), nullptr, 1));
        return rules;
    }

    clib_list<FLiteral*> positive;
    clib_list<FLiteral*> negated;
    if (rule->getBody() != nullptr)
        for (FLiteral* literal : *rule->getBody()->getList())
            (literal->isNegated() ? negated : positive).append(literal);
    auto body = Ref<FLiteralList>::make();
    {
        auto atoms = Ref<FTermList>::make();
        normalizeLiteralList(positive, atoms.get());
        for (FTerm* atom : atoms->getList()) appendLiteral(body.get(), atom, 0);
    }

    if (!negated.empty()) return normalizeNegation(negated, head.get(), body.get());
    for (FTerm* atom : head->getList()) rules.push_back(newRule(atom, body.get()));
    return rules;
}

std::vector<Ref<FRule>> Normalizer::normalizeNegation(const clib_list<FLiteral*>& negated,
                                                      FTermList* head, FLiteralList* body) {
    std::vector<Ref<FRule>> rules;
    // What the positive atoms bind: a negated atom that stands for a negated conjunction may
    // only carry these; a variable made for a path inside the negation is bound by nothing
    // outside it and stays inside the auxiliary rule.
    VarSet bodyBound;
    body->addVarsTo(bodyBound);
    for (FTerm* atom : head->getList()) rules.push_back(newRule(atom, body));
    std::vector<Ref<FRule>> auxiliary;
    for (FLiteral* literal : negated) {
        auto atoms = Ref<FTermList>::make();
        normalizeLiteral(Ref<FLiteral>::make(literal->getTerm(), 0, literal->secondFlag()).get(),
                         atoms.get());
        if (atoms->isEmpty()) {
            centralErrorHandler().report(err13::ObscureBody);
            return {};
        }
        // Generators bind their variables alone; tests need them bound.
        std::vector<FTerm*> generators, unnamedGenerators, namedTests, unnamedTests;
        for (FTerm* atom : atoms->getList()) {
            const bool named = allVarsNamed(ruleTable.get(), atom);
            if (canBind(atom, nullptr)) {
                generators.push_back(atom);
                if (!named) unnamedGenerators.push_back(atom);
            } else {
                (named ? namedTests : unnamedTests).push_back(atom);
            }
        }
        Ref<FTerm> replacement;
        if (generators.size() == 1 && allVarsNamed(ruleTable.get(), generators.front()) &&
            generators.front()->allVarsIn(bodyBound)) {
            replacement = Ref<FTerm>::share(generators.front());
        } else if (!generators.empty()) {
            auto generatorList = Ref<FTermList>::make();
            for (FTerm* g : generators) generatorList->append(g);
            replacement = makeAuxAtom(generatorList.get(), ruleTable.get(), &bodyBound);
            auto auxBody = Ref<FLiteralList>::make();
            for (FTerm* g : generators) appendLiteral(auxBody.get(), g, 0);
            auxiliary.push_back(newRule(replacement.get(), auxBody.get()));
        }
        if (replacement) appendLiteral(body, replacement.get(), 1);
        for (FTerm* t : namedTests) appendLiteral(body, t, 1);
        for (FTerm* t : unnamedTests) {
            for (FTerm* g : unnamedGenerators) appendLiteral(body, g, 0);
            appendLiteral(body, t, 1);
        }
    }
    for (Ref<FRule>& aux : auxiliary) rules.push_back(std::move(aux));
    return rules;
}

// ---- term lists and literals ----

void Normalizer::normalizeTermList(FTermList* terms, FTermList* out) {
    if (terms == nullptr) return;
    for (FTerm* term : terms->getList()) normalizeTerm(term, out);
}

void Normalizer::normalizeLiteralList(const clib_list<FLiteral*>& literals, FTermList* out) {
    for (FLiteral* literal : literals) normalizeLiteral(literal, out);
}

Ref<FTerm> Normalizer::normalizeLiteral(FLiteral* literal, FTermList* out) {
    if (literal == nullptr) return {};
    if (literal->isNegated()) {
        centralErrorHandler().report(err13::NegatedRule);
        return {};
    }
    return normalizeTerm(literal->getTerm(), out);
}

// ---- terms ----

Ref<FTerm> Normalizer::normalizeTerm(FTerm* term, FTermList* out) {
    if (term == nullptr) return {};
    if (term->is(ParseTreeClass::FMolecule))
        return normalizeMolecule(static_cast<FMolecule*>(term), out);
    if (term->is(ParseTreeClass::PTerm)) return normalizePTerm(static_cast<PTerm*>(term), out);
    if (term->is(ParseTreeClass::Reference))
        return normalizeReference(static_cast<Reference*>(term), out);
    if (term->is(ParseTreeClass::FunctionTerm))
        return normalizeFunctionTerm(static_cast<FunctionTerm*>(term), out);
    if (term->is(ParseTreeClass::ArithmeticExpr))
        return normalizeArithmetic(static_cast<ArithmeticExpr*>(term), out);
    return Ref<FTerm>::share(term);
}

std::optional<TermRefs> Normalizer::normalizeArgs(const clib_list<FTerm*>* args, FTermList* out) {
    if (args == nullptr) return std::nullopt;
    TermRefs normalised;
    for (FTerm* arg : *args) normalised.push_back(normalizeTerm(arg, out));
    return normalised;
}

Ref<FTerm> Normalizer::normalizePTerm(PTerm* term, FTermList* out) {
    std::optional<TermRefs> args = normalizeArgs(term->getArgs(), out);
    // The group positions travel along: the "perl" predicate reads its input count there.
    out->append(Ref<PTerm>::make(term->getName(), term->firstGroupStart(), term->firstGroupEnd(),
                                 plainList(args).release())
                    .get());
    return Ref<FTerm>::share(term);
}

Ref<FTerm> Normalizer::normalizeFunctionTerm(FunctionTerm* term, FTermList* out) {
    if (nodelists::isEmpty(term->getArgs())) return Ref<FTerm>::share(term);
    std::optional<TermRefs> args = normalizeArgs(term->getArgs(), out);
    return Ref<FunctionTerm>::make(term->getName(), plainList(args).release());
}

Ref<FTerm> Normalizer::normalizeArithmetic(ArithmeticExpr* expr, FTermList* out) {
    Ref<FTerm> left = normalizeTerm(expr->getLeft(), out);
    Ref<FTerm> right = normalizeTerm(expr->getRight(), out);
    auto made = Ref<ArithmeticExpr>::make(left.get(), right.get(), expr->getOperator());
    made->setParenthesized();
    return made;
}

void Normalizer::appendSpecAtom(FTerm* host, const Ref<Spec>& spec, FTermList* out) {
    clib_list<Spec*> specs;
    specs.append(spec.get());
    out->append(Ref<FMolecule>::make(asPath(host), nullptr, &specs, 0).get());
}

Ref<FTerm> Normalizer::normalizeReference(Reference* ref, FTermList* out) {
    Ref<FTerm> method = normalizeTerm(ref->getMethod(), out);
    std::optional<TermRefs> args = normalizeArgs(ref->getArgs(), out);
    Ref<FVar> value = newVariable();
    Ref<FTerm> host = normalizeTerm(ref->getHost(), out);
    const int kind = ref->getDot();
    const std::unique_ptr<clib_list<FTerm*>> argList = plainList(args);
    if (kind == 0 || kind == 3 || kind == 6) {
        appendSpecAtom(
            host.get(),
            Ref<SSpec>::make(method.get(), ref->getCode(), argList.get(), kind, value.get()), out);
    } else {
        clib_list<FTerm*> results;
        results.append(value.get());
        appendSpecAtom(
            host.get(),
            Ref<MSpec>::make(method.get(), ref->getCode(), argList.get(), kind, &results), out);
    }
    return value;
}

Ref<FTerm> Normalizer::normalizeMolecule(FMolecule* mol, FTermList* out) {
    // The atoms made so far bind what a bare host may need.
    Ref<FLiteralList> earlier;
    if (!out->isEmpty()) {
        earlier = Ref<FLiteralList>::make();
        for (FTerm* atom : out->getList()) appendLiteral(earlier.get(), atom, 0);
    }
    Ref<FTerm> host = normalizeTerm(mol->getHost(), out);
    Ref<FTerm> cls = normalizeTerm(mol->getClassTerm(), out);
    if (cls)
        out->append(
            Ref<FMolecule>::make(asPath(host.get()), cls.get(), nullptr, mol->getIsaKind()).get());
    if (!nodelists::isEmpty(mol->getSpecs())) {
        normalizeSpecs(mol->getSpecs(), host.get(), out);
    } else if (!cls && canBind(host.get(), earlier.get())) {
        out->append(Ref<FMolecule>::make(asPath(host.get()), nullptr, nullptr, 0).get());
    }
    return host;
}

Ref<FTerm> Normalizer::normalizeResult(SSpec* spec, FTermList* out) {
    return normalizeTerm(spec->getResult(), out);
}

TermRefs Normalizer::normalizeResults(MSpec* spec, FTermList* out) {
    TermRefs results;
    if (spec->getResults() != nullptr)
        for (FTerm* result : *spec->getResults()) results.push_back(normalizeTerm(result, out));
    return results;
}

void Normalizer::normalizeSpecs(const clib_list<Spec*>* specs, FTerm* host, FTermList* out) {
    if (specs == nullptr) return;
    for (Spec* spec : *specs) {
        std::optional<TermRefs> args = normalizeArgs(spec->getArgs(), out);
        Ref<FTerm> method = normalizeTerm(spec->getMethod(), out);
        const std::unique_ptr<clib_list<FTerm*>> argList = plainList(args);
        if (spec->is(ParseTreeClass::SSpec)) {
            Ref<FTerm> result = normalizeResult(static_cast<SSpec*>(spec), out);
            appendSpecAtom(host,
                           Ref<SSpec>::make(method.get(), spec->getCode(), argList.get(),
                                            spec->getKind(), result.get()),
                           out);
        } else {
            // An empty result list stays a list, as the source wrote it.
            const TermRefs results = normalizeResults(static_cast<MSpec*>(spec), out);
            if (results.empty()) {
                const clib_list<FTerm*> none;
                appendSpecAtom(host,
                               Ref<MSpec>::make(method.get(), spec->getCode(), argList.get(),
                                                spec->getKind(), &none),
                               out);
            }
            for (const Ref<FTerm>& result : results) {
                clib_list<FTerm*> one;
                one.append(result.get());
                appendSpecAtom(host,
                               Ref<MSpec>::make(method.get(), spec->getCode(), argList.get(),
                                                spec->getKind(), &one),
                               out);
            }
        }
    }
}

// ---- helpers ----

Ref<FVar> Normalizer::newVariable() {
    if (!ruleTable) ruleTable = Ref<SymTab>::make();
    return Ref<FVar>::make(ruleTable->newSymbol(InternalName::Variable, 0));
}

bool Normalizer::canBind(const FTerm* term, FLiteralList* literals) const {
    VarSet bound;
    if (literals != nullptr)
        for (FLiteral* literal : *literals->getList()) literal->bindVars(bound, ruleTable.get());
    return term->bindVars(bound, ruleTable.get());
}

bool Normalizer::allVarsNamed(const SymTab* table, const FTerm* term) const {
    const std::unique_ptr<VarList> vars = term->giveVars();
    bool named = true;
    for (const FSymbol& var : *vars)
        if (table == nullptr || table->giveName(var) == "NULL") named = false;
    return named;
}

Ref<PTerm> Normalizer::predicateOver(const clib_list<FSymbol>& vars) {
    TermRefs args;
    for (const FSymbol& var : vars) args.push_back(Ref<FVar>::make(var));
    const FSymbol name = programTable->newSymbol(InternalName::Predicate, vars.length());
    return Ref<PTerm>::make(name, 0, 0, plainList(args).release());
}

Ref<PTerm> Normalizer::makeAuxAtom(const FTermList* atoms, SymTab* table, const VarSet* bound) {
    const std::unique_ptr<VarList> vars = atoms->giveVars();
    clib_list<FSymbol> named;
    for (const FSymbol& var : *vars)
        if (table != nullptr && table->giveName(var) != "NULL" &&
            (bound == nullptr || bound->member(var)))
            named.append(var);
    return predicateOver(named);
}

Ref<PTerm> Normalizer::makeVarAtom(const FTerm* term) {
    const std::unique_ptr<VarList> vars = term->giveVars();
    Ref<PTerm> atom = predicateOver(*vars);
    return atom;
}

NormalizerMeta::NormalizerMeta() : XMeta("Normalizer") {}

FLSysRef NormalizerMeta::createInstance(FLSysArgs* args) {
    FLSysObject* interpreter = nullptr;
    if (!checkArgs1(args, "FLogicInterpreter", interpreter)) return nullptr;
    return Ref<Normalizer>::make(dynamic_cast<ProgramInterpreter*>(interpreter));
}
