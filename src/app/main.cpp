// The quorin program: hands the class objects of the layers above the shell to the start-up.
#include <malloc.h>

#include "compile/Operator.h"
#include "foundation/OutOfMemory.h"
#include "platform/ConfinedChild.h"
#include "shell/PrettyPrinter.h"
#include "shell/ShellDumpFormatters.h"
#include "shell/ShellExportHandlers.h"
#include "shell/UserInterface.h"
#include "xml/DOMOMAccess.h"
#include "xml/NsgmlWrapper.h"
#include "xml/WebOMAccess.h"
#include "xml/XMLAxisIteratorFactory.h"
#include "xml/XMLCreator1.h"
#include "xml/XMLOMAccess.h"
#include "xml/XPathRewriter.h"

int main(int argc, char** argv) {
    // An exhausted heap cancels the command that met it; one that nothing caught ends the run in
    // order, never by an abort.
    outOfMemory::installHandlers();
    // The program started anew to parse one document: nothing of the session is set up.
    if (isConfinedChildCall(argc, argv)) runConfinedChild(argc, argv, {NsgmlWrapper::parserRole()});
#if defined(QUORIN_ALLOCATOR_glibc) && defined(M_MMAP_THRESHOLD)
    // Evaluation grows and frees operands of many megabytes. The allocator's default raises its
    // mapping threshold past each freed block, so later large operands come from the heap, which
    // is never given back: peak memory grew by a fifth on large closures. A fixed threshold keeps
    // large blocks mapped and returned when freed, at no measured cost in time.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // Fixing that threshold also fixes the trim threshold at 128 KB: the heap's top was given back
    // and faulted in again after every round of an evaluation (a grouped count over 1M facts took
    // 26,000 page faults against 15,000). Freed memory below 64 MB at the top stays for the next
    // round; the peak is what the evaluation used at once, as before.
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    // Every access layer answers the axis steps of documents.
    XMLAxisIteratorFactory axes;
    Session handedIn;
    handedIn.axisIterators = &axes;
    // The Kavum dialect rewrites every clause before the interpreter checks it.
    handedIn.clauseRewriters = &makeXPathRewriter;
    // The evaluators' embedded printers (insert traces) are PrettyPrinters.
    handedIn.printers = &makePrettyPrinter;
    // The object bases dump, and every access layer exports, through the shell's formatters.
    handedIn.dumpFormatters = shellDumpFormatters();
    handedIn.exportHandlers = shellExportHandlers();
    handedIn.webOMAccess = new WebOMAccessMeta(&axes, handedIn.exportHandlers);
    handedIn.xmlOMAccess = new XMLOMAccessMeta(&axes, handedIn.exportHandlers);
    handedIn.domOMAccess = new DOMOMAccessMeta(&axes, handedIn.exportHandlers);
    // One operator trace for the session: the XML creators share it with the plain ones.
    const Ref<OperatorTrace> trace = Ref<OperatorTrace>::make();
    handedIn.operatorTrace = trace.get();
    handedIn.xmlCreator1 = new XMLCreator1Meta(trace.get());
    return userInterface::run(argc, argv, handedIn);
}
