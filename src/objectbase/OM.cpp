// The few operations the abstract object manager implements itself, and its class object.
#include "objectbase/OM.h"

#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"

NameRemapListener* OM::setOMAccess(NameRemapListener* access) {
    omAccess = access;
    return access;
}

Iterator* OM::noIterator(Iterator* reuse) {
    Ref<Iterator>::adopt(reuse).reset();
    return nullptr;
}

OMMeta::OMMeta() : XMeta("OM") {}

FLSysRef OMMeta::createInstance(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    return Ref<MainMemOM>::make();
}
