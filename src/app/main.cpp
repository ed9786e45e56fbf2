// The quorin program: hands the class objects of the layers above the shell to the start-up.
#include "shell/ClauseRewriter.h"
#include "shell/UserInterface.h"
#include "xml/WebOMAccess.h"
#include "xml/XPathRewriter.h"

int main(int argc, char** argv) {
    // The Kavum dialect rewrites every clause before the interpreter checks it.
    setClauseRewriterFactory(&makeXPathRewriter);
    // The XML and DOM access layers and the inheriting and semi-naive evaluators are not built
    // yet: their class objects stay placeholders until set here.
    HandedInClassObjects handedIn;
    handedIn.webOMAccess = new WebOMAccessMeta;
    return userInterface::run(argc, argv, handedIn);
}
