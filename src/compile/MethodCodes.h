// MethodCodes: the typed codes a rule's literals and heads hand to the access layer: method types,
// document axes, arithmetic operations and class relations (defined in the layers that take them).
#pragma once

#include "access/PathCodes.h"
#include "objectbase/MethodType.h"
