// The rewriting of programs into atomic rules: rules and heads, the term family, negated
// literals with their auxiliary rules, and the shell methods.
#include "compile/Normalizer.h"

#include <ostream>
#include <vector>

#include "compile/ProgramInterpreter.h"
#include "compile/SemanticAnalyser.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
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

// Points a counted field at another object.
template <class T>
void hold(T*& field, T* value) {
    incRef(value);
    decRef(field);
    field = value;
}

// Terms stand as hosts only when they are paths; every normalised host is one.
Path* asPath(FTerm* term) {
    return dynamic_cast<Path*>(term);
}

}  // namespace

Normalizer::Normalizer(FProgram* program)
    : source(program),
      programTable(program != nullptr ? program->getSymTab() : nullptr),
      analyser(new SemanticAnalyser) {
    incRef(source);
    incRef(programTable);
}

Normalizer::Normalizer(ProgramInterpreter* interpreter)
    : interpreter(interpreter), analyser(new SemanticAnalyser) {
    incRef(interpreter);
}

Normalizer::~Normalizer() {
    decRef(source);
    decRef(atomised);
    decRef(programTable);
    decRef(ruleTable);
    decRef(analyser);
    decRef(interpreter);
}

FLSysRef Normalizer::methodCall(const std::string& name, FLSysArgs* args) {
    const bool noArgs = argumentCount(args) == 0;
    if (name == "help") return noArgs ? FLSysRef::share(help()) : nullptr;
    if (name == "print") {
        if (!noArgs) return nullptr;
        print(systemChannel());
        return FLSysRef::share(this);
    }
    if (name == "showProgram") {
        if (!noArgs) return nullptr;
        showProgram();
        return FLSysRef::share(this);
    }
    if (name == "getProgram") {
        if (!noArgs || getProgram() == nullptr) return nullptr;
        systemChannel() << "FProgram successfully copied ! " << std::endl;
        return FLSysRef::share(this);
    }
    // The atomised program stays the Normalizer's; the caller gets a reference of its own.
    if (name == "giveProgram") return noArgs ? FLSysRef::share(giveProgram()) : nullptr;
    if (name == "atomize") {
        if (!noArgs) return nullptr;
        if (atomize() != nullptr) systemChannel() << "FProgram atomized ! " << std::endl;
        return FLSysRef::share(this);
    }
    return FLSysObject::methodCall(name, args);
}

bool Normalizer::isA(const std::string& className) const {
    return className == "Normalizer" || FLSysObject::isA(className);
}

void Normalizer::print(OutputChannel& channel) const {
    channel << "aNormalizer" << std::endl;
}

Normalizer* Normalizer::help() {
    OutputChannel& channel = helpChannel();
    writeHelpHeader(channel, "Normalizer");
    channel << "    - help" << std::endl
            << "    - isA@(string)" << std::endl
            << "          string : classname" << std::endl
            << "          returns  1 (object belongs to class)  or  0" << std::endl
            << "    - print" << std::endl
            << "          prints type of instance" << std::endl
            << "    - showProgram" << std::endl
            << "          prints FProgram of the Normalizer if exist" << std::endl
            << "    - getProgram" << std::endl
            << "          defines actual FProgram as source" << std::endl
            << "    - giveProgram" << std::endl
            << "          returns Pointer to actual normalized Program" << std::endl
            << "    - atomize" << std::endl
            << "          defines the new normalized FProgram" << std::endl
            << std::endl
            << std::endl
            << std::endl;
    return this;
}

// ---- program access ----

Normalizer* Normalizer::getProgram() {
    if (interpreter == nullptr) {
        centralErrorHandler().report(err13::NoFLogInterp);
        return nullptr;
    }
    hold(source, interpreter->showProgram());
    if (source == nullptr) return this;
    if (!source->hasClauseList()) {
        centralErrorHandler().report(err13::NoOwnFProgram);
        return nullptr;
    }
    hold(programTable, source->getSymTab());
    return this;
}

Normalizer* Normalizer::showProgram() {
    if (atomised == nullptr) {
        centralErrorHandler().report(err13::NoAtomFProgram);
        return nullptr;
    }
    atomised->display(answerChannel());
    return this;
}

void Normalizer::setSymTab(SymTab* table) {
    if (table == nullptr) return;
    auto* copy = new SymTab(*table);
    decRef(ruleTable);
    ruleTable = copy;
}

void Normalizer::setRuleTable(SymTab* table) {
    hold(ruleTable, table);
}

int Normalizer::analyse() {
    return analyser->analyse(source, programTable);
}

Normalizer* Normalizer::atomize() {
    if (source == nullptr || programTable == nullptr) getProgram();
    // Without a source program there is nothing to read once the analysis has said so.
    if (analyse() == 0 || source == nullptr) return nullptr;
    decRef(atomised);
    atomised = new FProgram(new clib_list<FRule*>, programTable);
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
            // normalised: its clause is normalised as a whole one is.
            if (facts.form(i) == FactList::Molecule) {
                FRule* clause = facts.clause(i);
                atomizeClause(clause);
                decRef(clause);
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
        case FRule::Rule: {
            clib_list<FRule*>* rules = normalizeRule(rule);
            if (rules == nullptr) break;
            for (FRule* made : *rules) atomised->append(made);
            nodelists::release(rules);
            break;
        }
        case FRule::Query:
            atomised->append(rule);
            break;
        default:
            centralErrorHandler().report(err13::BadRuleType);
    }
}

// ---- rules ----

FRule* Normalizer::newRule(FTermList* head, FLiteralList* body, int flag) const {
    return new FRule(head, body, ruleTable, Label, 0, flag);
}

void Normalizer::appendLiteral(FLiteralList* list, FTerm* atom, int negated) {
    auto* literal = new FLiteral(atom, negated, 0);
    list->append(literal);
    decRef(literal);
}

clib_list<FRule*>* Normalizer::normalizeRule(FRule* rule) {
    if (rule == nullptr) return nullptr;
    if (rule->getSymTab() != nullptr) {
        setRuleTable(rule->getSymTab());
    } else {
        auto* empty = new SymTab;
        setRuleTable(empty);
        decRef(empty);
    }
    auto* rules = new clib_list<FRule*>;
    // The common fact over constants is its own normal form: its head is shared, not rebuilt.
    if (rule->isGroundPredicateFact()) {
        rules->append(newRule(rule->getHead(), nullptr, 1));
        return rules;
    }
    auto* head = new FTermList;
    normalizeTermList(rule->getHead(), head);
    if (rule->ruleKind() == FRule::Fact) {
        rules->append(newRule(head, nullptr, 1));
        decRef(head);
        return rules;
    }

    clib_list<FLiteral*> positive;
    clib_list<FLiteral*> negated;
    if (rule->getBody() != nullptr)
        for (FLiteral* literal : *rule->getBody()->getList())
            (literal->isNegated() ? negated : positive).append(literal);
    auto* atoms = new FTermList;
    normalizeLiteralList(positive, atoms);
    auto* body = new FLiteralList;
    for (FTerm* atom : atoms->getList()) appendLiteral(body, atom, 0);
    decRef(atoms);

    if (negated.empty()) {
        for (FTerm* atom : head->getList()) {
            auto* single = new FTermList(atom);
            rules->append(newRule(single, body, 1));
            decRef(single);
        }
    } else {
        delete rules;
        rules = normalizeNegation(negated, head, body);
    }
    decRef(body);
    decRef(head);
    return rules;
}

clib_list<FRule*>* Normalizer::normalizeNegation(const clib_list<FLiteral*>& negated,
                                                 FTermList* head, FLiteralList* body) {
    auto* rules = new clib_list<FRule*>;
    // What the positive atoms bind: a negated atom that stands for a negated conjunction may
    // only carry these; a variable made for a path inside the negation is bound by nothing
    // outside it and stays inside the auxiliary rule.
    VarSet bodyBound;
    body->addVarsTo(bodyBound);
    for (FTerm* atom : head->getList()) {
        auto* single = new FTermList(atom);
        rules->append(newRule(single, body, 1));
        decRef(single);
    }
    clib_list<FRule*> auxiliary;
    for (FLiteral* literal : negated) {
        auto* positive = new FLiteral(literal->getTerm(), 0, literal->secondFlag());
        auto* atoms = new FTermList;
        decRef(normalizeLiteral(positive, atoms));
        decRef(positive);
        if (atoms->isEmpty()) {
            centralErrorHandler().report(err13::ObscureBody);
            decRef(atoms);
            nodelists::release(rules);
            nodelists::releaseAll(auxiliary);
            return nullptr;
        }
        // Generators bind their variables alone; tests need them bound.
        std::vector<FTerm*> generators, unnamedGenerators, namedTests, unnamedTests;
        for (FTerm* atom : atoms->getList()) {
            const bool named = allVarsNamed(ruleTable, atom);
            if (canBind(atom, nullptr)) {
                generators.push_back(atom);
                if (!named) unnamedGenerators.push_back(atom);
            } else {
                (named ? namedTests : unnamedTests).push_back(atom);
            }
        }
        FTerm* replacement = nullptr;
        if (generators.size() == 1 && allVarsNamed(ruleTable, generators.front()) &&
            generators.front()->allVarsIn(bodyBound)) {
            replacement = generators.front();
            incRef(replacement);
        } else if (!generators.empty()) {
            auto* generatorList = new FTermList;
            for (FTerm* g : generators) generatorList->append(g);
            replacement = makeAuxAtom(generatorList, ruleTable, &bodyBound);
            decRef(generatorList);
            auto* auxHead = new FTermList(replacement);
            auto* auxBody = new FLiteralList;
            for (FTerm* g : generators) appendLiteral(auxBody, g, 0);
            auxiliary.append(newRule(auxHead, auxBody, 1));
            decRef(auxHead);
            decRef(auxBody);
        }
        if (replacement != nullptr) appendLiteral(body, replacement, 1);
        for (FTerm* t : namedTests) appendLiteral(body, t, 1);
        for (FTerm* t : unnamedTests) {
            for (FTerm* g : unnamedGenerators) appendLiteral(body, g, 0);
            appendLiteral(body, t, 1);
        }
        decRef(replacement);
        decRef(atoms);
    }
    for (FRule* aux : auxiliary) rules->append(aux);
    return rules;
}

// ---- term lists and literals ----

void Normalizer::normalizeTermList(FTermList* terms, FTermList* out) {
    if (terms == nullptr) return;
    for (FTerm* term : terms->getList()) decRef(normalizeTerm(term, out));
}

void Normalizer::normalizeLiteralList(const clib_list<FLiteral*>& literals, FTermList* out) {
    for (FLiteral* literal : literals) decRef(normalizeLiteral(literal, out));
}

FTerm* Normalizer::normalizeLiteral(FLiteral* literal, FTermList* out) {
    if (literal == nullptr) return nullptr;
    if (literal->isNegated()) {
        centralErrorHandler().report(err13::NegatedRule);
        return nullptr;
    }
    return normalizeTerm(literal->getTerm(), out);
}

// ---- terms ----

FTerm* Normalizer::normalizeTerm(FTerm* term, FTermList* out) {
    if (term == nullptr) return nullptr;
    if (term->is(ParseTreeClass::FMolecule))
        return normalizeMolecule(static_cast<FMolecule*>(term), out);
    if (term->is(ParseTreeClass::PTerm)) return normalizePTerm(static_cast<PTerm*>(term), out);
    if (term->is(ParseTreeClass::Reference))
        return normalizeReference(static_cast<Reference*>(term), out);
    if (term->is(ParseTreeClass::FunctionTerm))
        return normalizeFunctionTerm(static_cast<FunctionTerm*>(term), out);
    if (term->is(ParseTreeClass::ArithmeticExpr))
        return normalizeArithmetic(static_cast<ArithmeticExpr*>(term), out);
    incRef(term);
    return term;
}

clib_list<FTerm*>* Normalizer::normalizeArgs(const clib_list<FTerm*>* args, FTermList* out) {
    if (args == nullptr) return nullptr;
    auto* normalised = new clib_list<FTerm*>;
    for (FTerm* arg : *args) normalised->append(normalizeTerm(arg, out));
    return normalised;
}

FTerm* Normalizer::normalizePTerm(PTerm* term, FTermList* out) {
    clib_list<FTerm*>* args = normalizeArgs(term->getArgs(), out);
    // The group positions travel along: the "perl" predicate reads its input count there.
    auto* atom = new PTerm(term->getName(), term->firstGroupStart(), term->firstGroupEnd(), args);
    if (args != nullptr)
        for (FTerm* arg : *args) decRef(arg);
    out->append(atom);
    decRef(atom);
    incRef(term);
    return term;
}

FTerm* Normalizer::normalizeFunctionTerm(FunctionTerm* term, FTermList* out) {
    if (nodelists::isEmpty(term->getArgs())) {
        incRef(term);
        return term;
    }
    clib_list<FTerm*>* args = normalizeArgs(term->getArgs(), out);
    auto* made = new FunctionTerm(term->getName(), args);
    for (FTerm* arg : *args) decRef(arg);
    return made;
}

FTerm* Normalizer::normalizeArithmetic(ArithmeticExpr* expr, FTermList* out) {
    FTerm* left = normalizeTerm(expr->getLeft(), out);
    FTerm* right = normalizeTerm(expr->getRight(), out);
    auto* made = new ArithmeticExpr(left, right, expr->getOperator());
    made->setParenthesized();
    decRef(left);
    decRef(right);
    return made;
}

void Normalizer::appendSpecAtom(FTerm* host, Spec* spec, FTermList* out) {
    clib_list<Spec*> specs;
    specs.append(spec);
    auto* atom = new FMolecule(asPath(host), nullptr, &specs, 0);
    decRef(spec);
    out->append(atom);
    decRef(atom);
}

FTerm* Normalizer::normalizeReference(Reference* ref, FTermList* out) {
    FTerm* method = normalizeTerm(ref->getMethod(), out);
    clib_list<FTerm*>* args = normalizeArgs(ref->getArgs(), out);
    FVar* value = newVariable();
    FTerm* host = normalizeTerm(ref->getHost(), out);
    const int kind = ref->getDot();
    Spec* spec = nullptr;
    if (kind == 0 || kind == 3 || kind == 6) {
        spec = new SSpec(method, ref->getCode(), args, kind, value);
    } else {
        clib_list<FTerm*> results;
        results.append(value);
        spec = new MSpec(method, ref->getCode(), args, kind, &results);
    }
    appendSpecAtom(host, spec, out);
    decRef(host);
    decRef(method);
    nodelists::release(args);
    return value;
}

FTerm* Normalizer::normalizeMolecule(FMolecule* mol, FTermList* out) {
    // The atoms made so far bind what a bare host may need.
    FLiteralList* earlier = nullptr;
    if (!out->isEmpty()) {
        earlier = new FLiteralList;
        for (FTerm* atom : out->getList()) appendLiteral(earlier, atom, 0);
    }
    FTerm* host = normalizeTerm(mol->getHost(), out);
    FTerm* cls = normalizeTerm(mol->getClassTerm(), out);
    if (cls != nullptr) {
        auto* atom = new FMolecule(asPath(host), cls, nullptr, mol->getIsaKind());
        out->append(atom);
        decRef(atom);
    }
    if (!nodelists::isEmpty(mol->getSpecs())) {
        normalizeSpecs(mol->getSpecs(), host, out);
    } else if (cls == nullptr && canBind(host, earlier)) {
        auto* atom = new FMolecule(asPath(host), nullptr, nullptr, 0);
        out->append(atom);
        decRef(atom);
    }
    decRef(cls);
    decRef(earlier);
    return host;
}

FTerm* Normalizer::normalizeResult(SSpec* spec, FTermList* out) {
    return normalizeTerm(spec->getResult(), out);
}

clib_list<FTerm*>* Normalizer::normalizeResults(MSpec* spec, FTermList* out) {
    auto* results = new clib_list<FTerm*>;
    if (spec->getResults() != nullptr)
        for (FTerm* result : *spec->getResults()) results->append(normalizeTerm(result, out));
    return results;
}

void Normalizer::normalizeSpecs(const clib_list<Spec*>* specs, FTerm* host, FTermList* out) {
    if (specs == nullptr) return;
    for (Spec* spec : *specs) {
        clib_list<FTerm*>* args = normalizeArgs(spec->getArgs(), out);
        FTerm* method = normalizeTerm(spec->getMethod(), out);
        if (spec->is(ParseTreeClass::SSpec)) {
            FTerm* result = normalizeResult(static_cast<SSpec*>(spec), out);
            appendSpecAtom(host, new SSpec(method, spec->getCode(), args, spec->getKind(), result),
                           out);
            decRef(result);
        } else {
            clib_list<FTerm*>* results = normalizeResults(static_cast<MSpec*>(spec), out);
            if (results->empty()) {
                appendSpecAtom(
                    host, new MSpec(method, spec->getCode(), args, spec->getKind(), results), out);
            }
            for (FTerm* result : *results) {
                clib_list<FTerm*> one;
                one.append(result);
                appendSpecAtom(
                    host, new MSpec(method, spec->getCode(), args, spec->getKind(), &one), out);
            }
            nodelists::release(results);
        }
        decRef(method);
        nodelists::release(args);
    }
}

// ---- helpers ----

FVar* Normalizer::newVariable() {
    if (ruleTable == nullptr) {
        auto* empty = new SymTab;
        setRuleTable(empty);
        decRef(empty);
    }
    return new FVar(ruleTable->newSymbol(InternalName::Variable, 0));
}

bool Normalizer::canBind(const FTerm* term, FLiteralList* literals) const {
    VarSet bound;
    if (literals != nullptr)
        for (FLiteral* literal : *literals->getList()) literal->bindVars(bound, ruleTable);
    return term->bindVars(bound, ruleTable);
}

bool Normalizer::allVarsNamed(const SymTab* table, const FTerm* term) const {
    VarList* vars = term->giveVars();
    bool named = true;
    for (const FSymbol& var : *vars)
        if (table == nullptr || table->giveName(var) == "NULL") named = false;
    delete vars;
    return named;
}

PTerm* Normalizer::predicateOver(const clib_list<FSymbol>& vars) {
    auto* args = new clib_list<FTerm*>;
    for (const FSymbol& var : vars) args->append(new FVar(var));
    const FSymbol name = programTable->newSymbol(InternalName::Predicate, vars.length());
    auto* atom = new PTerm(name, 0, 0, args);
    for (FTerm* arg : *args) decRef(arg);
    return atom;
}

PTerm* Normalizer::makeAuxAtom(const FTermList* atoms, SymTab* table, const VarSet* bound) {
    VarList* vars = atoms->giveVars();
    clib_list<FSymbol> named;
    for (const FSymbol& var : *vars)
        if (table != nullptr && table->giveName(var) != "NULL" &&
            (bound == nullptr || bound->member(var)))
            named.append(var);
    delete vars;
    return predicateOver(named);
}

PTerm* Normalizer::makeVarAtom(const FTerm* term) {
    VarList* vars = term->giveVars();
    PTerm* atom = predicateOver(*vars);
    delete vars;
    return atom;
}

NormalizerMeta::NormalizerMeta() : XMeta("Normalizer") {}

FLSysRef NormalizerMeta::createInstance(FLSysArgs* args) {
    FLSysObject* interpreter = nullptr;
    if (!checkArgs1(args, "FLogicInterpreter", interpreter)) return nullptr;
    return FLSysRef::make<Normalizer>(dynamic_cast<ProgramInterpreter*>(interpreter));
}
