// The quorin program: hands the class objects of the layers above the shell to the start-up.
#include "shell/UserInterface.h"

int main(int argc, char** argv) {
    // The XML access layers, the XML creator and the inheriting and semi-naive evaluators are not
    // built yet: their class objects stay placeholders until set here.
    HandedInClassObjects handedIn;
    return userInterface::run(argc, argv, handedIn);
}
