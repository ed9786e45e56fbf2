// The parts of the shell output stream shared by all its implementations.
#include "foundation/FLSysOStream.h"

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"

void reportStreamWriteFailure(const std::string& fileName) {
    centralErrorHandler().report(Error(5, 20, 2, "Cant Write file", "Can't write to " + fileName,
                                       "FLSysOStream::operator<<", ""));
}

void FLSysOStream::print(OutputChannel& channel) const {
    channel << "aFLSysOStream";
}

bool FLSysOStream::isA(const std::string& className) const {
    return className == "FLSysOStream" || FLSysObject::isA(className);
}
