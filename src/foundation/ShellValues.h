// The shell's plain values: FLSysString, FLSysBoolean, FLSysInteger, FLSysSymbol and the loop
// escape FLSysEsc, with the two program-wide boolean constants.
#pragma once

#include <string>

#include "foundation/FLSysObject.h"

class FLSysString : public FLSysObject {
  public:
    explicit FLSysString(std::string text);

    // A token enclosed in double quotes gives a new string of the text between them; else null.
    static FLSysString* fromLiteral(const std::string& token);
    // A new string of the text as it is, with no quote handling.
    static FLSysString* fromString(const std::string& text);

    // The text in double quotes.
    void print(OutputChannel& channel) const override;
    // The bare text and an end of line.
    void display(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    std::string value() const { return text; }

  private:
    std::string text;
};

class FLSysBoolean : public FLSysObject {
  public:
    // 0 is false, every other value true.
    explicit FLSysBoolean(int value);

    // "true" or "false".
    void print(OutputChannel& channel) const override;
    void display(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    int value() const { return truth; }

  private:
    int truth;
};

class FLSysInteger : public FLSysObject {
  public:
    explicit FLSysInteger(int value);
    // The value of the leading decimal number of the text (an optional sign, then digits); 0 when
    // there is none or when it does not fit in an int.
    explicit FLSysInteger(const std::string& text);

    // An optional "-" followed only by decimal digits (a lone "-" counts and gives 0) makes a new
    // integer; any other token, and a number outside the int range, gives null.
    static FLSysInteger* fromLiteral(const std::string& token);

    void print(OutputChannel& channel) const override;
    void display(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    int value() const { return number; }

  private:
    int number;
};

class FLSysSymbol : public FLSysObject {
  public:
    explicit FLSysSymbol(std::string text);

    // "FLSysSymbol(" text ")".
    void print(OutputChannel& channel) const override;
    // A single quote and the text, with no end of line.
    void display(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;
    std::string name() const override;

  protected:
    const std::string& text() const { return symbol; }

  private:
    std::string symbol;
};

// The escapes "end" (ends the main loop) and "return" (ends a nested command loop).
class FLSysEsc : public FLSysSymbol {
  public:
    explicit FLSysEsc(std::string text);

    // "FLSysEsc(" text ")".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;
    std::string name() const override;
};

// The two program-wide boolean constants answered by "isOk" and "isA"; releasing them never
// destroys them.
FLSysBoolean& trueConstant();
FLSysBoolean& falseConstant();
