// The quorin program: hands the pieces of the layers above the shell to the start-up.
#include "shell/ClauseRewriter.h"
#include "shell/UserInterface.h"
#include "xml/DOMOMAccess.h"
#include "xml/WebOMAccess.h"
#include "xml/XMLAxisIteratorFactory.h"
#include "xml/XMLOMAccess.h"
#include "xml/XPathRewriter.h"

int main(int argc, char** argv) {
    // The Kavum mode's rewriter and the document axis steps live in the XML layer; every access
    // layer answers the axis steps of documents.
    setClauseRewriterFactory(&makeXPathRewriter);
    XMLAxisIteratorFactory::installShared();
    // The XML creator is not built yet: its class object stays a placeholder until set here.
    HandedInClassObjects handedIn;
    handedIn.webOMAccess = new WebOMAccessMeta;
    handedIn.xmlOMAccess = new XMLOMAccessMeta;
    handedIn.domOMAccess = new DOMOMAccessMeta;
    return userInterface::run(argc, argv, handedIn);
}
