// The fixture of the tests that evaluate rule bodies over one small object base: is-a and
// subclass facts, predicates and method values entered through the access layer.
#pragma once

#include <gtest/gtest.h>

#include "compile/CompileTestSupport.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/MainMemOM.h"
#include "support/RuleHarness.h"

class RuleBaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        centralErrorHandler().setKeepMostSerious(0);
        harness.relate = [this](const InternalName& object, const InternalName& cls, int kind) {
            access->relate(object, cls, kind);
        };
        harness.facts("a : c. b : c. d : c. a : e. b : e. f(a) : c. f(b) : g. c :: k. e :: k.");
    }
    void TearDown() override { centralErrorHandler().setKeepMostSerious(1); }
    ~RuleBaseTest() override {
        decRef(access);
        decRef(om);
    }

    MainMemOM* om = new MainMemOM();
    compile_test::TestAccess* access = new compile_test::TestAccess(om);
    rule_test::RuleHarness harness{access};
};
