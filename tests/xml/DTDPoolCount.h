// Test helper: the pooled DTD model objects handed out since a starting point. The pools keep
// every block they hand out reachable, so a model object never released escapes the leak
// checker; counting the blocks of each model class's size catches it.
#pragma once

#include <cstddef>
#include <string>

#include "foundation/ManagedObject.h"
#include "xml/DTDElemSpec.h"
#include "xml/DTDPropSpec.h"
#include "xml/DTDPropSpecList.h"
#include "xml/InternalDTD.h"

namespace dtdtest {

class PoolCount {
  public:
    PoolCount() : start(counts()) {}

    // "" when as many blocks of each size are in use as at the start, else the differences.
    std::string inUse() const {
        Counts now = counts();
        std::string out;
        for (std::size_t i = 0; i < sizeCount; ++i) {
            if (now.used[i] != start.used[i]) {
                out += std::string(names[i]) + " " +
                       std::to_string(static_cast<long>(now.used[i] - start.used[i])) + " ";
            }
        }
        return out;
    }

  private:
    static constexpr std::size_t sizeCount = 4;
    static constexpr const char* names[sizeCount] = {"InternalDTD", "DTDElemSpec",
                                                     "DTDPropSpecList", "DTDPropSpec"};
    struct Counts {
        std::size_t used[sizeCount];
    };
    static Counts counts() {
        return {{poolUsedBlocks(sizeof(InternalDTD)), poolUsedBlocks(sizeof(DTDElemSpec)),
                 poolUsedBlocks(sizeof(DTDPropSpecList)), poolUsedBlocks(sizeof(DTDPropSpec))}};
    }

    Counts start;
};

}  // namespace dtdtest
