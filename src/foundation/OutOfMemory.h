// The end of a run whose heap ran out where no command could give way: the container library's
// statistics table and its error 999, then the program ends with a status of its own.
#pragma once

namespace outOfMemory {

// The container library's text for an exhausted heap (its error 999).
inline constexpr const char* Text = "CLIB Memory Manager: Out of memory.";
// The exit status of a run that ran out of memory.
inline constexpr int ExitStatus = 3;

// Writes an end of line, the memory manager's statistics table and error 999 on standard error,
// flushes standard output and ends the program. It allocates nothing, and runs no destructor: the
// objects the failure cut short may be half made.
[[noreturn]] void endProgram();

// Makes an exhausted heap an exception wherever it is met (an allocator's operator new that
// would abort throws std::bad_alloc instead), and a std::bad_alloc that nothing caught end the
// program by endProgram rather than by an abort.
void installHandlers();

}  // namespace outOfMemory
