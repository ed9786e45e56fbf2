// Shared helpers of the answer printer's tests: a printer over a rule harness's object base, hand-
// built answer operands, and an operand that raises the interrupt flag while it is walked.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile/Operand.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "platform/InterruptFlag.h"
#include "shell/PrettyPrinter.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace printer_test {

using rule_test::RuleTest;

// Rows handed out one group at a time; raises the interrupt flag when it reaches row `stopAt`
// (1-based, 0: never), as Ctrl-C would while the printer walks the rows.
class InterruptingOperand : public Operand {
  public:
    InterruptingOperand(const clib_list<FSymbol>& columns, std::vector<InternalName> values,
                        int stopAt)
        : Operand(columns), values(std::move(values)), stopAt(stopAt) {}

    bool isEmpty() const override { return values.empty(); }
    int size() const override { return 1; }
    Ref<Iterator> makeIterator(Ref<Iterator>) override {
        return Ref<Rows>::make(std::vector<InternalName>{InternalName::UndefinedObject}, 0);
    }
    Ref<Iterator> makeGroupIterator(const InternalName&, Ref<Iterator>) override {
        return Ref<Rows>::make(values, stopAt);
    }
    bool isEqual(Operand*) override { return false; }
    int groupSize(const InternalName&) const override { return int(values.size()); }
    bool contains(const InternalName&) const override { return false; }

  private:
    class Rows : public Iterator {
      public:
        Rows(std::vector<InternalName> values, int stopAt)
            : values(std::move(values)), stopAt(stopAt) {}
        bool first() override { return moveTo(0); }
        bool next() override { return moveTo(at + 1); }
        InternalName atColumn(int col) override {
            return col == 1 && at < values.size() ? values[at] : InternalName::UndefinedObject;
        }
        int columns() override { return 1; }
        bool isA(const std::string& className) const override { return className == "Rows"; }

      private:
        bool moveTo(std::size_t row) {
            at = row;
            if (stopAt > 0 && at + 1 == std::size_t(stopAt)) interruptFlag.store(1);
            return at < values.size();
        }
        std::vector<InternalName> values;
        int stopAt;
        std::size_t at = 0;
    };
    std::vector<InternalName> values;
    int stopAt;
};

class PrettyPrinterTest : public RuleTest {
  protected:
    PrettyPrinterTest()
        : printerOwner(Ref<PrettyPrinter>::make(access)), printer(printerOwner.get()) {}

    InternalName object(const std::string& text) {
        InternalName out;
        access->insertObject(harness.table()->GetFSymbol(text, 1, 0), nullptr, 0, out);
        return out;
    }
    InternalName string(const std::string& quoted) {
        InternalName out;
        access->getOrCreateName(harness.table()->GetFSymbol(quoted, 2, 0), out);
        return out;
    }

    // The answers of the query: one row per entry, its cells in the order of the query's
    // variables.
    Operand* answers(FRule* query, const std::vector<std::vector<InternalName>>& rows) {
        const std::unique_ptr<VarList> vars = query->giveVars();
        auto* result = new SetOperand(*vars);
        const InternalName none;  // the cells of a ground query's row
        for (const auto& row : rows)
            result->insert(InternalName::UndefinedObject, row.empty() ? &none : row.data());
        operands.push_back(Ref<Operand>::adopt(result));
        return result;
    }
    // The answer block of the query: heading and answers.
    std::string block(const std::string& queryText,
                      const std::vector<std::vector<InternalName>>& rows) {
        FRule* query = harness.rule(queryText);
        Operand* result = answers(query, rows);
        ChannelCapture out(answerChannel());
        printer->beginQuery(query);
        printer->makeOutput(query, result);
        return out.text();
    }
    // Only the lines makeOutput writes.
    std::string output(const std::string& queryText,
                       const std::vector<std::vector<InternalName>>& rows) {
        FRule* query = harness.rule(queryText);
        Operand* result = answers(query, rows);
        ChannelCapture out(answerChannel());
        printer->makeOutput(query, result);
        return out.text();
    }
    // Calls a shell word with string (or, with `integer`, integer) arguments.
    FLSysRef call(const std::string& word, const std::vector<std::string>& args,
                  bool integer = false) {
        // The list borrows the arguments; `held` owns them.
        std::vector<Ref<FLSysObject>> held;
        clib_list<FLSysObject*> list;
        for (const std::string& arg : args) {
            if (integer)
                held.emplace_back(Ref<FLSysInteger>::make(std::stoi(arg)));
            else
                held.emplace_back(Ref<FLSysString>::make(arg));
            list.append(held.back().get());
        }
        return printer->methodCall(word, &list);
    }

    // The fixture holds the printer; the tests borrow it through the plain pointer.
    Ref<PrettyPrinter> printerOwner;
    PrettyPrinter* printer;
    std::vector<Ref<Operand>> operands;
    ErrorCapture errors;
};

}  // namespace printer_test
