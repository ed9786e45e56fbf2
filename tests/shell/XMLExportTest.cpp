// The XML exports: F-Logic objects as elements, nesting, headers, and Kavum documents.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

namespace {

using export_test::ExportTest;

class XMLExportCasesTest : public ExportTest {};

// Two nested objects holding each other hang below no written element: both are still written,
// and the one on the nesting path is referred to by name.
TEST_F(XMLExportCasesTest, NestedObjectsHoldingEachOtherAreWritten) {
    const InternalName person = obj("person"), ann = obj("ann"), bob = obj("bob");
    value(person, obj("spouse"), 6, person);
    isa(ann, person);
    isa(bob, person);
    value(ann, obj("spouse"), 0, bob);
    value(bob, obj("spouse"), 0, ann);
    EXPECT_EQ(exported(2),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<person id='ann'>\n"
              "  <spouse \n    spouse='ann'/>\n"
              "</person>\n\n");
}

TEST_F(XMLExportCasesTest, DocumentTypeLinesAndSpecialCharacters) {
    const InternalName person = obj("person");
    value(person, obj("name"), 6, obj("string"));
    value(person, obj("knows"), 6, person);
    isa(obj("ann"), person);
    isa(obj("bob"), person);
    isa(obj("carl"), person);
    value(obj("ann"), obj("name"), 0, str("O'Brien & <a\"b>"));
    value(obj("ann"), obj("knows"), 0, obj("bob"));
    value(obj("carl"), obj("knows"), 0, obj("bob"));
    value(obj("carl"), obj("knows2"), 0, obj("ann"));  // undeclared: no element for it
    const std::string body =
        "<person id='ann' \n  name='O&apos;Brien &amp; &lt;a&quot;b&gt;'\n  knows='bob'/>\n\n"
        "<person id='carl' \n  knows='bob'/>\n\n";
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    EXPECT_EQ(exported(2), declaration + body);
    // No document type: no name is made for the empty text.
    EXPECT_EQ(access->giveSymTab()->lookup("", InternalName::Function, 0), nullptr);
    // No identifier known: the name alone; the export makes no object for it.
    EXPECT_EQ(exported(2, "doc"), declaration + "<!DOCTYPE doc>\n<doc>\n" + body + "</doc>\n");
    value(str("doc"), obj("system"), 0, str("doc.dtd"));
    EXPECT_EQ(exported(2, "doc"),
              declaration + "<!DOCTYPE doc SYSTEM \"doc.dtd\">\n<doc>\n" + body + "</doc>\n");
    value(str("doc"), obj("public"), 0, str("-//Q//doc"));
    EXPECT_EQ(exported(2, "doc"),
              declaration + "<!DOCTYPE doc PUBLIC \"-//Q//doc\">\n<doc>\n" + body + "</doc>\n");
}

TEST_F(XMLExportCasesTest, ArgumentsValuesOutsideTheirClassAndEmptyElements) {
    const InternalName person = obj("person"), ann = obj("ann"), bob = obj("bob");
    value(person, obj("likes"), 6, person, {person, person});
    value(person, obj("boss"), 6, person);
    value(person, obj("pal"), 6, person);
    isa(ann, person);
    isa(bob, person);
    value(ann, obj("likes"), 0, obj("dora"), {ann, bob});
    isa(obj("dora"), person);              // no entries: no element
    value(ann, obj("boss"), 0, obj("x"));  // no person
    value(bob, obj("boss"), 0, obj("y"));  // no person: written nowhere
    value(bob, obj("pal"), 0, ann);
    isa(obj("carl"), person);
    value(obj("carl"), obj("pal"), 0, ann);  // ann is shared: never nested
    isa(obj("erin"), person);
    value(obj("erin"), obj("boss"), 0, obj("z"));  // erin's only entry writes nothing
    EXPECT_EQ(exported(2),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<person id='ann'>\n"
              "  <likes person1='ann' person2='bob' person='dora'/>\n"
              "</person>\n\n"
              "<person id='bob' \n  pal='ann'/>\n\n"
              "<person id='carl' \n  pal='ann'/>\n\n"
              "<person id='erin'/>\n\n");
}

// Sharing counts the declared entries of every host, those with arguments included; an
// undeclared entry holding the same value does not make it shared.
TEST_F(XMLExportCasesTest, ValuesHeldByEntriesWithArgumentsAreShared) {
    const InternalName person = obj("person"), ann = obj("ann"), bob = obj("bob");
    value(person, obj("pal"), 6, person);
    value(person, obj("likes"), 6, person, {person});
    for (const char* who : {"ann", "bob", "carl", "dora", "erin"}) isa(obj(who), person);
    value(ann, obj("pal"), 0, bob);
    value(obj("carl"), obj("likes"), 0, bob, {ann});  // bob is held twice: referenced
    value(person, obj("mate"), 6, person);
    value(bob, obj("mate"), 0, obj("erin"));
    value(obj("dora"), obj("knows"), 0, obj("erin"));  // undeclared: erin stays nested
    value(obj("erin"), obj("mate"), 0, obj("dora"));
    EXPECT_EQ(exported(2),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<person id='ann' \n  pal='bob'/>\n\n"
              "<person id='bob'>\n  <mate>\n    <mate/>\n  </mate>\n</person>\n\n"
              "<person id='carl'>\n  <likes person1='ann' person='bob'/>\n</person>\n\n");
}

// One handler exporting twice: what it worked out for the first export (the plans of a class's
// entries, its element name, the nested objects) must not shape the second after a signature
// and a value were added between them.
TEST_F(XMLExportCasesTest, ASecondExportFollowsASignatureAddedSinceTheFirst) {
    const InternalName person = obj("person"), ann = obj("ann"), bob = obj("bob");
    value(person, obj("name"), 6, obj("string"));
    isa(ann, person);
    isa(bob, person);
    value(ann, obj("name"), 0, str("Ann"));
    value(bob, obj("name"), 0, str("Bob"));
    value(ann, obj("pal"), 0, bob);
    ExportRequest request;
    request.format = 2;
    auto handler = Ref<FLtoXMLExportHandler>::make(access);
    // Undeclared, pal writes nothing and bob has an element of his own.
    EXPECT_EQ(debugOf([&] { handler->exportOM(request); }),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<person id='ann' \n  name='Ann'/>\n\n"
              "<person id='bob' \n  name='Bob'/>\n\n");
    // Declared, bob is held by ann alone and nested in her element.
    value(person, obj("pal"), 6, person);
    value(obj("carl"), obj("name"), 0, str("Carl"));
    isa(obj("carl"), person);
    EXPECT_EQ(debugOf([&] { handler->exportOM(request); }),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<person id='ann' \n  name='Ann'>\n"
              "  <pal \n    name='Bob'/>\n"
              "</person>\n\n"
              "<person id='carl' \n  name='Carl'/>\n\n");
}

// Members are wrapped once the line passes 80 columns: after the separating blank, a line feed
// and four blanks, the count starting again at the member.
TEST_F(XMLExportCasesTest, LongMemberListsWrap) {
    const InternalName person = obj("person");
    members(person, obj("friend"), 7, {person});
    std::vector<InternalName> friends;
    for (int i = 1; i <= 10; ++i) {
        friends.push_back(
            obj("friend_number_" + std::string(i < 10 ? "0" : "") + std::to_string(i)));
        isa(friends.back(), person);
    }
    for (const char* who : {"ann", "dora"}) {
        isa(obj(who), person);
        members(obj(who), obj("friend"), 1, friends);
    }
    // "\n  friend='" is 11 long and each member adds 17: the fifth and the ninth pass 80.
    const std::string list =
        "friend='friend_number_01 friend_number_02 friend_number_03 friend_number_04 \n"
        "    friend_number_05 friend_number_06 friend_number_07 friend_number_08 \n"
        "    friend_number_09 friend_number_10'/>\n\n";
    EXPECT_EQ(exported(2),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<person id='ann' \n  " +
                  list + "<person id='dora' \n  " + list);
}

// A signature's values are nested when none of them is held twice, whichever sequence of
// classes their hosts have: the instances of a subclass count with those of the class. A host
// outside the document is not written and holds nothing, but its values are still nested; a
// signature naming a built-in literal class nests nothing.
TEST_F(XMLExportCasesTest, NestingOverClassSequencesAndHostsOutsideTheDocument) {
    const InternalName person = obj("person"), student = obj("student");
    value(person, obj("pal"), 6, person);
    value(person, obj("name"), 6, obj("string"));
    members(person, obj("tag"), 7, {obj("string")});
    om->insertIsa(student, person, 2);
    const InternalName ann = obj("ann"), bob = obj("bob"), carl = obj("carl"), dora = obj("dora");
    isa(ann, person);
    isa(carl, student);
    for (const InternalName& who : {bob, dora, obj("erin")}) isa(who, person);
    value(ann, obj("pal"), 0, bob);
    value(carl, obj("pal"), 0, dora);
    members(ann, obj("tag"), 1, {obj("erin")});
    value(bob, obj("name"), 0, str("Bob"));
    value(dora, obj("name"), 0, str("Dora"));
    value(obj("erin"), obj("name"), 0, str("Erin"));
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string annNesting =
        "<person id='ann'>\n  <pal \n    name='Bob'/>\n"
        "  <tag tag='erin'/>\n</person>\n\n";
    const std::string erin = "<person id='erin' \n  name='Erin'/>\n\n";
    EXPECT_EQ(exported(2), declaration + annNesting +
                               "<person id='carl'>\n  <pal \n    name='Dora'/>\n</person>\n\n" +
                               erin);
    // carl is not written: dora hangs below no element and is written after the others.
    EXPECT_EQ(exported(2, "student"), declaration + "<!DOCTYPE student>\n<student>\n" + annNesting +
                                          erin +
                                          "<person id='dora' \n  name='Dora'/>\n\n</student>\n");
    // Held by a second host, of a third sequence of classes, bob is shared: no value of the
    // signature is nested.
    const InternalName eve = obj("eve");
    isa(eve, student);
    isa(eve, obj("tutor"));
    value(eve, obj("pal"), 0, bob);
    EXPECT_EQ(exported(2), declaration +
                               "<person id='ann' \n  pal='bob'>\n  <tag tag='erin'/>\n"
                               "</person>\n\n<person id='bob' \n  name='Bob'/>\n\n"
                               "<person id='carl' \n  pal='dora'/>\n\n"
                               "<person id='dora' \n  name='Dora'/>\n\n" +
                               erin + "<person id='eve' \n  pal='bob'/>\n\n");
}

// A group of values found shared early keeps none of the values it holds after that, while a
// value it still holds may be nested by another signature: erin, held once by dora's pal after
// carl's pal made the pals shared, is nested by the friend of a host outside the document.
TEST_F(XMLExportCasesTest, AValueOfASharedGroupNestedByAnotherSignature) {
    const InternalName person = obj("person"), student = obj("student"), pal = obj("pal");
    value(person, pal, 6, person);
    value(person, obj("friend"), 6, person);
    om->insertIsa(student, person, 2);
    const InternalName ann = obj("ann"), bob = obj("bob"), carl = obj("carl"), dora = obj("dora"),
                       erin = obj("erin"), fay = obj("fay");
    for (const InternalName& who : {ann, bob, carl, dora, erin}) isa(who, person);
    isa(fay, student);
    value(ann, pal, 0, bob);
    value(carl, pal, 0, bob);
    value(dora, pal, 0, erin);
    value(fay, obj("friend"), 0, erin);
    const std::string sharedPals =
        "<person id='ann' \n  pal='bob'/>\n\n"
        "<person id='carl' \n  pal='bob'/>\n\n";
    EXPECT_EQ(exported(2, "student"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE student>\n<student>\n" +
                  sharedPals + "<person id='dora'>\n  <pal/>\n</person>\n\n</student>\n");
    // Written, fay holds erin too: shared, erin is nested by no signature.
    EXPECT_EQ(exported(2), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + sharedPals +
                               "<person id='dora' \n  pal='erin'/>\n\n"
                               "<person id='fay' \n  friend='erin'/>\n\n");
}

// The hosts of one sequence of classes with entries of different shapes, in turn: a host
// without a name, one whose pal is a string, one whose name is a set of strings, between hosts
// of the same shape. Each host's values count as held whatever the shape of the hosts before
// it: while no pal is held twice every pal is nested, and one more host of the common shape
// holding a pal already held makes every pal referenced.
TEST_F(XMLExportCasesTest, HostsOfOneClassSequenceWithEntriesOfOtherShapes) {
    const InternalName person = obj("person"), name = obj("name"), pal = obj("pal");
    value(person, name, 6, obj("string"));
    value(person, pal, 6, person);
    for (const char* who :
         {"ann", "bob", "carl", "dora", "erin", "fred", "gina", "hank", "ian", "jack", "kim"})
        isa(obj(who), person);
    value(obj("ann"), name, 0, str("Ann"));
    value(obj("ann"), pal, 0, obj("bob"));
    value(obj("carl"), name, 0, str("Carl"));
    value(obj("carl"), pal, 0, obj("dora"));
    value(obj("erin"), pal, 0, obj("fred"));
    value(obj("gina"), name, 0, str("Gina"));
    value(obj("gina"), pal, 0, obj("hank"));
    // A string is no person: the pal writes nothing.
    value(obj("ian"), name, 0, str("Ian"));
    value(obj("ian"), pal, 0, str("Kim"));
    // No signature declares a set of names: they write nothing.
    members(obj("jack"), name, 1, {str("J"), str("Jack")});
    value(obj("jack"), pal, 0, obj("kim"));
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string nestedPal = "  <pal/>\n</person>\n\n";
    EXPECT_EQ(exported(2),
              declaration + "<person id='ann' \n  name='Ann'>\n" + nestedPal +
                  "<person id='carl' \n  name='Carl'>\n" + nestedPal + "<person id='erin'>\n" +
                  nestedPal + "<person id='gina' \n  name='Gina'>\n" + nestedPal +
                  "<person id='ian' \n  name='Ian'/>\n\n" + "<person id='jack'>\n" + nestedPal);
    isa(obj("lena"), person);
    value(obj("lena"), name, 0, str("Lena"));
    value(obj("lena"), pal, 0, obj("dora"));
    EXPECT_EQ(exported(2), declaration + "<person id='ann' \n  name='Ann'\n  pal='bob'/>\n\n" +
                               "<person id='carl' \n  name='Carl'\n  pal='dora'/>\n\n" +
                               "<person id='erin' \n  pal='fred'/>\n\n" +
                               "<person id='gina' \n  name='Gina'\n  pal='hank'/>\n\n" +
                               "<person id='ian' \n  name='Ian'/>\n\n" +
                               "<person id='jack' \n  pal='kim'/>\n\n" +
                               "<person id='lena' \n  name='Lena'\n  pal='dora'/>\n\n");
}

// The hosts of one class sequence written one after another: each writes its own values, also
// when the one before had entries of the same shapes, and a host whose value changes kind, or
// that has one more entry, is written as its entries say.
TEST_F(XMLExportCasesTest, HostsOfOneClassSequenceWriteTheirOwnValues) {
    const InternalName person = obj("person"), name = obj("name"), age = obj("age");
    value(person, name, 6, builtinObject::String);
    value(person, age, 6, builtinObject::Numeric);
    const auto number = [](int n) { return InternalName(n, InternalName::Integer, 0); };
    for (const char* who : {"ann", "bob", "carl", "dora", "erin", "fred", "gina"})
        isa(obj(who), person);
    value(obj("ann"), name, 0, str("Ann"));
    value(obj("ann"), age, 0, number(7));
    value(obj("bob"), name, 0, str("B&b's"));
    value(obj("bob"), age, 0, number(-8));
    // A string is no number: the age writes nothing.
    value(obj("carl"), name, 0, str("Carl"));
    value(obj("carl"), age, 0, str("old"));
    // An entry no signature declares writes nothing.
    value(obj("dora"), name, 0, str("Dora"));
    value(obj("dora"), age, 0, number(9));
    value(obj("dora"), obj("note"), 0, str("x"));
    value(obj("erin"), name, 0, str("Erin"));
    value(obj("erin"), age, 0, number(10));
    value(obj("fred"), name, 0, str("Fred"));
    value(obj("fred"), age, 0, number(11));
    value(obj("gina"), age, 0, number(12));
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string expected = declaration + "<person id='ann' \n  name='Ann'\n  age='7'/>\n\n" +
                                 "<person id='bob' \n  name='B&amp;b&apos;s'\n  age='-8'/>\n\n" +
                                 "<person id='carl' \n  name='Carl'/>\n\n";
    const std::string last =
        "<person id='erin' \n  name='Erin'\n  age='10'/>\n\n"
        "<person id='fred' \n  name='Fred'\n  age='11'/>\n\n"
        "<person id='gina' \n  age='12'/>\n\n";
    EXPECT_EQ(exported(2), expected + "<person id='dora' \n  name='Dora'\n  age='9'/>\n\n" + last);
    // A second export decides its steps again: the note is declared now.
    value(person, obj("note"), 6, builtinObject::String);
    EXPECT_EQ(exported(2),
              expected + "<person id='dora' \n  name='Dora'\n  age='9'\n  note='x'/>\n\n" + last);
}

// More hosts than the walk looks ahead for, and one host with more entries than it finds frames
// ahead for: a value held by the sets of two of them is shared, and no value of the method nests.
TEST_F(XMLExportCasesTest, SetsOfManyHostsAndOfAHostOfManyEntriesShareTheirValues) {
    const InternalName person = obj("person"), pal = obj("pal"), rank = obj("rank");
    value(person, pal, 7, person);
    value(person, rank, 6, obj("string"), {person});
    for (int tag = 0; tag < 9; ++tag)
        value(person, obj("t" + std::to_string(tag)), 6, obj("string"));
    const int hosts = 13;
    for (int at = 0; at < hosts; ++at) {
        const InternalName host = obj("h" + std::to_string(at));
        isa(host, person);
        isa(obj("x" + std::to_string(at)), person);
        members(host, pal, 1, {obj("x" + std::to_string(at))});
        value(host, rank, 0, str("r"), {host});
    }
    for (int tag = 0; tag < 9; ++tag) value(obj("h7"), obj("t" + std::to_string(tag)), 0, str("t"));
    std::string tags;
    for (int tag = 0; tag < 9; ++tag) tags += "\n  t" + std::to_string(tag) + "='t'";
    // Each pal is held by one set: nested in its host.
    std::string alone = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    for (int at = 0; at < hosts; ++at) {
        const std::string name = "h" + std::to_string(at);
        alone += "<person id='" + name + "'" + (at == 7 ? " " + tags : "") + ">\n  <rank person='" +
                 name + "' string='r'/>\n  <pal/>\n</person>\n\n";
    }
    EXPECT_EQ(exported(2), alone);
    // x3 is held by the sets of h3 and h7 as well: no pal is nested.
    members(obj("h7"), pal, 1, {obj("x7"), obj("x3")});
    std::string shared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    for (int at = 0; at < hosts; ++at) {
        const std::string name = "h" + std::to_string(at);
        shared += "<person id='" + name + "' " + (at == 7 ? tags : "") + "\n  pal='" +
                  (at == 7 ? "x3 x7" : "x" + std::to_string(at)) + "'>\n  <rank person='" + name +
                  "' string='r'/>\n</person>\n\n";
    }
    EXPECT_EQ(exported(2), shared);
}

// Strings and numbers are mostly answered by their kind alone; one that is nested, or has a
// frame of its own, is answered as itself.
TEST_F(XMLExportCasesTest, StringsAndNumbersNestedOrWithFramesOfTheirOwn) {
    const InternalName person = obj("person"), thing = obj("thing"), ann = obj("ann"),
                       bob = obj("bob");
    const InternalName seven(7, InternalName::Integer, 0);
    value(person, obj("name"), 6, obj("string"));
    value(person, obj("note"), 6, thing);
    value(person, obj("other"), 6, thing);
    isa(ann, person);
    isa(bob, person);
    value(ann, obj("name"), 0, str("Ann & <co>"));
    value(ann, obj("note"), 0, str("hello"));
    value(bob, obj("name"), 0, str("Bob"));
    value(bob, obj("other"), 0, seven);
    isa(str("hello"), thing);
    isa(seven, thing);
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string annHead = "<person id='ann' \n  name='Ann &amp; &lt;co&gt;'";
    // Each held once, the string and the number are nested: elements without entries.
    EXPECT_EQ(exported(2), declaration + annHead + ">\n  <note/>\n</person>\n\n" +
                               "<person id='bob' \n  name='Bob'>\n  <other/>\n</person>\n\n");
    // Held twice, each is written as a value.
    value(bob, obj("note"), 0, str("hello"));
    value(ann, obj("other"), 0, seven);
    EXPECT_EQ(exported(2),
              declaration + annHead + "\n  note='hello'\n  other='7'/>\n\n" +
                  "<person id='bob' \n  name='Bob'\n  note='hello'\n  other='7'/>\n\n");
}

// With string below a class, strings without frames are its members: one held once is nested.
TEST_F(XMLExportCasesTest, StringsWithoutFramesInADeclaredClass) {
    const InternalName person = obj("person"), thing = obj("thing"), ann = obj("ann"),
                       bob = obj("bob");
    sub(obj("string"), thing);
    value(person, obj("name"), 6, obj("string"));
    value(person, obj("note"), 6, thing);
    members(person, obj("tags"), 7, {thing});
    isa(ann, person);
    isa(bob, person);
    value(ann, obj("name"), 0, str("Ann"));
    value(ann, obj("note"), 0, str("hello"));
    members(ann, obj("tags"), 1, {str("a"), str("b")});
    value(bob, obj("name"), 0, str("Bob"));
    value(bob, obj("note"), 0, str("x"));
    members(bob, obj("tags"), 1, {str("b")});
    EXPECT_EQ(exported(2),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<person id='ann' \n  name='Ann'\n  tags='a b'>\n  <note/>\n</person>\n\n"
              "<person id='bob' \n  name='Bob'\n  tags='b'>\n  <note/>\n</person>\n\n");
}

class KavumExportTest : public ExportTest {
  protected:
    // A child element held by its parent: an "->>" entry named after it and the child relation.
    void child(const InternalName& parent, const char* name, const InternalName& element) {
        members(parent, obj(name), 1, {element});
        access->insertClassRelation(element, parent, IsaRelation::Child);
    }
    std::string fromRoot(const std::string& root, const std::string& docType = "") {
        ExportRequest request;
        request.format = 4;
        request.docType = docType;
        request.root = obj(root);
        auto handler = Ref<KavumExportHandler>::make(access);
        std::string text = debugOf([&] { handler->exportOM(request); });
        handler.reset();
        return text;
    }
};

TEST_F(KavumExportTest, DocumentFromItsRoot) {
    const InternalName doc = obj("d1"), head = obj("h1"), para = obj("p1"), ns = obj("q");
    child(doc, "head", head);
    child(doc, "para", para);
    members(head, obj("text()"), 1, {str("Title")});
    members(para, obj("lang"), 2, {str("en")});
    members(para, obj("qlang"), 2, {str("de"), str("fr")});
    value(para, obj("id"), 0, str("p-1"));
    isa(ns, builtinObject::Namespace);
    value(ns, obj("lang"), 0, obj("qlang"));
    EXPECT_EQ(fromRoot("d1", "doc"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<!DOCTYPE doc>\n"
              " <doc>\n"
              "   <head>\n"
              "     Title\n"
              "   </head>\n"
              "   <para id='p1'\n   lang='en'\n   q:lang='de fr'/>\n"
              " </doc>\n");
}

// A mapped element writes its attributes after single blanks; a long one wraps as in the export
// of F-Logic objects.
TEST_F(KavumExportTest, MappedElementsKeepTheirAttributesOnTheirLine) {
    const InternalName para = obj("p1");
    child(obj("d1"), "para", para);
    std::vector<InternalName> words;
    for (int i = 1; i <= 10; ++i)
        words.push_back(str("word_number_" + std::string(i < 10 ? "0" : "") + std::to_string(i)));
    members(para, obj("words"), 2, words);
    members(para, obj("lang"), 2, {str("en")});
    access->mapName(para, obj("p2"));
    // " words='" is 8 long and each member adds 15: the fifth and the tenth pass 80.
    EXPECT_EQ(fromRoot("d1", "doc"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<!DOCTYPE doc>\n"
              " <doc>\n"
              "   <para words='word_number_01 word_number_02 word_number_03 word_number_04 \n"
              "    word_number_05 word_number_06 word_number_07 word_number_08 word_number_09 \n"
              "    word_number_10' lang='en'/>\n"
              " </doc>\n");
}

// Without a document type the root element is named as any element; with no parent link to go
// by (the plain access layer answers no axis steps) after its class.
TEST_F(KavumExportTest, WithoutADocumentTypeTheRootIsNamedAsAnyElement) {
    isa(obj("ann"), obj("person"));
    value(obj("person"), obj("name"), 6, obj("string"));
    EXPECT_EQ(fromRoot("ann"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n <person/>\n");
    EXPECT_EQ(access->giveSymTab()->lookup("", InternalName::Function, 0), nullptr);
}

TEST_F(KavumExportTest, CyclesAndRootsWithoutFacts) {
    const InternalName a = obj("a"), b = obj("b");
    members(a, obj("next"), 1, {b});
    members(b, obj("next"), 1, {a});
    EXPECT_EQ(fromRoot("a", "doc"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<!DOCTYPE doc>\n"
              " <doc>\n"
              "   <next>\n"
              "     <next id='a'/>\n"
              "   </next>\n"
              " </doc>\n");
    EXPECT_EQ(fromRoot("nothing", "doc"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE doc>\n <doc/>\n");
}

TEST_F(KavumExportTest, ParentlessObjectsAndLiterals) {
    isa(obj("ann"), obj("person"));
    value(obj("person"), obj("name"), 6, obj("string"));
    auto handler = Ref<KavumExportHandler>::make(access);
    EXPECT_EQ(debugOf([&] { handler->writeObject(str("a<b"), 2); }), "a&lt;b");
    EXPECT_EQ(debugOf([&] { handler->writeObject(obj("ann"), 2); }), "  <person/>\n");
}

}  // namespace
