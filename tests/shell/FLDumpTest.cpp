// End-to-end tests of the F-Logic dump: one golden text of a base holding every kind of piece.
#include <gtest/gtest.h>

#include "shell/DumpTestSupport.h"

namespace {

using dump_test::DumpTest;

TEST_F(DumpTest, FLogicDumpOfEveryKindOfPiece) {
    InternalName animal = obj("animal"), person = obj("person"), employee = obj("employee");
    InternalName john = obj("john"), mary = obj("mary"), ann = obj("ann"), tom = obj("tom");
    InternalName name = obj("name"), weight = obj("weight"), boss = obj("boss");
    InternalName family = obj("family"), salary = obj("salary"), kids = obj("kids");
    InternalName friends = obj("friends"), color = obj("color"), tags = obj("tags");
    InternalName age = obj("age"), integer = obj("integer"), attr = obj("attr");
    InternalName inh = obj("inh"), sig = obj("sig"), spouse = obj("spouse");
    InternalName likes = obj("likes"), size = obj("size"), len = obj("len");

    sub(person, animal);
    isa(john, person);
    isa(john, employee);
    isa(tom, person);
    value(john, name, 0, str("Jo \"J\"\tS\n"));
    value(john, weight, 0, obj("#72.5"));
    InternalName bossTerm;
    InternalName bossArgs[] = {mary, obj("3")};
    om->getFunctionObject(function("f", 2), bossArgs, 2, bossTerm);
    value(john, boss, 0, bossTerm);
    InternalName tail, list;
    InternalName tailArgs[] = {ann, builtinObject::Nil};
    om->getFunctionObject(builtinSymbol::Cons, tailArgs, 2, tail);
    InternalName listArgs[] = {mary, tail};
    om->getFunctionObject(builtinSymbol::Cons, listArgs, 2, list);
    value(john, family, 0, list);
    value(john, salary, 0, obj("100"), {obj("2020")});
    value(john, salary, 0, obj("200"), {obj("2021")});
    members(john, kids, 1, {mary});
    members(john, friends, 1, {ann, mary});
    value(john, color, 3, str("red"));
    members(john, tags, 4, {mary});
    value(john, age, 6, integer);
    members(john, kids, 7, {person, animal});
    members(john, attr, 2, {obj("x")});
    members(john, inh, 5, {obj("y")});
    members(john, sig, 8, {obj("z")});
    InternalName spouseOfMary, sizeOfAbc;
    om->getOrCreateScalarValue(mary, spouse, nullptr, 0, 0, spouseOfMary);
    value(ann, likes, 0, spouseOfMary);
    om->getOrCreateScalarValue(str("abc"), len, nullptr, 0, 0, sizeOfAbc);
    value(ann, size, 0, sizeOfAbc);
    InternalName row[] = {mary, str("s")};
    om->addPredicate(pred("p", 2), row, 2);
    om->addPredicate(pred("q", 0), nullptr, 0);

    // Objects in identifier order, the built-in classes string and numeric left out; every
    // object ends with an empty line, a predicate's tuples too.
    EXPECT_EQ(debugOf([&] { om->dump(1); }),
              "person :: animal.\n"
              "\n"
              "john : person.\n"
              "john : employee.\n"
              "john [name -> \"Jo \\\"J\\\"\\tS\\n\";\n"
              "  weight -> #72.5;\n"
              "  boss -> f(mary,3);\n"
              "  family -> [mary,ann];\n"
              "  salary@(2020) -> 100;\n"
              "  salary@(2021) -> 200;\n"
              "  kids ->> {mary};\n"
              "  friends ->> {mary,\n"
              "    ann};\n"
              "  color *-> \"red\";\n"
              "  tags *->> {mary};\n"
              "  age => (integer);\n"
              "  kids =>> (animal,\n"
              "    person);\n"
              "  @attr ->> {x};\n"
              "  @inh *->> {y};\n"
              "  @sig =>> (z)].\n"
              "\n"
              "mary [spouse -> mary.spouse].\n"
              "\n"
              "ann [likes -> mary.spouse;\n"
              "  size -> \"abc\".len].\n"
              "\n"
              "tom : person.\n"
              "\n"
              "\"abc\" [len -> \"abc\".len].\n"
              "\n"
              "p(mary,\"s\").\n"
              "\n"
              "q.\n"
              "\n");
}

}  // namespace
