// The matcher: tree cache, retrieval, head insertion and its shell face.
#include "eval/Matcher.h"

#include <iostream>
#include <utility>
#include <vector>

#include "compile/AlgebraicEval.h"
#include "compile/AlgebraicExpr.h"
#include "compile/Operand.h"
#include "compile/Optimizer.h"
#include "compile/Translator.h"
#include "eval/Creator.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FactList.h"
#include "objectbase/Iterator.h"

namespace {

// The answers with their columns in the given order and their rows under the same keys; the
// answers themselves when they are already in that order or have no columns (otherwise they go
// once copied). A column the order does not name keeps its place after the others.
Ref<Operand> withColumnOrder(Ref<Operand> answers, const AnswerColumns& wanted) {
    if (wanted.keepsTreeOrder()) return answers;
    const clib_list<FSymbol>& order = wanted.order();
    auto* keyed = dynamic_cast<SetOperand*>(answers.get());
    if (keyed == nullptr || keyed->columnCount() < 2) return answers;
    const clib_list<FSymbol>& columns = *answers->getColumns();
    // from[k]: the 1-based column of the answers that becomes column k + 1.
    std::vector<int> from;
    std::vector<bool> taken(std::size_t(columns.length()) + 1, false);
    clib_list<FSymbol> reorderedColumns;
    auto take = [&](const FSymbol& variable) {
        const int column = answers->columnOf(variable);
        if (column == 0 || taken[std::size_t(column)]) return;
        taken[std::size_t(column)] = true;
        from.push_back(column);
        reorderedColumns.append(variable);
    };
    for (const FSymbol& variable : order) take(variable);
    for (const FSymbol& variable : columns) take(variable);
    bool same = true;
    for (std::size_t k = 0; k < from.size(); ++k) same = same && from[k] == int(k) + 1;
    if (same) return answers;

    auto* reordered = new SetOperand(reorderedColumns);
    auto result = Ref<Operand>::adopt(reordered);
    std::vector<InternalName> cells(from.size(), InternalName::UndefinedObject);
    scan(answers.get(), RowOrder::Ordered, [&](const RowView& row) {
        for (std::size_t k = 0; k < from.size(); ++k) cells[k] = row.cells[from[k] - 1];
        reordered->insert(row.key, cells.data());
    });
    return result;
}

}  // namespace

Matcher::Matcher(Translator* translator, Creator* creator, AlgebraicEval* eval,
                 Optimizer* optimizer)
    : translator(Ref<Translator>::share(translator)),
      creator(Ref<Creator>::share(creator)),
      eval(Ref<AlgebraicEval>::share(eval)),
      optimizer(Ref<Optimizer>::share(optimizer)) {
    if (translator == nullptr || creator == nullptr || eval == nullptr)
        centralErrorHandler().report(err6::WrongInit);
}

Matcher::~Matcher() {
    // The trees go before the translator that made them.
    cache.clear();
}

bool Matcher::isOk() const {
    return translator && creator && eval && translator->isOk() && creator->isOk() && eval->isOk() &&
           (!optimizer || optimizer->isOk());
}

void Matcher::print(OutputChannel& channel) const {
    channel << "aMatcher";
}

void Matcher::display(OutputChannel& channel) const {
    channel << "This is a normal Matcher. \n"
            << "There are no further informations." << std::endl;
}

bool Matcher::isA(const std::string& className) const {
    return className == "Matcher" || FLSysObject::isA(className);
}

FLSysRef Matcher::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<Matcher>& Matcher::shellCommands() {
    // Unlike the other classes' help, the Matcher's has no empty lines and one line for the
    // sentence that names the class.
    static const ShellCommands<Matcher> table{
        {"                    Online help for class Matcher",
         "You can apply the following member functions to an instance of class Matcher via "
         "F-Logic shell : "},
        {
            {"help",
             ShellArgs::None,
             [](Matcher& self, FLSysArgs*) -> FLSysRef { return FLSysRef::share(self.help()); },
             {"    - help", "    - isOk", "          returns  0 (object is corrupted)  or  1",
              "    - isA@(string)", "          string : classname",
              "          returns  1 (object belongs to class)  or  0",
              "    - print@(OutputChannel)", "          OutputChannel : e.g. answerChannel",
              "    - display@(OutputChannel)"}},
            {"clear",
             ShellArgs::Any,
             [](Matcher& self, FLSysArgs*) -> FLSysRef {
                 self.clear();
                 return FLSysRef::share(&self);
             },
             {"    - clear"}},
        },
        {}};
    return table;
}

Matcher::CachedTree* Matcher::treeOf(FRule* rule, SymTab* names) {
    auto found = cache.find(rule);
    if (found == cache.end()) {
        if (!translator) return nullptr;
        Ref<AlgebraicExpr> made = rule->getFlag() != 0 && optimizer && optimizer->isActive()
                                      ? optimizer->optimize(rule, names)
                                      : translator->translateRule(rule, names);
        // Neither cached nor handed on: the tree of a failed translation goes with `made`.
        if (!translator->isOk()) return nullptr;
        found = cache.emplace(rule, CachedTree{Ref<FRule>::share(rule), std::move(made)}).first;
    }
    return &found->second;
}

void Matcher::prepare(FRule* rule, SymTab* names) {
    if (rule == nullptr || rule->getBody() == nullptr || cache.count(rule) != 0) return;
    if (treeOf(rule, names) != nullptr) prepared.push_back(rule);
}

void Matcher::forgetPrepared() {
    for (FRule* rule : prepared) {
        const auto found = cache.find(rule);
        if (found != cache.end() && !found->second.handedOut) cache.erase(found);
    }
    prepared.clear();
}

Ref<AlgebraicExpr> Matcher::getExpr(FRule* rule, SymTab* names) {
    CachedTree* tree = treeOf(rule, names);
    if (tree == nullptr) return {};
    if (!tree->handedOut) {
        tree->handedOut = true;
        handedOut.push_back(rule);
    }
    return tree->expr;
}

Ref<Operand> Matcher::retrieve(FRule* rule, Operand* bindings, SymTab* names) {
    if (rule == nullptr || rule->getBody() == nullptr) {
        centralErrorHandler().report(err6::InvalidRule);
        return nullptr;
    }
    const Ref<AlgebraicExpr> expr = getExpr(rule, names);
    if (!expr) {
        centralErrorHandler().report(err6::Internal);
        return nullptr;
    }
    Ref<Operand> result = eval ? eval->evaluate(expr.get(), bindings) : nullptr;
    // A query's answers are printed column by column, their rows sorted by the columns in turn:
    // they keep the columns the body has in its safe order, whichever order the planner chose to
    // evaluate it in. A rule's bindings are read by variable, so their column order is free.
    if (result && rule->getHead() == nullptr)
        result = inSafeColumnOrder(rule, std::move(result), names);
    return result;
}

AnswerColumns Matcher::answerColumns(FRule* rule, SymTab* names) {
    if (!translator) return {};
    auto found = cache.find(rule);
    // A rule whose tree is not kept (forgotten with its tables): decided for this call.
    if (found == cache.end()) return translator->answerColumns(rule, names);
    std::optional<AnswerColumns>& kept = found->second.answerColumns;
    if (!kept) kept = translator->answerColumns(rule, names);
    return *kept;
}

Ref<Operand> Matcher::inSafeColumnOrder(FRule* rule, Ref<Operand> bindings, SymTab* names) {
    if (!bindings) return bindings;
    return withColumnOrder(std::move(bindings), answerColumns(rule, names));
}

int Matcher::insert(FRule* rule, Operand* bindings) {
    if (!creator) return 0;
    creator->setChanged(0);
    if (rule == nullptr || rule->getHead() == nullptr) return 0;
    creator->create(rule->getHead(), bindings);
    return creator->changed();
}

int Matcher::insertFact(const FactList& facts, std::size_t i) {
    if (!creator) return 0;
    creator->setChanged(0);
    creator->createFact(facts, i);
    return creator->changed();
}

int Matcher::insertFacts(const FactList& facts, std::size_t from, std::size_t count,
                         const Creator::BeforeFact& before) {
    if (!creator) return 0;
    return creator->createFacts(facts, from, count, before);
}

void Matcher::beginFactRun() {
    if (creator) creator->beginFactRun();
}

void Matcher::endFactRun() {
    if (creator) creator->endFactRun();
}

void Matcher::remove(FRule* rule) {
    auto found = cache.find(rule);
    if (found == cache.end()) {
        std::cout << "Small glitch in Matcher::remove. Please notify authors.\n";
        return;
    }
    cache.erase(found);
}

void Matcher::forgetKeptTables() {
    // The trees go with their tables: a part of the program is evaluated once to its fixpoint,
    // and a program of many parts kept a tree for every rule it had run (as much memory as the
    // facts of a chain of small rules, and the time to fault it in). A rule run again later is
    // translated again.
    for (FRule* rule : handedOut) cache.erase(rule);
    handedOut.clear();
    // The creator's head trees and the rows each head took go the same way: kept for the whole
    // evaluation, a chain of thousands of parts looked every head up in a table of all of them,
    // a cache miss each. A head run again later builds its trees again, and the store tells
    // the rows it holds.
    if (creator) creator->clear();
}

void Matcher::clear() {
    cache.clear();
    handedOut.clear();
    prepared.clear();
    if (creator) creator->clear();
    if (translator) translator->forgetJoinTables();
}

int Matcher::applyEqualities() {
    return creator ? creator->applyEqualities() : 0;
}

Matcher* Matcher::help() {
    shellCommands().writeHelp(helpChannel());
    return this;
}

FLSysRef MatcherMeta::createInstance(FLSysArgs* args) {
    FLSysObject* translator = nullptr;
    FLSysObject* creator = nullptr;
    FLSysObject* eval = nullptr;
    FLSysObject* optimizer = nullptr;
    if (argumentCount(args) == 4) {
        if (!checkArgs4(args, "Translator", translator, "Creator", creator, "AlgebraicEval", eval,
                        "Optimizer", optimizer))
            return nullptr;
    } else if (!checkArgs3(args, "Translator", translator, "Creator", creator, "AlgebraicEval",
                           eval)) {
        return nullptr;
    }
    return Ref<Matcher>::make(static_cast<Translator*>(translator), static_cast<Creator*>(creator),
                              static_cast<AlgebraicEval*>(eval),
                              static_cast<Optimizer*>(optimizer));
}
