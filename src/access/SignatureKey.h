// The key of one signature lookup: arrow, class, method and number of arguments.
#pragma once

#include <cstddef>

#include "objectbase/CellHash.h"
#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"

struct SignatureKey {
    MethodType type;
    InternalName host;
    InternalName method;
    int argCount;
    bool operator==(const SignatureKey&) const = default;

    struct Hash {
        std::size_t operator()(const SignatureKey& key) const {
            const InternalName cells[] = {key.host, key.method};
            return std::size_t(hashCells(cells, 2)) * 31 + std::size_t(code(key.type)) * 7 +
                   std::size_t(key.argCount);
        }
    };
};
