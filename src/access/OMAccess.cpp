// The attachment to the object manager, the name-mapping dictionary and the shell identity of
// OMAccess.
#include "access/OMAccess.h"

#include "foundation/OutputChannel.h"
#include "objectbase/OM.h"

OMAccess::OMAccess(OM* om) : attachedOM(om) {
    if (attachedOM == nullptr) return;
    incRef(attachedOM);
    attachedOM->setOMAccess(this);
}

OMAccess::~OMAccess() {
    nameMap.clear();
    if (attachedOM == nullptr) return;
    if (attachedOM->getOMAccess() == this) attachedOM->setOMAccess(nullptr);
    decRef(attachedOM);
}

void OMAccess::print(OutputChannel& channel) const {
    channel << "anOMAccess";
}

bool OMAccess::isA(const std::string& className) const {
    return className == "OMAccess" || FLSysObject::isA(className);
}

bool OMAccess::isMapped(const InternalName& name) const {
    return nameMap.lookup(name) != nullptr;
}

InternalName OMAccess::mappedName(const InternalName& name) const {
    auto item = nameMap.lookup(name);
    return item != nullptr ? nameMap.inf(item) : name;
}

void OMAccess::remapName(InternalName oldName, InternalName rep) {
    // Moving an entry onto its own key would delete it below.
    if (oldName == rep) return;
    auto item = nameMap.lookup(oldName);
    if (item == nullptr) return;
    const InternalName mapped = nameMap.inf(item);
    // Both names stood for something: what they stood for is now one object too.
    if (attachedOM != nullptr && isMapped(rep)) attachedOM->equate(mapped, mappedName(rep), 0);
    nameMap.insert(rep, mapped);
    nameMap.del(oldName);
}
