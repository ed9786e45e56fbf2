// Tests of the DTD grammar: DTD texts and the models they give, the attachment of attribute
// lists and subclasses, and the texts rejected with their reports.
#include <gtest/gtest.h>

#include <string>

#include "DTDPoolCount.h"
#include "DTDPrintForm.h"
#include "language/ReportText.h"
#include "support/ChannelCapture.h"
#include "xml/DTDParser.h"

namespace {

// The model of a text, or "null", then "ok=0" when the parse failed, the reports (the message
// alone) after "| ", and any model object the parse and the release left behind.
std::string parsed(const std::string& text) {
    dtdtest::PoolCount pools;
    ErrorCapture errors;
    Error::setOutputFilter(2);
    auto parser = Ref<DTDParser>::make();
    parser->openString(text);
    int ok = -1;
    auto dtd = Ref<InternalDTD>::adopt(parser->parse(&ok));
    std::string out = dtdtest::printForm(dtd.get());
    dtd.reset();
    parser.reset();
    if (ok != 1) out += "ok=" + std::to_string(ok) + "\n";
    std::string reports = reportText(errors);
    if (!reports.empty()) out += "| " + reports;
    if (!pools.inUse().empty()) out += "left in use: " + pools.inUse() + "\n";
    return out;
}

struct Case {
    const char* what;
    const char* dtd;
    const char* model;
};

void check(const Case& c) {
    EXPECT_EQ(parsed(c.dtd), c.model) << c.what << "\n" << c.dtd;
}

TEST(DTDGrammar, ContentModels) {
    const Case cases[] = {
        {"empty input", "", ""},
        {"only blanks and line ends", " \n\t\r\n ", ""},
        {"a carriage return alone is a blank", "<!ELEMENT\ra\rANY>", "element a any\n"},
        {"#PCDATA alone", "<!ELEMENT a (#PCDATA)>", "element a pcdata\n  sub PCDATA 1 1\n"},
        {"mixed content", "<!ELEMENT a (#PCDATA|b)*>",
         "element a mixed\n  sub PCDATA 0 1000\n  sub b 0 1000\n"},
        {"a repeated sequence", "<!ELEMENT a (b,c)*>",
         "element a elements\n  sub b 0 1000\n  sub c 0 1000\n"},
        {"minimisation and EMPTY", "<!ELEMENT a - O EMPTY>", "element a empty\n"},
        {"occurrence indicators", "<!ELEMENT a (b, c?, d*, e+)>",
         "element a elements\n  sub b 1 1\n  sub c 0 1\n  sub d 0 1000\n  sub e 1 1000\n"},
        {"a name twice in a sequence", "<!ELEMENT a (b, c, b)>",
         "element a elements\n  sub b 2 2\n  sub c 1 1\n"},
        {"a choice keeps each branch's bounds", "<!ELEMENT a (b | c+ | b?)>",
         "element a elements\n  sub b 0 1\n  sub c 1 1000\n"},
        {"'&' adds like ','", "<!ELEMENT a (b & c & b)>",
         "element a elements\n  sub b 2 2\n  sub c 1 1\n"},
        {"nested groups with suffixes", "<!ELEMENT a (t, (b | c)+, (d, e?)?, (f)*)>",
         "element a elements\n  sub t 1 1\n  sub b 1 1000\n  sub c 1 1000\n  sub d 0 1\n"
         "  sub e 0 1\n  sub f 0 1000\n"},
        {"#PCDATA in a nested group makes mixed content", "<!ELEMENT a (b, (#PCDATA | c))>",
         "element a mixed\n  sub b 1 1\n  sub PCDATA 1 1\n  sub c 1 1\n"},
        {"a group of one member", "<!ELEMENT a ((b))>", "element a elements\n  sub b 1 1\n"},
        {"line ends and comments inside", "<!ELEMENT\na -- first --\n- O -- second -- (b)\n>",
         "element a elements\n  sub b 1 1\n"},
        {"exclusions, inclusions or both",
         "<!ELEMENT a - - (b) -(c|d)>"
         "<!ELEMENT b - - (c) +(d)>"
         "<!ELEMENT c - - (d) -(e) +(f, g)>",
         "element a elements\n  sub b 1 1\n"
         "element b elements\n  sub c 1 1\n"
         "element c elements\n  sub d 1 1\n"},
        {"names with digits, dots, hyphens, colons and other bytes",
         "<!ELEMENT x-1.a:b (h1 | caf\xc3\xa9)>",
         "element x-1.a:b elements\n  sub h1 1 1\n  sub caf\xc3\xa9 1 1\n"},
    };
    for (const Case& c : cases) check(c);
}

TEST(DTDGrammar, AttributeDefinitions) {
    const Case cases[] = {
        {"two definitions", "<!ATTLIST a c CDATA #IMPLIED d ID #REQUIRED>",
         "attlist a\n  attr c cdata 0 1 req=0 [CDATA]\n  attr d id 0 1 req=1 [ID]\n"},
        {"single and double quotes give the same value",
         "<!ATTLIST a x CDATA 'v \"w\"' y CDATA \"v 'w'\">",
         "attlist a\n  attr x cdata 0 1 req=0 default=v \"w\" [CDATA]\n"
         "  attr y cdata 0 1 req=0 default=v 'w' [CDATA]\n"},
        {"an empty literal and a literal over two lines", "<!ATTLIST a x CDATA '' y CDATA 'p\nq'>",
         "attlist a\n  attr x cdata 0 1 req=0 default= [CDATA]\n"
         "  attr y cdata 0 1 req=0 default=p\nq [CDATA]\n"},
        {"#FIXED, #CURRENT and #CONREF",
         "<!ATTLIST a v CDATA #FIXED \"1.0\" w CDATA #CURRENT x CDATA #CONREF>",
         "attlist a\n  attr v cdata 0 1 req=0 fixed=1.0 [CDATA]\n"
         "  attr w cdata 0 1 req=0 [CDATA]\n  attr x cdata 0 1 req=0 [CDATA]\n"},
        {"references and tokens",
         "<!ATTLIST a r IDREF #IMPLIED s IDREFS #IMPLIED "
         "t NMTOKEN #IMPLIED u NMTOKENS #IMPLIED>",
         "attlist a\n  attr r ref 0 1 req=0 [IDREF]\n  attr s ref 0 1000 req=0 [IDREFS]\n"
         "  attr t token 0 1 req=0 [NMTOKEN]\n  attr u token 0 1000 req=0 [NMTOKENS]\n"},
        {"the other declared types are tokens",
         "<!ATTLIST a e ENTITY #IMPLIED f ENTITIES #IMPLIED g NAME #IMPLIED h NAMES #IMPLIED "
         "i NUMBER #IMPLIED j NUMBERS #IMPLIED k NUTOKEN #IMPLIED l NUTOKENS #IMPLIED>",
         "attlist a\n  attr e token 0 1 req=0 [ENTITY]\n  attr f token 0 1000 req=0 [ENTITIES]\n"
         "  attr g token 0 1 req=0 [NAME]\n  attr h token 0 1000 req=0 [NAMES]\n"
         "  attr i token 0 1 req=0 [NUMBER]\n  attr j token 0 1000 req=0 [NUMBERS]\n"
         "  attr k token 0 1 req=0 [NUTOKEN]\n  attr l token 0 1000 req=0 [NUTOKENS]\n"},
        {"enumerations, NOTATION groups included",
         "<!ATTLIST a c (red|green|blue) red n NOTATION (gif | png) #REQUIRED>",
         "attlist a\n  attr c enum 1 1 req=0 default=red (red|green|blue)\n"
         "  attr n enum 1 1 req=1 (gif|png) [NOTATION]\n"},
        {"a bare name default is kept whole", "<!ATTLIST a side NAME left n NUMBER 10>",
         "attlist a\n  attr side token 0 1 req=0 default=left [NAME]\n"
         "  attr n token 0 1 req=0 default=10 [NUMBER]\n"},
        {"keywords and the minimisation letter stand for names",
         "<!ATTLIST p ID ID #IMPLIED O CDATA CDATA CDATA CDATA ID>"
         "<!ELEMENT o - - (#PCDATA)><!ELEMENT EMPTY O O EMPTY><!SUBCLASS ANY SYSTEM>",
         "element o pcdata\n  sub PCDATA 1 1\nelement EMPTY empty\n"
         "attlist p\n  attr ID id 0 1 req=0 [ID]\n"
         "  attr O cdata 0 1 req=0 default=CDATA [CDATA]\n"
         "  attr CDATA cdata 0 1 req=0 default=ID [CDATA]\n"
         "subclass ANY\n  subclass SYSTEM\n"},
        {"a list without definitions and a name group",
         "<!ATTLIST a><!ATTLIST (b|c) x ID #IMPLIED>",
         "attlist a\nattlist b\n  attr x id 0 1 req=0 [ID]\nattlist c\n  attr x id 0 1 req=0 "
         "[ID]\n"},
    };
    for (const Case& c : cases) check(c);
}

TEST(DTDGrammar, CommentsInstructionsAndEmptyDeclarations) {
    const Case cases[] = {
        {"an XML text declaration first",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!ELEMENT a EMPTY>", "element a empty\n"},
        {"instructions over lines and empty ones", "<?pi one\ntwo?><?><!ELEMENT a ANY>",
         "element a any\n"},
        {"a comment with markup inside", "<!-- <!ELEMENT x ANY> -->", ""},
        {"several comments in one declaration", "<!-- one -- -- two-with-dashes - -->", ""},
        {"an empty comment", "<!---->", ""},
        {"an empty declaration", "<!><!ELEMENT a ANY><!>", "element a any\n"},
    };
    for (const Case& c : cases) check(c);
}

TEST(DTDGrammar, AttributeListsAndSubclassesJoinTheirElements) {
    const char* dtd =
        "<!ATTLIST a x CDATA #IMPLIED y CDATA #IMPLIED x ID #IMPLIED>\n"
        "<!ELEMENT a (b)>\n"
        "<!ELEMENT b EMPTY>\n"
        "<!ATTLIST (a|b) y ID #REQUIRED z NMTOKENS #IMPLIED>\n"
        "<!ATTLIST nowhere w CDATA #IMPLIED>\n"
        "<!SUBCLASS a c>\n"
        "<!SUBCLASS a b>\n"
        "<!SUBCLASS a c>\n"
        "<!SUBCLASS ghost d>\n";
    // The first definition of a name holds; lists append in text order; a list or a subclass
    // for an undeclared element stays in its own list only.
    const char* model =
        "element a elements\n  sub b 1 1\n"
        "  attr x cdata 0 1 req=0 [CDATA]\n  attr y cdata 0 1 req=0 [CDATA]\n"
        "  attr z token 0 1000 req=0 [NMTOKENS]\n"
        "  subclass b\n  subclass c\n"
        "element b empty\n"
        "  attr y id 0 1 req=1 [ID]\n  attr z token 0 1000 req=0 [NMTOKENS]\n"
        "attlist a\n  attr x cdata 0 1 req=0 [CDATA]\n  attr y cdata 0 1 req=0 [CDATA]\n"
        "  attr x id 0 1 req=0 [ID]\n"
        "attlist a\n  attr y id 0 1 req=1 [ID]\n  attr z token 0 1000 req=0 [NMTOKENS]\n"
        "attlist b\n  attr y id 0 1 req=1 [ID]\n  attr z token 0 1000 req=0 [NMTOKENS]\n"
        "attlist nowhere\n  attr w cdata 0 1 req=0 [CDATA]\n"
        "subclass a\n  subclass c\nsubclass a\n  subclass b\nsubclass a\n  subclass c\n"
        "subclass ghost\n  subclass d\n";
    EXPECT_EQ(parsed(dtd), model);
}

TEST(DTDGrammar, RejectedTextsAreReportedOnce) {
    const Case cases[] = {
        {"a document type declaration", "<!DOCTYPE a [ <!ELEMENT a ANY> ]>",
         "null\nok=0\n| line 1 parse error near '<!DOCTYPE' : parse error\n"},
        {"an entity declaration", "<!ELEMENT a ANY>\n<!ENTITY e \"x\">",
         "null\nok=0\n| line 2 parse error near '<!ENTITY' : parse error\n"},
        {"a notation declaration", "<!NOTATION gif SYSTEM \"viewer\">",
         "null\nok=0\n| line 1 parse error near '<!NOTATION' : parse error\n"},
        {"a lower-case opener", "<!element a (#PCDATA)>",
         "null\nok=0\n| line 1 parse error near '<!element' : parse error\n"},
        {"a lower-case keyword is a name", "<!ELEMENT a - - empty>",
         "null\nok=0\n| line 1 parse error near 'empty' : parse error\n"},
        {"inclusions before exclusions", "<!ELEMENT a - - (b) +(c) -(d)>",
         "null\nok=0\n| line 1 parse error near '-(' : parse error\n"},
        {"two connectors in one group", "<!ELEMENT a (b, c | d)>",
         "null\nok=0\n| line 1 parse error near '|' : parse error\n"},
        {"an empty group", "<!ELEMENT a ()>",
         "null\nok=0\n| line 1 parse error near ')' : parse error\n"},
        {"a declaration cut off by the end of the input", "<!ELEMENT a (b)",
         "null\nok=0\n| line 1 parse error near '' : parse error\n"},
        {"a comment never closed", "<!ELEMENT a ANY>\n<!-- open\n",
         "null\nok=0\n| line 3 parse error near '' : parse error\n"},
        {"a default missing", "<!ATTLIST a b CDATA>",
         "null\nok=0\n| line 1 parse error near '>' : parse error\n"},
        {"#FIXED without a literal", "<!ATTLIST a b CDATA #FIXED v>",
         "null\nok=0\n| line 1 parse error near 'v' : parse error\n"},
        {"a parameter entity reference", "<!ELEMENT a % b>",
         "null\nok=0\n| line 1 parse error near '%' : parse error\n"},
        {"the error of the third line", "<!ELEMENT a ANY>\n<!ELEMENT b ANY>\n<!ELEMENT c = d>",
         "null\nok=0\n| line 3 parse error near '=' : parse error\n"},
        {"CRLF line ends count once", "<!ELEMENT a ANY>\r\n<!ELEMENT b = c>",
         "null\nok=0\n| line 2 parse error near '=' : parse error\n"},
    };
    for (const Case& c : cases) check(c);
}

TEST(DTDGrammar, TheStartConditionStackHoldsAHundredEntries) {
    auto nested = [](int groups) {
        return "<!ELEMENT a " + std::string(groups, '(') + "b" + std::string(groups, ')') + ">";
    };
    // Two entries at the start, one for the declaration, one a group.
    EXPECT_EQ(parsed(nested(97)), "element a elements\n  sub b 1 1\n");
    // The four groups without an entry end outside any group, where ")" is no token: the
    // characters are dropped, and the grammar's error is not reported.
    testing::internal::CaptureStdout();
    EXPECT_EQ(parsed(nested(101)),
              "null\nok=0\n| line 1 parse error near '(' : Lex state stack  overflow\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(DTDGrammar, CharactersNoRuleTakesAreDropped) {
    testing::internal::CaptureStdout();
    std::string model = parsed("stray text! <!ELEMENT a (b) $>");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(model, "element a elements\n  sub b 1 1\n");
}

}  // namespace
