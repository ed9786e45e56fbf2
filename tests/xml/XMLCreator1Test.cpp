// Tests of the Kavum rule-head creator: the axis that head steps and specifications carry reaches
// the XML access layer in build and direct mode, and over a plain access layer the creator says
// so once and inserts as the plain creator does.
#include <gtest/gtest.h>

#include <string>
#include <utility>
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
    // Keeps the base and the layer over it; the base goes last.
    CreatorPipeline(Ref<MainMemOM> base, Ref<OMAccess> layer)
        : om(std::move(base)),
          access(std::move(layer)),
          creator(Ref<XMLCreator1>::make(access.get())),
          algebra(Ref<AlgebraicEval>::make(access.get())),
          matcher(Ref<Matcher>::make(translator.get(), creator.get(), algebra.get(), nullptr)),
          naive(Ref<NaiveEval>::make(matcher.get(), access.get())) {}
    CreatorPipeline(const CreatorPipeline&) = delete;
    CreatorPipeline& operator=(const CreatorPipeline&) = delete;

    int runPevo(const std::string& text) { return run(text, true); }
    int runFLogic(const std::string& text) { return run(text, false); }

    // Declared in the reverse of the order they are released in.
    Ref<MainMemOM> om;
    Ref<OMAccess> access;
    Ref<XPathRewriter> rewriter = Ref<XPathRewriter>::make();
    Ref<Translator> translator = Ref<Translator>::make(1);
    Ref<XMLCreator1> creator;
    Ref<AlgebraicEval> algebra;
    Ref<Matcher> matcher;
    Ref<NaiveEval> naive;

  private:
    int run(const std::string& text, bool pevo) {
        SymTab* names = access->giveSymTab();
        Ref<FParser> parser =
            pevo ? Ref<FParser>(Ref<PevoParser>::make()) : Ref<FParser>(Ref<FLogicParser>::make());
        parser->setInputString(text);
        auto* rules = new clib_list<FRule*>;
        std::vector<Ref<FRule>> parsed;
        for (int calls = 0; !parser->atEnd() && calls < 20; ++calls) {
            int ok = 0;
            auto rule = Ref<FRule>::adopt(parser->parse(names, &ok));
            if (!rule) break;
            if (pevo) rewriter->rewriteClause(rule.get(), names);
            rules->append(rule.get());
            parsed.push_back(std::move(rule));
        }
        parser.reset();
        auto program = Ref<FProgram>::make(rules, names);
        const int answer = naive->evaluate(program.get());
        program.reset();
        parsed.clear();
        return answer;
    }
};

struct Made {
    Ref<MainMemOM> om;
    Ref<RecordingXMLOMAccess> layer;
};

Made recordingLayer() {
    auto om = Ref<MainMemOM>::make();
    auto layer = Ref<RecordingXMLOMAccess>::make(om.get());
    return {std::move(om), std::move(layer)};
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
        RecordingXMLOMAccess* recorder = made.layer.get();
        CreatorPipeline pipeline(std::move(made.om), std::move(made.layer));
        ErrorCapture errors;
        if (row.pevo) {
            pipeline.runPevo(row.text);
        } else {
            pipeline.runFLogic(row.text);
        }
        EXPECT_EQ(errors.text(), "");
        EXPECT_EQ(recorder->calls, row.calls);
    }
}

TEST(XMLCreator1, OverAPlainLayerItReportsOnceAndInsertsAsTheCreatorOfPlainRules) {
    auto om = Ref<MainMemOM>::make();
    ErrorCapture errors;
    auto layer = Ref<OMAccess>::make(om.get());
    CreatorPipeline pipeline(std::move(om), std::move(layer));
    EXPECT_EQ(errors.text(), "\n*** ERROR : WrongOMAccess\n\n");
    errors.clear();

    pipeline.runFLogic("p(o1). X.a[b -> 1] :- p(X). o2.c[d -> 2].");
    EXPECT_EQ(errors.text(), "");
    rule_test::RuleHarness rules(pipeline.access.get());
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
