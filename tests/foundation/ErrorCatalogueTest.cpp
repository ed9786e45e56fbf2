// A table-driven check of a sample of catalogue constants from every origin against their texts,
// including the awkward ones: line breaks, tabs, trailing blanks and names made unique.
#include <gtest/gtest.h>

#include "foundation/ErrorCatalogue.h"

namespace {

struct Expected {
    const Error* constant;
    int origin, number, seriousness;
    const char *name, *message, *where, *extra;
};

TEST(ErrorCatalogue, SampleMatchesTheTexts) {
    const Expected samples[] = {
        {&err4::NoNormalizedProgram, 4, 111, 2, "NoNormalizedProgram",
         "There isn't any normalized program for trigger finder due to previous error.",
         "NaiveEvalWithInherit", " "},
        {&err5::UnknownIterType, 5, 13, 2, "UnknownIterType",
         "Got pointer of  unknown iterator type to reinitialise, given pointer is deleted and new "
         "pointer of known type is created",
         "Message could be generated in different functions  ", ""},
        {&err5::GotNullPointer, 5, 1000, 2, "Got null pointer", "Got null pointer!!!",
         "Global function", ""},
        {&err6::Unnamed_3, 6, 8, 2, "",
         "Invalid use of LeftRefIter, not allowed to use undefined object for host",
         " RightRefIter::initialize() ", ""},
        {&err7::WrongNode_2, 7, 2, 2, "WrongNode",
         "SemanticAnalyser works only with FProgram or FRule. No analysation done.",
         "\tSemanticAnalyser::analyse(ParseTreeNode*) ", ""},
        {&err11::WrongPathExpression, 11, 1007, 2, "WrongPathExpression",
         "Only simple scalar paths are allowed in system commands. \nUse format "
         "?- sys.object.method@(args).",
         "FLSysInterpreter::...", ""},
        {&err11::WrongArgument_2, 11, 2010, 2, "WrongArgument",
         "A method was called with an invalid argument. ", "FLSysObject::...", ""},
        {&err11::WrongArgument_3, 11, 2020, 2, "WrongArgument",
         "A method was called with an invalid argument. ", "FLSysObject::...", ""},
        {&err13::ObscureBody, 13, 116, 2, "ObscureBody",
         "Semantically obscure rule with negation deleted ! ", "Normalizer", " "},
    };
    for (const Expected& e : samples) {
        SCOPED_TRACE(e.message);
        EXPECT_EQ(e.constant->getOrigin(), e.origin);
        EXPECT_EQ(e.constant->getNumber(), e.number);
        EXPECT_EQ(e.constant->getSeriousness(), e.seriousness);
        EXPECT_EQ(e.constant->getName(), e.name);
        EXPECT_EQ(e.constant->getMessage(), e.message);
        EXPECT_EQ(e.constant->getWhere(), e.where);
        EXPECT_EQ(e.constant->getExtra(), e.extra);
    }
}

TEST(ErrorCatalogue, TwoLineMessagePrintsOnTwoLines) {
    const int saved = Error::getOutputFilter();
    Error::setOutputFilter(2);
    EXPECT_EQ(err11::WrongPathExpression.describe(),
              "Only simple scalar paths are allowed in system commands. \n"
              "Use format ?- sys.object.method@(args).\n");
    Error::setOutputFilter(saved);
    // Records sharing origin and number are the same condition.
    EXPECT_EQ(err6::InvalidUse, err6::InvalidUse_5);
    EXPECT_NE(err11::WrongArgument_2, err11::WrongArgument_3);
}

}  // namespace
