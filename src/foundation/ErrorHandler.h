// ErrorHandler: the central sink of all errors, which prints them on errorChannel by seriousness
// and keeps the most serious one since the last reset.
#pragma once

#include <string>

#include "foundation/Error.h"
#include "foundation/FLSysObject.h"

class ErrorHandler : public FLSysObject {
  public:
    ErrorHandler();
    ~ErrorHandler() override = default;

    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    // A full description of the kept error between two rulers.
    void display(OutputChannel& channel) const override;
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    virtual void help();
    // Prints the error on errorChannel when the filter admits its seriousness, and keeps it.
    virtual void report(const Error& error);
    // The kept error becomes the OK error.
    virtual void reset();
    // Seriousness filter: bit 1 admits seriousness 0, bit 2 seriousness 1, bit 4 the rest.
    virtual void setOutputSeriousness(int bits);
    // 1: keep the most serious error; 0: keep the last one.
    virtual void setKeepMostSerious(int flag);
    // Makes the container library's failures arrive here (as origin-2 errors that end the
    // program). Nothing installs it by default.
    virtual void installContainerErrorHook();
    // True when the kept error is a real error (seriousness 2 or more).
    virtual bool isError() const;
    virtual Error getError() const;
    // Writes the text on errorChannel when seriousness-0 messages are admitted.
    virtual ErrorHandler* message(std::string text);
    virtual FLSysRef resetCall(FLSysArgs* args);
    virtual FLSysRef setOutputSeriousnessCall(FLSysArgs* args);
    virtual FLSysRef setOutputFilterCall(FLSysArgs* args);

    // The same seriousness filter as setOutputSeriousness (bits 1 messages, 2 warnings, 4 errors).
    void setOutputFilter(int bits) { setOutputSeriousness(bits); }
    int outputSeriousness() const { return filter; }
    int keepMostSerious() const { return keepMost; }
    // How many errors (seriousness 2 or more) were reported so far, printed or not, and how many
    // failures were counted without a report.
    unsigned long errorCount() const { return errors; }
    // Counts a failure of the running command that its work has told of itself and that is no
    // error to print: a save, dump or export cut short by Ctrl-C. The command fails as after an
    // error (see ErrorWatch); nothing is printed or kept.
    void countFailure() { ++errors; }

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<ErrorHandler>& shellCommands();

    Error kept;
    unsigned long errors = 0;
    int filter = 0;
    int keepMost = 1;
};

// The error the container library reports with `code` and `text` (a serious error of origin 2).
Error containerError(int code, const char* text);

// The one central handler, known to the shell as "centralErrorHandler".
ErrorHandler& centralErrorHandler();

// Tells whether an error was reported to the central handler, or a failure counted, while it
// lived. A command whose work reports its own failures (a file that could not be made or
// written, a write cut short by Ctrl-C) answers null when one was, so that a run with -q stops
// there as after any failing command.
class ErrorWatch {
  public:
    ErrorWatch() : before(centralErrorHandler().errorCount()) {}
    bool errorReported() const { return centralErrorHandler().errorCount() != before; }

  private:
    unsigned long before;
};
