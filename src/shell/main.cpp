// The quorin program: hands the class objects of the layers above the shell to the start-up.
#include "shell/UserInterface.h"
#include "xml/WebOMAccess.h"

int main(int argc, char** argv) {
    // The XML and DOM access layers and the XML creator are not built yet: their class objects
    // stay placeholders until set here.
    HandedInClassObjects handedIn;
    handedIn.webOMAccess = new WebOMAccessMeta;
    return userInterface::run(argc, argv, handedIn);
}
