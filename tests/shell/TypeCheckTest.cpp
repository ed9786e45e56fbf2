// Type checking stored values against signatures: the reports and their messages.
#include <gtest/gtest.h>

#include "shell/DumpTestSupport.h"

namespace {

using dump_test::DumpTest;
using dump_test::reportedNames;

class TypeCheckTest : public DumpTest {
  protected:
    // The messages of the Type Violation reports of one check, and what it answered.
    std::vector<std::string> check() {
        messages.clear();
        ErrorCapture errors;
        Error::setOutputFilter(2);
        ChannelCapture answers(answerChannel());
        om->typeCheck();
        answered = answers.text();
        last = centralErrorHandler().getError();
        const std::string marker = "*** ERROR : ";
        const std::string text = errors.text();
        // Each report is "\n*** ERROR : " message "\n" and an end of line.
        for (std::size_t at = text.find(marker); at != std::string::npos;) {
            std::size_t begin = at + marker.size();
            std::size_t next = text.find("\n" + marker, begin);
            std::size_t end = next == std::string::npos ? text.size() : next;
            messages.push_back(text.substr(begin, end - begin - 2));
            at = next == std::string::npos ? next : next + 1;
        }
        return messages;
    }

    std::vector<std::string> messages;
    std::string answered;
    Error last = Error::ok();  // the last report of the check
};

TEST_F(TypeCheckTest, EmptyBaseAndCleanBase) {
    check();
    EXPECT_EQ(answered, "No violation of typing conditions found\n");
    EXPECT_TRUE(messages.empty());

    InternalName john = obj("john"), person = obj("person"), age = obj("age");
    isa(john, person);
    members(person, age, 6, {obj("years")});
    value(john, age, 0, obj("y30"));
    isa(obj("y30"), obj("years"));
    check();
    EXPECT_EQ(answered, "No violation of typing conditions found\n");
}

TEST_F(TypeCheckTest, ValueOutsideTheSignatureClass) {
    InternalName john = obj("john"), person = obj("person"), age = obj("age");
    isa(john, person);
    members(person, age, 6, {obj("integer")});
    value(john, age, 0, obj("30"));
    EXPECT_EQ(check(), std::vector<std::string>{"Violation of typing conditions found in : \n"
                                                "john [age -> 30]. \n"
                                                "result 30 is not a member of class integer\n"});
    EXPECT_EQ(answered, "");
    EXPECT_EQ(last.getName(), "Type Violation");
    EXPECT_EQ(last.getOrigin(), 5);
    EXPECT_EQ(last.getNumber(), 41);
    EXPECT_EQ(last.getWhere(), "MainMemOM::errormessage");
}

TEST_F(TypeCheckTest, MissingSignatureOrDeclaringClass) {
    InternalName john = obj("john"), person = obj("person"), age = obj("age");
    value(john, obj("name"), 0, obj("\"John\""));
    members(person, age, 6, {obj("integer")});
    value(john, age, 0, obj("30"));
    value(obj("kid"), age, 3, obj("4"));
    // john's entries in method order: age was named first.
    EXPECT_EQ(check(),
              (std::vector<std::string>{
                  "Violation of typing conditions found in : \n"
                  "john [age -> 30]. \n"
                  "john is not a member of a class which provides signature for method age",
                  "Violation of typing conditions found in : \n"
                  "john [name -> \"John\"]. \n"
                  "there is no signature at all for method name",
                  "Violation of typing conditions found in : \n"
                  "kid [age *-> 4]. \n"
                  "kid is not a subclass of a class which provides signature for method "
                  "age"}));
}

TEST_F(TypeCheckTest, ArgumentCombinationsAreNumbered) {
    InternalName john = obj("john"), person = obj("person"), pay = obj("pay");
    InternalName year = obj("year"), money = obj("money");
    InternalName y1 = obj("y1"), y2 = obj("y2"), m1 = obj("m1"), m2 = obj("m2");
    isa(john, person);
    isa(y1, year);
    isa(m2, money);
    members(person, pay, 6, {money}, {year});
    value(john, pay, 0, m1, {y1});  // a result outside money
    value(john, pay, 0, m2, {y2});  // arguments that fit no signature
    EXPECT_EQ(check(), std::vector<std::string>{
                           "Violation of typing conditions found in : \n"
                           "john [pay@(y1) -> m1;\n  pay@(y2) -> m2]. \n"
                           "result m1 of 1. parameter combination is not a member of class money\n"
                           "method argument(s) in 2. parameter combination doesn't hold class "
                           "membership \n\n"});
}

TEST_F(TypeCheckTest, SetValuesMemberByMemberAndOnlyApplyingClasses) {
    InternalName john = obj("john"), person = obj("person"), robot = obj("robot");
    InternalName kids = obj("kids"), mary = obj("mary"), bob = obj("bob");
    isa(john, person);
    isa(mary, person);
    members(person, kids, 7, {person});
    members(robot, kids, 7, {robot});  // john is no robot: not checked
    members(john, kids, 1, {mary, bob});
    EXPECT_EQ(check(), std::vector<std::string>{"Violation of typing conditions found in : \n"
                                                "john [kids ->> {mary,\n    bob}]. \n"
                                                "result bob is not a member of class person\n"});
}

TEST_F(TypeCheckTest, OneReportPerViolatingClass) {
    InternalName john = obj("john"), age = obj("age");
    isa(john, obj("person"));
    isa(john, obj("worker"));
    members(obj("person"), age, 6, {obj("integer")});
    members(obj("worker"), age, 6, {obj("number")});
    value(john, age, 0, obj("a30"));
    EXPECT_EQ(check(), (std::vector<std::string>{"Violation of typing conditions found in : \n"
                                                 "john [age -> a30]. \n"
                                                 "result a30 is not a member of class integer\n",
                                                 "Violation of typing conditions found in : \n"
                                                 "john [age -> a30]. \n"
                                                 "result a30 is not a member of class number\n"}));
}

TEST_F(TypeCheckTest, BuiltInClassesInPlainMode) {
    // The parser binds the symbol string to an ordinary object; it still means every string.
    InternalName john = obj("john"), person = obj("person"), name = obj("name");
    InternalName string;
    om->getOrCreateName(builtinSymbol::String, string);
    isa(john, person);
    members(person, name, 6, {string});
    value(john, name, 0, str("John"));
    check();
    EXPECT_EQ(answered, "No violation of typing conditions found\n");
}

}  // namespace
