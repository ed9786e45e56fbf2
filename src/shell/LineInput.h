// The shell's line input: the console line editor at a terminal, a plain line reader elsewhere,
// with one history for both.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "shell/Completion.h"
#include "shell/LineHistory.h"

namespace quorin::lineio {

// The longest line read from a pipe or a file; a longer one is refused.
constexpr std::size_t maxLineLength = std::size_t{256} << 20;

// Reads one line after writing the prompt. At a terminal (standard input and standard output
// both terminals) the line is edited in place, drawn on standard output; otherwise it is read
// from standard input. False at the end of input: a closed input, a hung-up terminal, or a
// read cut by a signal for which the farewell check answers true. An empty line is a line. From
// a pipe or a file, a Ctrl-C drops a started line and a line longer than maxLineLength is
// reported and skipped.
bool getline(const std::string& prompt, std::string& line);

// Adds a line to the history (leading blanks, tabs and newlines skipped; nothing for an empty
// rest or a repeat of the last line).
void history_add(std::string_view line);

// Adds each line of the file to the history; an unreadable file adds nothing.
void history_load(const std::string& path);

// Installs the completion of the Tab key; an empty hook installs file-name completion.
void set_completion_hook(CompletionHook hook);

// Installs the question asked when a signal cuts a read: true ends the input (a farewell
// signal), false reads on with the line kept (Ctrl-C).
void set_farewell_check(bool (*pending)());

// The history both readers share.
LineHistory& history();

}  // namespace quorin::lineio
