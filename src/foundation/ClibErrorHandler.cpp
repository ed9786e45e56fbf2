// The container library's replaceable error handler and its default.
#include "foundation/ClibErrorHandler.h"

#include <cstdio>
#include <cstdlib>

namespace {
clib_error_handler current_handler = &default_error_handler;
}

void error_handler(int code, const char* message) {
    current_handler(code, message);
}

void write_error_report(int code, const char* message) {
    std::fputs("\n", stderr);
    std::fputs(code == 0 ? "CLIB WARNING" : "CLIB ERROR HANDLER", stderr);
    std::fputs("\n", stderr);
    std::fprintf(stderr, "\t%s\n", message != nullptr ? message : "");
    std::fputs("\n", stderr);
    if (code >= 1) std::fputs("\n", stderr);
    std::fflush(stderr);
}

void default_error_handler(int code, const char* message) {
    write_error_report(code, message);
    if (code >= 1) std::abort();
}

clib_error_handler install_error_handler(clib_error_handler handler) {
    // A null handler would leave every later failure without a sink; keep the default then.
    current_handler = handler != nullptr ? handler : &default_error_handler;
    return &error_handler;
}
