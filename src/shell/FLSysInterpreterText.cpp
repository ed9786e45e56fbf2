// The operations of sys that read and run shell text: reading a command, interpreting text and
// files, running one query, the dialect and the history. They stand empty until the shell text
// is built: each reports that it was called and answers nothing.
#include "foundation/ErrorHandler.h"
#include "shell/FLSysInterpreter.h"

FLSysObject* FLSysInterpreter::interprete(const std::string& /*text*/, int /*isLine*/) {
    centralErrorHandler().report(pureVirtualCalled("FLSysInterpreter::interprete"));
    return nullptr;
}

std::string FLSysInterpreter::readCommandLine() {
    centralErrorHandler().report(pureVirtualCalled("FLSysInterpreter::readCommandLine"));
    return "";
}

FLSysObject* FLSysInterpreter::queryhandle(FRule* /*query*/) {
    centralErrorHandler().report(pureVirtualCalled("FLSysInterpreter::queryhandle"));
    return nullptr;
}

void FLSysInterpreter::setDialect(const std::string& /*word*/) {
    centralErrorHandler().report(pureVirtualCalled("FLSysInterpreter::setDialect"));
}

void FLSysInterpreter::addHistory(const std::string& /*line*/) {
    centralErrorHandler().report(pureVirtualCalled("FLSysInterpreter::addHistory"));
}
