// termToName: the identifier the object base already holds for a ground term of a parsed program.
#pragma once

#include "objectbase/InternalName.h"

class OM;
class Path;

// Maps a constant, a function term or a scalar path (each ground) to the identifier the object
// manager stores for it, without making anything new: numbers are their own identifiers,
// symbols their objects, function terms the objects stored for their argument tuple, scalar
// paths the stored method values. Anything else, or a term with no stored identifier, gives
// UndefinedObject. Answers `out`.
InternalName& termToName(OM& om, InternalName& out, const Path* term);
