// The quorin program: hands the pieces of the layers above the shell to the start-up.
#include "shell/ClauseRewriter.h"
#include "shell/UserInterface.h"
#include "xml/XMLAxisIteratorFactory.h"
#include "xml/XPathRewriter.h"

int main(int argc, char** argv) {
    // The Kavum mode's rewriter and the document axis steps live in the XML layer.
    setClauseRewriterFactory(&makeXPathRewriter);
    XMLAxisIteratorFactory::installShared();
    // The XML access layers and the XML creator are not built yet: their class objects stay
    // placeholders until set here.
    HandedInClassObjects handedIn;
    return userInterface::run(argc, argv, handedIn);
}
