// FreshChild, one element of a run of siblings that an import stores in one step.
#pragma once

#include "objectbase/InternalName.h"

// An object an import has just made, which has no class or parent yet, and its class: one of
// the children of one host that OM::insertFreshChildren stores, each as host[method ->> object],
// object : cls and object's child relation to host.
struct FreshChild {
    InternalName object;
    InternalName cls;
};
