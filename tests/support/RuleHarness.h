// The rule harness of the compilation tests: parses F-Logic text with the real parser, enters
// ground facts through the access layer's insert operations, translates bodies and queries,
// evaluates the trees and renders the bindings as sorted "X=a, Y=b" lines.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "access/OMAccess.h"
#include "compile/AlgebraicEval.h"
#include "compile/AlgebraicExpr.h"
#include "compile/Operand.h"
#include "compile/Translator.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/clib_list.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FParser.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FunctionTerm.h"
#include "language/PTerm.h"
#include "language/Spec.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"

namespace rule_test {

class RuleHarness {
  public:
    // Parses with the access layer's symbol table, so that the symbols of the rules are those
    // of the object base. Without an access layer the table is a fresh one.
    explicit RuleHarness(OMAccess* access = nullptr)
        : access(access),
          names(access != nullptr ? Ref<SymTab>::share(access->giveSymTab())
                                  : Ref<SymTab>::make()) {
        if (access == nullptr) names->initBuiltinSymbols();
    }
    RuleHarness(const RuleHarness&) = delete;
    RuleHarness& operator=(const RuleHarness&) = delete;

    SymTab* table() const { return names.get(); }
    Translator* getTranslator() const { return translator.get(); }

    // Every clause of the text, kept alive by the harness.
    std::vector<FRule*> parse(const std::string& text) {
        auto parser = Ref<FLogicParser>::make();
        parser->setInputString(text);
        std::vector<FRule*> rules;
        for (int calls = 0; !parser->atEnd() && calls < 100; ++calls) {
            int ok = 0;
            auto rule = Ref<FRule>::adopt(parser->parse(names.get(), &ok));
            if (!rule) {
                if (ok != 1) continue;
                break;
            }
            rules.push_back(rule.get());
            kept.push_back(std::move(rule));
        }
        parser.reset();
        return rules;
    }
    // The first clause of the text; null when there is none.
    FRule* rule(const std::string& text) {
        auto rules = parse(text);
        return rules.empty() ? nullptr : rules.front();
    }
    // A new rule (one reference for the caller) over the first clause of the text as the
    // normaliser hands its rules on: flag 1, and the second flag on the literal at `secondAt`
    // (none for -1).
    FRule* normalisedRule(const std::string& text, int secondAt = -1) {
        FRule* parsed = rule(text);
        auto body = Ref<FLiteralList>::make();
        int i = 0;
        for (FLiteral* literal : *parsed->getBody()->getList()) {
            auto copy =
                Ref<FLiteral>::make(literal->getTerm(), literal->isNegated(), i++ == secondAt);
            body->append(copy.get());
        }
        auto* made = new FRule(parsed->getHead(), body.get(), parsed->getSymTab(), "norm", 0, 1);
        body.reset();
        return made;
    }
    // A program of every clause of the text.
    FProgram* program(const std::string& text) {
        auto* list = new clib_list<FRule*>;
        for (FRule* r : parse(text)) list->append(r);
        programs.push_back(Ref<FProgram>::make(list, names.get()));
        return programs.back().get();
    }

    // The rule in rule syntax, without its line end.
    std::string print(const FRule* r) const {
        OutputChannel channel;
        ChannelCapture text(channel);
        r->print(channel, names.get(), r->getSymTab());
        std::string out = text.text();
        if (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }

    // Enters the ground facts of the text: predicates, is-a and subclass molecules, and method
    // values ("->" and "->>").
    void facts(const std::string& text) {
        for (FRule* fact : parse(text)) {
            FTermList* head = fact->getHead();
            if (head == nullptr) continue;
            for (list_item it = head->firstItem(); it != nullptr; it = head->nextItem(it))
                enter(head->termAt(it));
        }
    }

    // The tree of the first clause; none when there is none.
    Ref<AlgebraicExpr> translate(const std::string& text) {
        FRule* r = rule(text);
        return r != nullptr ? translator->translateRule(r, names.get()) : Ref<AlgebraicExpr>();
    }
    // The tree's printed form, "null" for none.
    std::string tree(const std::string& text) {
        const Ref<AlgebraicExpr> expr = translate(text);
        if (!expr) return "null";
        OutputChannel channel;
        ChannelCapture out(channel);
        expr->print(channel);
        return out.text();
    }

    // What translating the first clause writes on the debug channel.
    std::string debugText(const std::string& text) {
        ChannelCapture debug(debugChannel());
        translate(text);
        return debug.text();
    }

    // The bindings of the clause's body: sorted lines "X=a, Y=b", the variables in name order
    // (a binding without columns is "true"); {"<untranslated>"} when there is no tree.
    std::vector<std::string> answers(const std::string& text) {
        FRule* r = rule(text);
        return answersOf(
            r, r != nullptr ? translator->translateRule(r, names.get()) : Ref<AlgebraicExpr>());
    }

    // The bindings of a tree that another translator made for the clause, rendered as answers
    // renders them.
    std::vector<std::string> answersOf(FRule* r, const Ref<AlgebraicExpr>& expr) {
        if (!expr) return {"<untranslated>"};
        auto eval = Ref<AlgebraicEval>::make(access);
        const Ref<Operand> result = eval->evaluate(expr.get(), nullptr);
        std::vector<std::string> lines = render(result.get(), r->getSymTab());
        eval.reset();
        return lines;
    }

    std::string lexical(const InternalName& name) const {
        std::string text;
        access->giveLexicalForm(name, text);
        return text;
    }

  private:
    std::vector<std::string> render(Operand* result, SymTab* vars) {
        std::vector<std::string> lines;
        if (result == nullptr) return lines;
        // The columns in the order of their variables' names.
        std::vector<std::pair<std::string, int>> columns;
        int column = 1;
        for (const FSymbol& var : *result->getColumns())
            columns.emplace_back(vars->giveName(var), column++);
        std::sort(columns.begin(), columns.end());
        auto line = [&](Iterator* row) {
            std::string text;
            for (const auto& [var, at] : columns) {
                if (!text.empty()) text += ", ";
                text += var + "=" + lexical(row->atColumn(at));
            }
            lines.push_back(text.empty() ? "true" : text);
        };
        const Ref<Iterator> keys = result->makeIterator({});
        if (result->isA("TupleSetOperand")) {
            for (bool more = keys->first(); more; more = keys->next()) line(keys.get());
        } else if (result->isA("Operand2")) {
            for (bool more = keys->first(); more; more = keys->next()) line(keys.get());
        } else {
            Ref<Iterator> group;
            std::vector<InternalName> seenKeys;
            for (bool more = keys->first(); more; more = keys->next())
                seenKeys.push_back(keys->atColumn(1));
            std::sort(seenKeys.begin(), seenKeys.end());
            seenKeys.erase(std::unique(seenKeys.begin(), seenKeys.end()), seenKeys.end());
            for (const InternalName& key : seenKeys) {
                group = result->makeGroupIterator(key, std::move(group));
                for (bool row = group && group->first(); row; row = group->next())
                    line(group.get());
            }
        }
        std::sort(lines.begin(), lines.end());
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
        return lines;
    }

    InternalName name(FTerm* term) {
        InternalName out = InternalName::UndefinedObject;
        if (term == nullptr || !term->isA("FunctionTerm")) return out;
        auto* function = static_cast<FunctionTerm*>(term);
        std::vector<InternalName> args;
        if (function->getArgs() != nullptr)
            for (FTerm* arg : *function->getArgs()) args.push_back(name(arg));
        access->insertObject(function->getName(), args.data(), int(args.size()), out);
        return out;
    }

    void enter(FTerm* term) {
        if (term->isA("PTerm")) {
            auto* p = static_cast<PTerm*>(term);
            std::vector<InternalName> args;
            if (p->getArgs() != nullptr)
                for (FTerm* arg : *p->getArgs()) args.push_back(name(arg));
            access->insertPredicate(p->getName(), args.data(), int(args.size()));
            return;
        }
        if (!term->isA("FMolecule")) return;
        auto* mol = static_cast<FMolecule*>(term);
        const InternalName host = name(mol->getHost());
        if (mol->getIsaKind() != 0)
            access->insertClassRelation(host, name(mol->getClassTerm()),
                                        IsaRelation(mol->getIsaKind()));
        if (mol->getSpecs() == nullptr) return;
        for (Spec* spec : *mol->getSpecs()) {
            std::vector<InternalName> args;
            if (spec->getArgs() != nullptr)
                for (FTerm* arg : *spec->getArgs()) args.push_back(name(arg));
            const InternalName method = name(spec->getMethod());
            if (spec->isA("MSpec")) {
                set<InternalName> values;
                auto* results = static_cast<MSpec*>(spec)->getResults();
                if (results != nullptr)
                    for (FTerm* r : *results) values.insert(name(r));
                access->insertSet(host, method, args.data(), int(args.size()),
                                  MethodType(spec->getKind()), values);
            } else {
                access->insertValue(host, method, args.data(), int(args.size()),
                                    MethodType(spec->getKind()),
                                    name(static_cast<SSpec*>(spec)->getResult()));
            }
        }
    }

    OMAccess* access;
    // Declared in the reverse of the order they are released in.
    Ref<SymTab> names;
    Ref<Translator> translator = Ref<Translator>::make(1);
    std::vector<Ref<FProgram>> programs;
    std::vector<Ref<FRule>> kept;
};

// A fixture with a fresh object base behind an access layer and a harness over it. Errors are
// not kept as the most serious one, so that a test's reports do not outlive it.
class RuleTest : public ::testing::Test {
  protected:
    RuleTest() { centralErrorHandler().setKeepMostSerious(0); }
    ~RuleTest() override {
        harness.getTranslator()->debugOff(nullptr);
        centralErrorHandler().setKeepMostSerious(1);
    }

  private:
    // Declared first, so that it is released after the harness.
    struct Base {
        Ref<MainMemOM> om = Ref<MainMemOM>::make();
        Ref<OMAccess> access = Ref<OMAccess>::make(om.get());
    } base;

  protected:
    // The printed plan of the first clause's body: one line per operator, its kind and how it
    // runs, children indented below their parent.
    std::string plan(const std::string& text) {
        FRule* r = harness.rule(text);
        if (r == nullptr) return "no clause";
        const Ref<AlgebraicExpr> expr = harness.getTranslator()->translateRule(r, harness.table());
        if (!expr) return "null";
        OutputChannel channel;
        ChannelCapture out(channel);
        expr->printPlan(channel, r->getSymTab());
        return out.text();
    }

    MainMemOM* om = base.om.get();
    OMAccess* access = base.access.get();
    RuleHarness harness{access};
};

}  // namespace rule_test
