// Tests of the Kavum rule-head creator: the axis that head steps and specifications carry reaches
// the XML access layer in build and direct mode, and over a plain access layer the creator says
// so once and inserts as the plain creator does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile/AlgebraicEval.h"
#include "compile/Translator.h"
#include "eval/Matcher.h"
#include "eval/NaiveEval.h"
#include "foundation/FLSysObject.h"
#include "foundation/clib_list.h"
#include "language/FParser.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/PevoParser.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"
#include "xml/XMLCreator1.h"
#include "xml/XMLOMAccess.h"
#include "xml/XPathRewriter.h"

namespace {

// An XML access layer that notes every insertion along an axis that reaches it from outside as
// "kind method axis" and then inserts as usual (its own insertions call one another).
class RecordingXMLOMAccess : public XMLOMAccess {
  public:
    using XMLOMAccess::XMLOMAccess;

    int insertXMLPath(const InternalName& host, const InternalName& method,
                      const InternalName* args, int argCount, PathStep type, Axis axis,
                      InternalName& result) override {
        note("path", method, axis);
        ++depth;
        const int answer =
            XMLOMAccess::insertXMLPath(host, method, args, argCount, type, axis, result);
        --depth;
        return answer;
    }
    int insertXMLSet(const InternalName& host, const InternalName& method, const InternalName* args,
                     int argCount, MethodType type, Axis axis,
                     const set<InternalName>& values) override {
        note("set", method, axis);
        ++depth;
        const int answer =
            XMLOMAccess::insertXMLSet(host, method, args, argCount, type, axis, values);
        --depth;
        return answer;
    }
    int insertXMLValue(const InternalName& host, const InternalName& method,
                       const InternalName* args, int argCount, MethodType type, Axis axis,
                       const InternalName& value) override {
        note("value", method, axis);
        ++depth;
        const int answer =
            XMLOMAccess::insertXMLValue(host, method, args, argCount, type, axis, value);
        --depth;
        return answer;
    }

    std::vector<std::string> calls;

  private:
    int depth = 0;

    void note(const char* kind, const InternalName& method, Axis axis) {
        if (depth > 0) return;
        std::string text;
        giveLexicalForm(method, text);
        calls.push_back(std::string(kind) + " " + text + " " + std::to_string(code(axis)));
    }
};

// The naive evaluator over an XMLCreator1; clauses are parsed as Pevo (and rewritten as the
// Kavum mode does) or as F-Logic.
class CreatorPipeline {
  public:
    explicit CreatorPipeline(OMAccess* layer)
        : access(layer),
          creator(new XMLCreator1(layer)),
          algebra(new AlgebraicEval(layer)),
          matcher(new Matcher(translator, creator, algebra, nullptr)),
          naive(new NaiveEval(matcher, layer)) {}
    ~CreatorPipeline() {
        decRef(naive);
        decRef(matcher);
        decRef(algebra);
        decRef(creator);
        decRef(translator);
        decRef(rewriter);
        decRef(access);
        decRef(om);
    }
    CreatorPipeline(const CreatorPipeline&) = delete;
    CreatorPipeline& operator=(const CreatorPipeline&) = delete;

    int runPevo(const std::string& text) { return run(text, true); }
    int runFLogic(const std::string& text) { return run(text, false); }

    MainMemOM* om = nullptr;  // set by the maker, released last
    OMAccess* access;
    Translator* translator = new Translator(1);
    XPathRewriter* rewriter = new XPathRewriter;
    XMLCreator1* creator;
    AlgebraicEval* algebra;
    Matcher* matcher;
    NaiveEval* naive;

  private:
    int run(const std::string& text, bool pevo) {
        SymTab* names = access->giveSymTab();
        FParser* parser =
            pevo ? static_cast<FParser*>(new PevoParser) : static_cast<FParser*>(new FLogicParser);
        parser->setInputString(text);
        auto* rules = new clib_list<FRule*>;
        std::vector<FRule*> parsed;
        for (int calls = 0; !parser->atEnd() && calls < 20; ++calls) {
            int ok = 0;
            FRule* rule = parser->parse(names, &ok);
            if (rule == nullptr) break;
            if (pevo) rewriter->rewriteClause(rule, names);
            rules->append(rule);
            parsed.push_back(rule);
        }
        decRef(parser);
        auto program = Ref<FProgram>::make(rules, names);
        const int answer = naive->evaluate(program.get());
        program.reset();
        for (FRule* rule : parsed) decRef(rule);
        return answer;
    }
};

struct Made {
    MainMemOM* om;
    RecordingXMLOMAccess* layer;
};

Made recordingLayer() {
    auto* om = new MainMemOM();
    return {om, new RecordingXMLOMAccess(om)};
}

TEST(XMLCreator1, HeadStepsAndSpecificationsCarryTheirAxisInBuildAndDirectMode) {
    const struct {
        const char* text;
        bool pevo;
        std::vector<std::string> calls;
    } table[] = {
        // Build mode: a rule with variables compiles the head into insert expressions.
        {"p(o1). X/a[b -> 1] :- p(X).", true, {"path a 1", "value b 1"}},
        // A head step with a result stores it under the step's method, as X[@a -> 1] would.
        {"p(o1). X/@a -> 1 :- p(X).", true, {"value a 6"}},
        {"p(o1). X[b -> 1] :- p(X).", false, {"value b 0"}},
        {"p(o1). X[b ->> {1, 2}] :- p(X).", false, {"set b 0"}},
        {"p(o1). X.a[b -> 1] :- p(X).", false, {"path a 0", "value b 0"}},
        // Direct mode: a ground head is inserted by the walk itself.
        {"o/a[b -> 1].", true, {"path a 1", "value b 1"}},
        {"o/descendant::a.", true, {"path a 2"}},
        {"o[b -> 1].", false, {"value b 0"}},
        {"o[b ->> {1, 2}].", false, {"set b 0"}},
        {"o.a[b -> 1].", false, {"path a 0", "value b 0"}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.text);
        Made made = recordingLayer();
        CreatorPipeline pipeline(made.layer);
        pipeline.om = made.om;
        ErrorCapture errors;
        if (row.pevo) {
            pipeline.runPevo(row.text);
        } else {
            pipeline.runFLogic(row.text);
        }
        EXPECT_EQ(errors.text(), "");
        EXPECT_EQ(made.layer->calls, row.calls);
    }
}

TEST(XMLCreator1, OverAPlainLayerItReportsOnceAndInsertsAsTheCreatorOfPlainRules) {
    auto* om = new MainMemOM();
    ErrorCapture errors;
    CreatorPipeline pipeline(new OMAccess(om));
    pipeline.om = om;
    EXPECT_EQ(errors.text(), "\n*** ERROR : WrongOMAccess\n\n");
    errors.clear();

    pipeline.runFLogic("p(o1). X.a[b -> 1] :- p(X). o2.c[d -> 2].");
    EXPECT_EQ(errors.text(), "");
    rule_test::RuleHarness rules(pipeline.access);
    EXPECT_EQ(rules.answers("?- X.a[b -> V]."), std::vector<std::string>{"V=1, X=o1"});
    EXPECT_EQ(rules.answers("?- X.c[d -> V]."), std::vector<std::string>{"V=2, X=o2"});
}

TEST(XMLCreator1, ItsClassObjectChecksTheLayerArgumentAndNamesBoth) {
    auto om = Ref<MainMemOM>::make();
    auto layer = Ref<XMLOMAccess>::make(om.get());
    auto meta = Ref<XMLCreator1Meta>::make();
    ErrorCapture errors;
    FLSysArgs args;
    args.append(layer.get());
    FLSysRef creator = meta->methodCall("new", &args);
    ASSERT_NE(creator, nullptr);
    EXPECT_EQ(errors.text(), "");
    EXPECT_TRUE(creator->isA("XMLCreator1"));
    EXPECT_TRUE(creator->isA("Creator1"));
    OutputChannel channel;
    ChannelCapture printed(channel);
    creator->print(channel);
    meta->print(channel);
    EXPECT_EQ(printed.text(), "aXMLCreator1XMLCreator1");
    creator.reset();
    FLSysArgs wrong;
    wrong.append(om.get());
    EXPECT_EQ(meta->methodCall("new", &wrong), nullptr);
}

}  // namespace
