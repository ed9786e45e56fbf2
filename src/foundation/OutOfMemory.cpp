// The end of a run whose heap ran out where no command could give way.
#include "foundation/OutOfMemory.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>

#include "foundation/ClibErrorHandler.h"
#include "foundation/MemoryManager.h"

namespace outOfMemory {

namespace {

std::terminate_handler earlierTerminate = nullptr;

// An uncaught exception ends the program here: a std::bad_alloc in order, anything else as
// before.
[[noreturn]] void terminateInOrder() {
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::bad_alloc&) {
            endProgram();
        } catch (...) {
        }
    }
    if (earlierTerminate != nullptr) earlierTerminate();
    std::abort();
}

// The new handler: there is nothing to free, so the request fails as an exception. Installed so
// that an allocator whose operator new aborts when no handler is set throws as the C++ library's
// does.
void failRequest() {
    throw std::bad_alloc();
}

}  // namespace

void endProgram() {
    std::fflush(stdout);
    std::fputs("\n", stderr);
    if (std_memory_mgr != nullptr) std_memory_mgr->print_statistics();
    write_error_report(999, Text);
    std::fflush(stderr);
    // The answers written so far reach their file; the stream's buffer writes without allocating.
    std::cout.flush();
    std::fflush(stdout);
    std::_Exit(ExitStatus);
}

void installHandlers() {
    std::set_new_handler(&failRequest);
    std::terminate_handler before = std::set_terminate(&terminateInOrder);
    if (before != &terminateInOrder) earlierTerminate = before;
}

}  // namespace outOfMemory
