// The quorin program: hands the class objects of the layers above the shell to the start-up.
#include "shell/UserInterface.h"
#include "xml/DOMOMAccess.h"
#include "xml/WebOMAccess.h"
#include "xml/XMLAxisIteratorFactory.h"
#include "xml/XMLOMAccess.h"

int main(int argc, char** argv) {
    // Every access layer answers the axis steps of documents.
    XMLAxisIteratorFactory::installShared();
    // The XML creator is not built yet: its class object stays a placeholder until set here.
    HandedInClassObjects handedIn;
    handedIn.webOMAccess = new WebOMAccessMeta;
    handedIn.xmlOMAccess = new XMLOMAccessMeta;
    handedIn.domOMAccess = new DOMOMAccessMeta;
    return userInterface::run(argc, argv, handedIn);
}
