// The container library's replaceable error handler and its default.
#pragma once

// A handler receives the library's error code and message.
using clib_error_handler = void (*)(int code, const char* message);

// Reports through the handler currently installed.
void error_handler(int code, const char* message);
// Writes "CLIB WARNING" (code 0) or "CLIB ERROR HANDLER" and the message on standard error.
void write_error_report(int code, const char* message);
// Writes the report; codes of 1 and more then end the program.
void default_error_handler(int code, const char* message);
// Makes `handler` the current one and answers the forwarding function error_handler.
clib_error_handler install_error_handler(clib_error_handler handler);
