// The creator interface's shared part: the access layer it writes through.
#include "eval/Creator.h"

#include "access/OMAccess.h"
#include "foundation/OutputChannel.h"

Creator::Creator(OMAccess* access) : access(access) {
    incRef(access);
}

Creator::~Creator() {
    decRef(access);
}

void Creator::print(OutputChannel& channel) const {
    channel << "aCreator";
}

bool Creator::isA(const std::string& className) const {
    return className == "Creator" || PtnScanner::isA(className);
}
