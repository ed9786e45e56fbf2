// The XML exports: F-Logic objects as elements, nesting, headers, and Kavum documents.
#include <gtest/gtest.h>

#include "shell/ExportTestSupport.h"
#include "shell/FLtoXMLExportHandler.h"
#include "shell/KavumExportHandler.h"

namespace {

using export_test::ExportTest;

class XMLExportTest : public ExportTest {
  protected:
    // person[name => string; friend =>> person]; ann[name -> "Ann"; friend ->> {bob, carl}].
    void friends() {
        const InternalName person = obj("person");
        value(person, obj("name"), 6, obj("string"));
        members(person, obj("friend"), 7, {person});
        for (const char* who : {"ann", "bob", "carl"}) isa(obj(who), person);
        value(obj("ann"), obj("name"), 0, str("Ann"));
        members(obj("ann"), obj("friend"), 1, {obj("bob"), obj("carl")});
    }
};

TEST_F(XMLExportTest, SharedFriendsAreReferenced) {
    friends();
    isa(obj("dora"), obj("person"));
    members(obj("dora"), obj("friend"), 1, {obj("bob"), obj("carl")});
    EXPECT_EQ(exported(2),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<person id='ann' \n  name='Ann'\n  friend='bob carl'/>\n\n"
              "<person id='dora' \n  friend='bob carl'/>\n\n");
}

TEST_F(XMLExportTest, UnsharedFriendsAreNested) {
    friends();
    value(obj("bob"), obj("name"), 0, str("Bob"));
    EXPECT_EQ(exported(2),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<person id='ann' \n  name='Ann'>\n"
              "  <friend \n    name='Bob'/>\n"
              "  <friend/>\n"
              "</person>\n\n");
}

}  // namespace
