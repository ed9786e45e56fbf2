// The first shell variables of sys: the standard streams, the six output channels, the class
// objects of every buildable pipeline class, and the three central singletons.
#pragma once

#include "foundation/FLSysObject.h"

class FLSysInterpreter;

// The class objects of classes that live above the shell or are not built yet. The program entry
// hands them in (it links every layer); each one left null is registered as a placeholder that
// prints and answers isA as the real one and answers new with PureVirtualCalled. The
// registration takes over the one reference each object carries.
struct HandedInClassObjects {
    XMeta* webOMAccess = nullptr;  // "classWebOMAccess", new@(OM)
    XMeta* xmlOMAccess = nullptr;  // "classXMLOMAccess", new@(OM)
    XMeta* domOMAccess = nullptr;  // "classDOMOMAccess", new@(OM)
    XMeta* xmlCreator1 = nullptr;  // "classXMLCreator1", new@(OMAccess)
};

// Registers everything in its fixed order and clears the central statistic handler.
void registerSystemObjects(FLSysInterpreter& sys, const HandedInClassObjects& handedIn);

// Whether standard output has taken everything written to it since its state was last cleared:
// flushes it, and after a failed write reports "Can't write to standard output" (once in a run,
// whoever notices first) and answers false.
bool standardOutputWritten();
