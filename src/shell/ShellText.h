// What reading shell text needs beside sys itself: the comment and blank trimming of a typed line,
// and the source of typed lines (the line input, or a script in tests).
#pragma once

#include <string>
#include <string_view>

#include "foundation/Error.h"

class FRule;
class SymTab;

// Skips leading blanks (tabs stay), cuts the line at its first "%" (inside quotes too: a line
// typed at the prompt is no place for a percent sign), and drops the blanks left at its end.
std::string trimLine(const std::string& line);
// The same part of the line, without a copy.
std::string_view trimmedPart(std::string_view line);

// Reads one line after the prompt; false at the end of input.
using CommandLineSource = bool (*)(const std::string& prompt, std::string& line);

// Replaces the source of typed lines; null restores the line input. For tests.
void setCommandLineSource(CommandLineSource source);

// The text readCommandLine answers once the input has ended, or a farewell event is pending: the
// "end" escape, so that every shell level ends as if the command had been typed.
extern const char* const endOfInputCommand;

// The report of shell text run deeper than FLSysInterpreter::maxNesting levels.
Error nestingTooDeep();

// The echo of a clause read while sys debugs: the clause printed (or "empty Rule" when none came
// back) and an end of line, on debugChannel.
void echoClause(const FRule* clause, const SymTab* names);
