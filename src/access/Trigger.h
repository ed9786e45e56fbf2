// Trigger: one inherited value queued in a buffered phase, inserted when the phase ends.
#pragma once

#include <cstdint>
#include <vector>

#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"

// host.method@(args) gets value under methodType (one of the first six), inherited from the class
// source. Each trigger owns a copy of its arguments, so the members of one inherited set never
// share an array.
struct Trigger {
    Trigger() = default;
    Trigger(const InternalName& host, const InternalName& method, const InternalName* args,
            int argCount, MethodType methodType, const InternalName& value,
            const InternalName& source)
        : host(host),
          method(method),
          args(args, args + (args != nullptr && argCount > 0 ? argCount : 0)),
          methodType(methodType),
          value(value),
          source(source) {}

    int argCount() const { return static_cast<int>(args.size()); }
    const InternalName* argData() const { return args.empty() ? nullptr : args.data(); }

    InternalName host;
    InternalName method;
    std::vector<InternalName> args;
    MethodType methodType = MethodType::Scalar;
    InternalName value;
    InternalName source;
};
