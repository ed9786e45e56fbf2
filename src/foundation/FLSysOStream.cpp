// The parts of the shell output stream shared by all its implementations.
#include "foundation/FLSysOStream.h"

#include "foundation/OutputChannel.h"

void FLSysOStream::print(OutputChannel& channel) const {
    channel << "aFLSysOStream";
}

bool FLSysOStream::isA(const std::string& className) const {
    return className == "FLSysOStream" || FLSysObject::isA(className);
}
