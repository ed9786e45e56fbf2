// FLSysInterpreter, the shell object sys: its variables, its symbol table and parser factory,
// the linked F-Logic interpreter, and the sys commands.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/FLSysObject.h"
#include "shell/ClauseRewriter.h"

class FLogicInterpreter;
class FParser;
class FParserFactory;
class FRule;
class SymTab;

class FLSysInterpreter : public FLSysObject {
  public:
    // Holds itself as the variable "sys", a symbol table with the built-in symbols, the F-Logic
    // parser factory, the placeholder interpreter and a channel of its own.
    FLSysInterpreter();
    FLSysInterpreter(const FLSysInterpreter&) = delete;
    FLSysInterpreter& operator=(const FLSysInterpreter&) = delete;

    // The sys commands, then the variables, then the base's methods.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    // Sets a variable (a reference taken on the value); literal names are refused.
    void assign(const std::string& name, FLSysObject* value) override;
    // The variables in ascending name order.
    void display(OutputChannel& channel) const override;
    // "aFLSysInterpreter".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    virtual FLSysInterpreter* help();
    // Removes the variable, releasing its value; literal names are refused.
    virtual void unsetVariable(const std::string& name);
    virtual void debugOn() { debug = 1; }
    virtual void debugOff() { debug = 0; }
    // A new parser of the current dialect (one reference for the caller).
    virtual FParser* newParser();
    // "Kavum" or "FLogic": the parser factory and the interpreter's rewriter follow the word.
    virtual void setDialect(const std::string& word);
    // The maker of the Kavum dialect's clause rewriter, handed to the F-Logic interpreter when
    // the dialect is set.
    void useClauseRewriters(ClauseRewriterFactory factory) { clauseRewriters = factory; }
    // Parses the text (isLine 1) or the file it names (isLine 0) clause by clause: facts and
    // rules go to the interpreter, queries to queryhandle. sys, null, or the escape a query gave.
    // Text run from text (blocks, consulted files, nested shells) nests at most
    // maxNesting levels deep: past that it is refused with a report, and the levels in between
    // give up too, up to the level that reads commands from the console.
    virtual FLSysRef interprete(const std::string& text, int isLine);
    // Empties the evaluation state, the object base and the printer; interprete's result.
    virtual FLSysRef forgetIDB(FLSysArgs* args);
    // Reads a file of facts into the object base on its own and keeps the program typed before.
    // Null when the file could not be read or has a syntax error.
    virtual FLSysInterpreter* load(const std::string& fileName);
    // Runs one parsed query: a shell command, or an ordinary query for the interpreter.
    virtual FLSysRef queryhandle(FRule* query);
    // Frees every variable; used at exit.
    virtual void finish();
    // Hands a command line to the line editor's history.
    virtual void addHistory(std::string_view line);
    // Links another interpreter and symbol table: (FLogicInterpreter, SymTab). A symbol table
    // that is not the one of the interpreter's object base is refused (null, nothing changed).
    virtual FLSysInterpreter* switchInterpreter(FLSysArgs* args);
    // A stream object writing to the file, created or emptied; null when it cannot be opened.
    virtual FLSysRef open(const std::string& fileName);
    // The value of the variable (lent, possibly null); nothing when there is no such variable.
    virtual std::optional<FLSysObject*> lookupVariable(const std::string& name) const;
    // True for a quoted string or an integer literal.
    virtual bool isConstant(const std::string& name) const;
    // Reads one command from the console ("?- " + the joined text + an end of line); the empty
    // text when no command can be read. At the end of the input, or when the program is asked
    // to leave, the command is the one that ends the shell.
    virtual std::string readCommandLine();
    // True once readCommandLine has met the end of its input: a loop that reads commands ends
    // after the command that stood for it, even when that command could not end it (sys itself
    // may be out of reach).
    bool inputEnded() const { return endOfInput; }
    // The nested command loop of "shell"; answers sys, or null when shell text is already nested
    // as deeply as it may be.
    virtual FLSysInterpreter* shell();

    // How deeply shell text may run inside shell text.
    static constexpr int maxNesting = 200;
    // The number of interprete calls now running, the outermost included.
    static int nestingDepth();
    // Called by the loops that read the console before each command: the command starts anew,
    // neither cut short by a nesting overflow being unwound nor by a Ctrl-C that came before it.
    static void acceptNextCommand();

    FLogicInterpreter* linkedInterpreter() const { return interpreter.get(); }
    SymTab* currentSymTab() const { return symTab.get(); }
    // The channel blocks are written through.
    OutputChannel& ownChannel() const { return *channel; }
    const std::string& prompt() const { return promptPrefix; }
    int debugging() const { return debug; }

  protected:
    ~FLSysInterpreter() override;

  private:
    // What a command answers: a result (null included), or nothing when the name goes on down
    // the table after a failed argument check.
    using Outcome = std::optional<FLSysRef>;
    // The shell commands and help lines of sys.
    static const ShellCommands<FLSysInterpreter, Outcome>& shellCommands();

    Outcome literalValue(const std::string& name, FLSysArgs* args);
    Outcome endCommand(FLSysArgs* args);
    Outcome returnCommand(FLSysArgs* args);
    Outcome evalCommand(FLSysArgs* args);
    Outcome tpCommand(FLSysArgs* args);
    Outcome loadCommand(FLSysArgs* args);
    Outcome showProgramCommand(FLSysArgs* args);
    Outcome forgetProgramCommand(FLSysArgs* args);
    Outcome garbageCollectionCommand(FLSysArgs* args);
    Outcome forgetIDBCommand(FLSysArgs* args);
    Outcome switchCommand(FLSysArgs* args);
    Outcome debugOnCommand(FLSysArgs* args);
    Outcome debugOffCommand(FLSysArgs* args);
    Outcome interpreteLineCommand(FLSysArgs* args);
    Outcome interpreteFileCommand(FLSysArgs* args);
    Outcome openCommand(FLSysArgs* args);
    Outcome removeCommand(FLSysArgs* args);
    Outcome helpCommand(FLSysArgs* args);
    Outcome shellCommand(FLSysArgs* args);
    Outcome displayCommand(FLSysArgs* args);
    Outcome printCommand(FLSysArgs* args);
    Outcome echoCommand(FLSysArgs* args);
    // The text of a one-string argument list; nothing after the check's report.
    std::optional<std::string> stringArgument(FLSysArgs* args);

    // A variable's value (null allowed), held by a reference of its own unless it is sys itself:
    // the variable "sys" would otherwise keep sys alive for good.
    class Variable {
      public:
        Variable(FLSysObject* value, const FLSysInterpreter* sys)
            : counted(value == sys ? FLSysRef() : FLSysRef::share(value)),
              uncounted(value == sys ? value : nullptr) {}
        FLSysObject* get() const { return uncounted != nullptr ? uncounted : counted.get(); }

      private:
        FLSysRef counted;
        FLSysObject* uncounted;
    };

    Ref<SymTab> symTab;
    Ref<FParserFactory> parserFactory;
    ClauseRewriterFactory clauseRewriters = nullptr;
    std::map<std::string, Variable> variables;
    // The last command handed to the history.
    std::optional<std::string> lastCommand;
    int debug = 0;
    // One "+" per running nested shell, put before the prompt.
    std::string promptPrefix;
    bool endOfInput = false;
    Ref<OutputChannel> channel;
    Ref<FLogicInterpreter> interpreter;
};
