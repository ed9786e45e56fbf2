// The first shell variables of sys: the standard streams, the six output channels, the class
// objects of every buildable pipeline class, and the three central singletons.
#pragma once

#include "access/ExportHandlerFactory.h"
#include "eval/PPProtocol.h"
#include "foundation/FLSysObject.h"
#include "objectbase/DumpFormatterFactory.h"
#include "shell/ClauseRewriter.h"

class AxisIteratorFactory;
class FLSysInterpreter;
class OperatorTrace;

// What the program entry (which links every layer) hands to the session it starts: the class
// objects of classes that live above the shell or are not built yet, and the makers of what
// the layers above provide. Each class object left null is registered as a placeholder that
// prints and answers isA as the real one and answers new with PureVirtualCalled; the
// registration takes over the one reference each object carries.
struct Session {
    XMeta* webOMAccess = nullptr;  // "classWebOMAccess", new@(OM)
    XMeta* xmlOMAccess = nullptr;  // "classXMLOMAccess", new@(OM)
    XMeta* domOMAccess = nullptr;  // "classDOMOMAccess", new@(OM)
    XMeta* xmlCreator1 = nullptr;  // "classXMLCreator1", new@(OMAccess)
    // Makes the Kavum dialect's clause rewriter; null: that dialect rewrites nothing.
    ClauseRewriterFactory clauseRewriters = nullptr;
    // Makes the printer the evaluators embed (insert traces); null: they embed none.
    PrinterFactory printers = nullptr;
    // Makes the iterators of document axis steps for every access layer "classOMAccess" builds
    // (not owned: it outlives the session); null: their axis steps report NotImplemented.
    AxisIteratorFactory* axisIterators = nullptr;
    // The operator trace every algebra evaluator and creator of the session shares (any
    // evaluator's debugOn switches it for all); handed on to the class objects that make them.
    // Null: start-up makes one for the session.
    OperatorTrace* operatorTrace = nullptr;
    // The formatters of the dumps of every object base "classOM" builds; empty: dumps write
    // nothing.
    DumpFormatterFactory dumpFormatters;
    // The export handlers of every access layer "classOMAccess" builds; empty: their exports
    // report NotImplemented.
    ExportHandlerFactory exportHandlers;
};

// Registers everything in its fixed order and clears the central statistic handler.
void registerSystemObjects(FLSysInterpreter& sys, const Session& handedIn);

// Whether standard output has taken everything written to it since its state was last cleared:
// flushes it, and after a failed write reports "Can't write to standard output" (once in a run,
// whoever notices first) and answers false.
bool standardOutputWritten();
