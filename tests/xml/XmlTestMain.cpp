// The XML tests' program: a parser child started by a test parses, anything else runs the tests.
#include <gtest/gtest.h>

#include "platform/ConfinedChild.h"
#include "xml/NsgmlWrapper.h"

int main(int argc, char** argv) {
    if (isConfinedChildCall(argc, argv)) runConfinedChild(argc, argv, {NsgmlWrapper::parserRole()});
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
