// MyRegex: the owner of one compiled POSIX extended regular expression, and unescape, which
// prepares a pattern's text for it.
#pragma once

#include <regex.h>

#include <string>

#include "foundation/ManagedObject.h"

class MyRegex : public ManagedObject {
  public:
    // Compiles the pattern with the extended syntax; compiled() tells whether that succeeded.
    explicit MyRegex(const char* pattern);

    bool compiled() const { return status == 0; }
    // The library's text for a failed compilation; empty when it succeeded.
    std::string errorText() const;

    // Searches text[from, length) as part of the whole text, so that "^" and word boundaries see
    // the bytes before `from` and NUL bytes are searched like any other. Answers the start of
    // the whole match (an offset into text) and its length in matchLength, or -1 for none.
    int exec(const char* text, int length, int from, int* matchLength);
    // Sub-match `slot` (0 the whole match, up to 9) of the last successful exec, as offsets into
    // the text; -1 for a slot that took no part.
    const regmatch_t& match(int slot) const { return matches[slot]; }

    static constexpr int Slots = 10;

  protected:
    ~MyRegex() override;

  private:
    regex_t compiledPattern;
    int status;
    regmatch_t matches[Slots];
};

// Appends source to target with the escapes \n, \b and \t made a newline, a backspace and a tab;
// every other byte, a backslash before anything else included, is copied unchanged.
void unescape(const std::string& source, std::string& target);
