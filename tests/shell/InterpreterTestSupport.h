// Shared helpers of the interpreter tests: the evaluation pipeline with a printer that records
// what it is asked to print, an F-Logic interpreter over it, sys linked to it, and short ways to
// build shell argument lists and read the timing lines.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "compile/Operand.h"
#include "compile/SemanticAnalyser.h"
#include "eval/EvalHarness.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "shell/FLSysInterpreter.h"
#include "shell/FLogicInterpreter.h"
#include "shell/PrettyPrinter.h"

namespace interp_test {

using eval_test::Lines;

// An argument list that releases its values when it goes.
class Args {
  public:
    Args() = default;
    // Takes over the values' references.
    Args(std::initializer_list<FLSysObject*> values) {
        for (FLSysObject* value : values) take(value);
    }
    Args(const Args&) = delete;
    Args& operator=(const Args&) = delete;

    // Appends a value whose reference the list takes over.
    void take(FLSysObject* value) { hold(FLSysRef::adopt(value)); }
    // Appends a value the caller keeps a reference to.
    void lend(FLSysObject* value) { hold(FLSysRef::share(value)); }
    FLSysArgs* get() { return &list; }

  private:
    void hold(FLSysRef value) {
        list.append(value.get());
        values.push_back(std::move(value));
    }

    std::vector<FLSysRef> values;
    FLSysArgs list;
};

inline FLSysObject* str(const std::string& text) {
    return new FLSysString(text);
}
inline FLSysObject* num(int value) {
    return new FLSysInteger(value);
}

// The pipeline of the evaluation tests with the answer printer, an analyser and an interpreter
// over them, and sys linked to that interpreter with the object base's symbol table.
class InterpreterHarness : public eval_test::EvalHarness {
  public:
    InterpreterHarness()
        : interpreterOwner(Ref<FLogicInterpreter>::make(naive, printer, analyser)),
          interpreter(interpreterOwner.get()),
          sysOwner(Ref<FLSysInterpreter>::make()),
          sys(sysOwner.get()) {
        Args link;
        link.lend(interpreter);
        link.lend(access->giveSymTab());
        sys->methodCall("switch", link.get());
    }

    // The clauses of the text handed to the interpreter one by one.
    void add(const std::string& text) {
        for (FRule* clause : rules.parse(text)) interpreter->addClause(clause, rules.table());
    }
    // Runs the query through the interpreter; its result, and in `rows` the number of answer
    // rows printed (-1 when no count line was written).
    FLogicInterpreter* ask(const std::string& text) {
        ChannelCapture out(answerChannel());
        FLogicInterpreter* result = interpreter->query(rules.rule(text), rules.table());
        answers = out.text();
        rows = countedRows(answers);
        return result;
    }
    // The N of the count line "% N output(s) printed " of an answer block; -1 when there is none.
    static int countedRows(const std::string& block) {
        const std::size_t end = block.find(" output(s) printed ");
        if (end == std::string::npos) return -1;
        const std::size_t start = block.rfind("% ", end);
        return std::stoi(block.substr(start + 2, end - start - 2));
    }
    // The labels of the timing lines collected since the last call, in order.
    Lines timingLabels() {
        Lines labels;
        for (const std::string& line : statistics()) {
            const std::size_t colon = line.find(" : ");
            if (line.ends_with(" user") && colon != std::string::npos)
                labels.push_back(line.substr(0, colon + 3));
        }
        return labels;
    }
    // The program's clauses as text.
    std::string programText(FProgram* program) {
        OutputChannel channel;
        ChannelCapture text(channel);
        program->print(channel, rules.table(), nullptr);
        return text.text();
    }

    // Each part is held by its owner handle, which the plain pointer after it borrows; the parts
    // are released in the reverse of the order they are declared in.
  private:
    Ref<PrettyPrinter> printerOwner = Ref<PrettyPrinter>::make(access);
    Ref<SemanticAnalyser> analyserOwner = Ref<SemanticAnalyser>::make();

  public:
    PrettyPrinter* printer = printerOwner.get();
    SemanticAnalyser* analyser = analyserOwner.get();

  private:
    Ref<FLogicInterpreter> interpreterOwner;

  public:
    FLogicInterpreter* interpreter;

  private:
    Ref<FLSysInterpreter> sysOwner;

  public:
    FLSysInterpreter* sys;
    // The answer block of the last ask and its number of rows.
    std::string answers;
    int rows = -1;
};

}  // namespace interp_test
