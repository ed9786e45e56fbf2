// MainMemOM: taking a stored method value out again, for the values inheritance withdraws.
#include "objectbase/MainMemOM.h"

int MainMemOM::removeMethodValue(const InternalName& host, const InternalName& method,
                                 const InternalName* args, int argCount, int type,
                                 const InternalName& value) {
    if (type < 0 || type > 8) return 0;
    MainMemObjFrame* frame = getObjFrame(host);
    InternalName stored;
    if (frame == nullptr || frame->lookupMethod(method, type, argCount, stored) == 0) return 0;
    // Cached set frames and open iterators find their places again.
    framesMoved();
    const bool scalar = type == 0 || type == 3;
    if (argCount == 0) {
        if (scalar) {
            if (stored != value || frame->removeMethod(method, type, 0) == 0) return 0;
            if (MemberSet* hosts = methodsTable.valueOr(MethodKey(type, 0, method), nullptr))
                hosts->erase(host);
            return 1;
        }
        MainMemSetFrame* members =
            stored.getType() == InternalName::SetName ? getSetFrame(stored) : nullptr;
        return members != nullptr ? members->erase(value) : 0;
    }
    MainMemParamFrame* rows =
        stored.getType() == InternalName::ParamFrame ? getParamFrame(stored) : nullptr;
    InternalName current;
    if (rows == nullptr || rows->lookupResult(args, argCount, current) == 0) return 0;
    if (scalar) return current == value ? rows->eraseResult(args, argCount, value) : 0;
    MainMemSetFrame* members =
        current.getType() == InternalName::SetName ? getSetFrame(current) : nullptr;
    return members != nullptr ? members->erase(value) : 0;
}
