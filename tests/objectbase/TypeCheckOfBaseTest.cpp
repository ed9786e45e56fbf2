// The type check of a base: values inside their signatures' classes pass, a value outside, an
// entry without a signature and a row whose arguments fit no signature row are reported.
#include <gtest/gtest.h>

#include <vector>

#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/TypeCheck.h"

namespace {

using namespace objectbase_test;

class TypeCheckOfBaseTest : public ObjectManagerTest {
  protected:
    void value(const InternalName& host, const InternalName& method, int type,
               const InternalName& v, std::vector<InternalName> args = {}) {
        om->insertMethodValue(host, method, args.data(), int(args.size()), type, v);
    }
    // Runs one check: what it answered, and the last report (none: an empty name).
    std::string check() {
        centralErrorHandler().reset();
        ChannelCapture answers(answerChannel());
        testing::internal::CaptureStderr();
        TypeCheck(*om).run();
        testing::internal::GetCapturedStderr();
        return answers.text();
    }
    std::string reported() { return centralErrorHandler().getError().getName(); }

    static constexpr const char* Clean = "No violation of typing conditions found\n";
};

TEST_F(TypeCheckOfBaseTest, AnEmptyBaseIsClean) {
    EXPECT_EQ(check(), Clean);
    EXPECT_NE(reported(), "Type Violation");
}

TEST_F(TypeCheckOfBaseTest, ValuesInsideTheirClassesPass) {
    const InternalName john = obj("john"), person = obj("person"), age = obj("age");
    om->insertIsa(john, person, 1);
    value(person, age, 6, obj("years"));
    value(john, age, 0, obj("y30"));
    om->insertIsa(obj("y30"), obj("years"), 1);
    EXPECT_EQ(check(), Clean);
    // An inheritable entry is checked against the classes its host lies below.
    om->insertIsa(obj("kid"), person, 2);
    value(obj("kid"), age, 3, obj("y4"));
    om->insertIsa(obj("y4"), obj("years"), 1);
    EXPECT_EQ(check(), Clean);
}

TEST_F(TypeCheckOfBaseTest, AValueOutsideItsClassIsReported) {
    const InternalName john = obj("john"), person = obj("person"), age = obj("age");
    om->insertIsa(john, person, 1);
    value(person, age, 6, obj("years"));
    value(john, age, 0, obj("thirty"));
    EXPECT_EQ(check(), "");
    EXPECT_EQ(reported(), "Type Violation");
    EXPECT_EQ(centralErrorHandler().getError().getWhere(), "MainMemOM::errormessage");
}

TEST_F(TypeCheckOfBaseTest, AnEntryWithoutSignatureIsReported) {
    value(obj("john"), obj("name"), 0, obj("jo"));
    EXPECT_EQ(check(), "");
    EXPECT_EQ(reported(), "Type Violation");
}

TEST_F(TypeCheckOfBaseTest, RowsWithArgumentsAreCheckedRowByRow) {
    const InternalName john = obj("john"), person = obj("person"), pay = obj("pay");
    const InternalName year = obj("year"), money = obj("money");
    om->insertIsa(john, person, 1);
    value(person, pay, 6, money, {year});
    om->insertIsa(obj("y2020"), year, 1);
    om->insertIsa(obj("m100"), money, 1);
    value(john, pay, 0, obj("m100"), {obj("y2020")});
    EXPECT_EQ(check(), Clean);
    // An argument outside the signature's argument class fits no signature row.
    value(john, pay, 0, obj("m100"), {obj("tuesday")});
    EXPECT_EQ(check(), "");
    EXPECT_EQ(reported(), "Type Violation");
}

}  // namespace
