// FProgram: the clause walk, appending, printing, copies, the shell methods and saving.
#include "language/FProgram.h"

#include <fstream>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "foundation/OwnedElements.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "language/FLiteralList.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/NodeLists.h"
#include "objectbase/SymTab.h"
#include "platform/FileReplacement.h"

FProgram::FProgram(clib_list<FRule*>* rules, SymTab* names)
    : ParseTreeNode(ParseTreeClass::FProgram), rules(rules), names(Ref<SymTab>::share(names)) {
    nodelists::retain(this->rules.get());
}

FProgram::FProgram(const FProgram& other)
    : ParseTreeNode(other),
      rules(other.rules != nullptr ? std::make_unique<clib_list<FRule*>>() : nullptr),
      names(other.names != nullptr ? Ref<SymTab>::make(*other.names) : nullptr),
      inheritance(other.inheritance) {
    if (other.rules != nullptr && !nodelists::appendClones(*rules, *other.rules)) markIncomplete();
    if (other.hasCompactFacts()) facts = std::make_unique<FactList>(*other.facts);
}

FProgram::~FProgram() {
    if (rules != nullptr) nodelists::releaseAll(*rules);
}

FLSysRef FProgram::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<ParseTreeNode>(*this, name, args);
}

const ShellCommands<FProgram>& FProgram::shellCommands() {
    // The class writes no help of its own: its commands have no lines in the base's help.
    static const ShellCommands<FProgram> table{
        {},
        {
            {"asFacts", ShellArgs::NoneReported,
             [](FProgram& self, FLSysArgs*) { return FLSysRef::adopt(self.asFacts()); }},
            {"lastQuery", ShellArgs::NoneReported,
             [](FProgram& self, FLSysArgs*) {
                 // The body stays the program's; the caller gets a reference of its own.
                 FLiteralList* body = self.lastQuery();
                 if (body == nullptr) centralErrorHandler().report(err9::NoQuery);
                 return FLSysRef::share(body);
             }},
            {"save", ShellArgs::Any,
             [](FProgram& self, FLSysArgs* args) -> FLSysRef {
                 FLSysObject* file = nullptr;
                 if (!self.checkArgs1(args, "FLSysString", file)) return nullptr;
                 return self.save(static_cast<FLSysString*>(file)->value()) ? FLSysRef::share(&self)
                                                                            : nullptr;
             }},
        },
        {}};
    return table;
}

bool FProgram::isA(const std::string& className) const {
    return className == "FProgram" || ParseTreeNode::isA(className);
}

void FProgram::print(OutputChannel& channel, const SymTab* names, const SymTab* /*vars*/) const {
    if (nodelists::isEmpty(rules.get()) && !hasCompactFacts()) {
        channel << "/* This FProgram is empty */ " << std::endl;
        return;
    }
    const SymTab* table = this->names != nullptr ? this->names.get() : names;
    // A compact fact's text comes from a clause made for the moment: showing a program keeps
    // its facts compact.
    forEachClause(
        [&](FRule* rule) {
            rule->print(channel, table, nullptr);
            return true;
        },
        [&](const FactList& list, std::size_t i) {
            Ref<FRule>::adopt(list.clause(i))->print(channel, table, nullptr);
            return true;
        });
}

ParseTreeNode* FProgram::clone() const {
    return finishClone(new FProgram(*this));
}

bool FProgram::deepEqual(const ParseTreeNode& other) const {
    const auto* program = dynamic_cast<const FProgram*>(&other);
    if (program == nullptr) return false;
    expand();
    program->expand();
    // A program without a list holds no clauses, like one with an empty list.
    if (nodelists::isEmpty(rules.get()) || nodelists::isEmpty(program->rules.get()))
        return nodelists::isEmpty(rules.get()) && nodelists::isEmpty(program->rules.get());
    return nodelists::deepEqual(*rules, *program->rules);
}

void FProgram::collectVars(VarList& /*vars*/) const {
    centralErrorHandler().report(err9::FProgramGiveVarsCalled);
}

int FProgram::compareSameClass(const ParseTreeNode& other) const {
    expand();
    static_cast<const FProgram&>(other).expand();
    return nodelists::compare(rules.get(), static_cast<const FProgram&>(other).rules.get());
}

void FProgram::append(FRule* rule) {
    if (rules == nullptr) rules = std::make_unique<clib_list<FRule*>>();
    owned::appendShared(*rules, rule);
}

void FProgram::appendClause(FRule* rule) {
    if (rule != nullptr && rule->getBody() == nullptr) {
        if (facts == nullptr) facts = std::make_unique<FactList>();
        if (facts->add(*rule, rules != nullptr ? std::size_t(rules->length()) : 0)) return;
    }
    append(rule);
}

void FProgram::appendFact(const FactList& from, std::size_t i, const std::string& origin, int line,
                          int flag) {
    if (facts == nullptr) facts = std::make_unique<FactList>();
    facts->addFrom(from, i, rules != nullptr ? std::size_t(rules->length()) : 0, origin, line,
                   flag);
}

void FProgram::appendGround(const FactList::Ground& fact) {
    if (facts == nullptr) facts = std::make_unique<FactList>();
    if (facts->add(fact, rules != nullptr ? std::size_t(rules->length()) : 0)) return;
    if (fact.facts() == 1) {
        append(Ref<FRule>::adopt(FactList::clause(fact)).get());
        return;
    }
    for (std::size_t k = 0; k < fact.facts(); ++k)
        append(Ref<FRule>::adopt(FactList::clause(fact.single(k))).get());
}

void FProgram::appendFact(const FactList& from, std::size_t i) {
    appendFact(from, i, from.origin(i), from.line(i), from.flag(i));
}

bool FProgram::takeFactsBeforeRules(const FProgram& other) {
    if (clauseCount() != 0 || !other.hasCompactFacts()) return false;
    const std::size_t ahead = other.facts->before(other.facts->size() - 1);
    std::size_t index = 0;
    if (other.rules != nullptr)
        for (const FRule* rule : *other.rules) {
            if (index++ >= ahead) break;
            if (rule->ruleKind() == FRule::Rule) return false;
        }
    facts = std::make_unique<FactList>(*other.facts);
    return true;
}

void FProgram::expand() const {
    if (!hasCompactFacts()) return;
    auto whole = std::make_unique<clib_list<FRule*>>();
    // The references move with the clauses; each made clause brings its own.
    forEachClause(
        [&](FRule* rule) {
            whole->append(rule);
            return true;
        },
        [&](const FactList& list, std::size_t i) {
            whole->append(list.clause(i));
            return true;
        });
    rules = std::move(whole);
    retired = std::move(facts);
}

void FProgram::appendProgram(FProgram& other) {
    expand();
    other.expand();
    if (other.rules != nullptr) {
        if (rules == nullptr) rules = std::make_unique<clib_list<FRule*>>();
        // The references move with the clauses.
        for (FRule* rule : *other.rules) rules->append(rule);
        other.rules->clear();
    }
    names = other.names;
}

int FProgram::ruleAt(list_item item, FRule*& rule) const {
    rule = rules->inf(item);
    return rule->ruleKind();
}

FLiteralList* FProgram::lastQuery() const {
    FLiteralList* body = nullptr;
    if (rules != nullptr)
        for (FRule* rule : *rules)
            if (rule->ruleKind() == FRule::Query) body = rule->getBody();
    return body;
}

FTermList* FProgram::asFacts() const {
    expand();
    auto facts = Ref<FTermList>::make();
    if (rules != nullptr) {
        for (FRule* rule : *rules) {
            if (rule->ruleKind() != FRule::Fact) {
                centralErrorHandler().report(err9::NotOnlyFacts);
                return nullptr;
            }
            facts->appendClones(*rule->getHead());
        }
    }
    return facts.release();
}

namespace {

// CannotOpenFile with the cause of the refusal as its message.
void reportRefusal(const FileReplacement& file) {
    const Error& error = err11::CannotOpenFile;
    centralErrorHandler().report(
        Error(error.getOrigin(), error.getNumber(), error.getSeriousness(), error.getName(),
              file.refusal().empty() ? error.getMessage() : file.refusal() + ".", error.getWhere(),
              error.getExtra()));
}

}  // namespace

bool FProgram::save(const std::string& fileName) const {
    // The program replaces the old file only once it is written whole; a refusal says why.
    FileReplacement file(fileName);
    if (!file.open()) {
        reportRefusal(file);
        return false;
    }
    {
        const auto stream = Ref<FLSysOStreamImpl<std::ofstream>>::make(&file.stream());
        OutputChannel channel;
        channel.setStream(stream.get());
        display(channel);
    }

    if (!file.commit()) {
        reportRefusal(file);
        return false;
    }
    return true;
}
