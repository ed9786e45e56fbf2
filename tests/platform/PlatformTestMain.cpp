// The platform tests' program: a confined child of a test runs its role, anything else the tests.
#include <gtest/gtest.h>

#include "platform/ConfinedChild.h"
#include "platform/ConfinedChildTestRoles.h"

int main(int argc, char** argv) {
    if (isConfinedChildCall(argc, argv)) runConfinedTestChild(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
