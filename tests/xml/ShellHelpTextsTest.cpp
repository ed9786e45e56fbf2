// The online help of every shell class, byte for byte: one row a class, the expected texts in
// tests/xml/data/help/, one file a text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "access/OMAccess.h"
#include "compile/AlgebraicEval.h"
#include "compile/Normalizer.h"
#include "compile/SemanticAnalyser.h"
#include "compile/Translator.h"
#include "eval/Creator1.h"
#include "eval/Matcher.h"
#include "eval/NaiveEval.h"
#include "eval/NaiveEvalWithInherit.h"
#include "eval/PrSemiNaive.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "foundation/StatisticHandler.h"
#include "foundation/Timer.h"
#include "objectbase/MainMemOM.h"
#include "shell/Block.h"
#include "shell/FLSysInterpreter.h"
#include "shell/FLogicInterpreter.h"
#include "shell/PrettyPrinter.h"
#include "support/ChannelCapture.h"
#include "xml/DOMOMAccess.h"
#include "xml/WebOMAccess.h"
#include "xml/XMLOMAccess.h"

namespace {

std::string expectedHelp(const std::string& className) {
    const auto path = std::filesystem::path(QUORIN_SOURCE_DIR) / "tests" / "xml" / "data" / "help" /
                      (className + ".txt");
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file) << "no expected help text " << path;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The objects whose help is read, made the way the shell makes them, over one object base.
struct Pipeline {
    Ref<MainMemOM> om = Ref<MainMemOM>::make();
    Ref<OMAccess> access = Ref<OMAccess>::make(om.get());
    Ref<Translator> translator = Ref<Translator>::make(1);
    Ref<Creator1> creator = Ref<Creator1>::make(access.get());
    Ref<AlgebraicEval> algebra = Ref<AlgebraicEval>::make(access.get());
    Ref<Matcher> matcher =
        Ref<Matcher>::make(translator.get(), creator.get(), algebra.get(), nullptr);
    Ref<NaiveEval> naive = Ref<NaiveEval>::make(matcher.get(), access.get());
    Ref<SemanticAnalyser> analyser = Ref<SemanticAnalyser>::make();
    Ref<PrettyPrinter> printer = Ref<PrettyPrinter>::make(access.get());
    Ref<FLSysInterpreter> sys = Ref<FLSysInterpreter>::make();
};

TEST(ShellHelpTexts, EveryClassWritesItsHelpOnTheHelpChannel) {
    Pipeline p;
    using Make = std::function<Ref<FLSysObject>()>;
    const auto fresh = [](FLSysObject* made) { return Ref<FLSysObject>::adopt(made); };
    const auto kept = [](FLSysObject* held) { return Ref<FLSysObject>::share(held); };
    // A class that adds no help of its own writes its base's.
    const struct {
        const char* className;
        const char* helpOf;
        Make make;
    } rows[] = {
        {"FLSysObject", "FLSysObject", [&] { return fresh(new FLSysObject); }},
        {"XMeta", "FLSysObject", [&] { return fresh(new TimerMeta); }},
        {"ErrorHandler", "ErrorHandler", [&] { return fresh(new ErrorHandler); }},
        {"OutputChannel", "OutputChannel", [&] { return fresh(new OutputChannel); }},
        {"Timer", "Timer", [&] { return fresh(new Timer); }},
        {"StatisticHandler", "StatisticHandler", [&] { return fresh(new StatisticHandler); }},
        {"OM", "OM", [&] { return kept(p.om.get()); }},
        {"Translator", "FLSysObject", [&] { return kept(p.translator.get()); }},
        {"AlgebraicEval", "AlgebraicEval", [&] { return kept(p.algebra.get()); }},
        {"SemanticAnalyser", "SemanticAnalyser", [&] { return kept(p.analyser.get()); }},
        {"Normalizer", "Normalizer",
         [&] { return fresh(new Normalizer(static_cast<FProgram*>(nullptr))); }},
        {"Matcher", "Matcher", [&] { return kept(p.matcher.get()); }},
        {"NaiveEval", "NaiveEval", [&] { return kept(p.naive.get()); }},
        {"NaiveEvalWithInherit", "NaiveEval",
         [&] { return fresh(new NaiveEvalWithInherit(p.matcher.get(), p.access.get())); }},
        {"PrSemiNaive", "PrSemiNaive",
         [&] { return fresh(new PrSemiNaive(p.matcher.get(), p.access.get())); }},
        {"OMAccess", "OMAccess", [&] { return kept(p.access.get()); }},
        {"Block", "Block", [&] { return fresh(new Block(p.sys.get(), "sys.tp.")); }},
        {"FLSysInterpreter", "FLSysInterpreter", [&] { return kept(p.sys.get()); }},
        {"FLogicInterpreter", "FLogicInterpreter",
         [&] {
             return fresh(new FLogicInterpreter(p.naive.get(), p.printer.get(), p.analyser.get()));
         }},
        {"EmptyFLogicInterp", "FLogicInterpreter", [&] { return fresh(new EmptyFLogicInterp); }},
        {"PrettyPrinter", "PrettyPrinter", [&] { return kept(p.printer.get()); }},
        {"WebOMAccess", "WebOMAccess", [&] { return fresh(new WebOMAccess(p.om.get())); }},
        {"XMLOMAccess", "WebOMAccess", [&] { return fresh(new XMLOMAccess(p.om.get())); }},
        {"DOMOMAccess", "WebOMAccess", [&] { return fresh(new DOMOMAccess(p.om.get())); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.className);
        const Ref<FLSysObject> object = row.make();
        ChannelCapture help(helpChannel());
        ErrorCapture errors;
        const FLSysRef answer = object->methodCall("help", nullptr);
        EXPECT_EQ(answer, object.get());
        EXPECT_EQ(help.text(), expectedHelp(row.helpOf));
        EXPECT_EQ(errors.text(), "");
    }
}

}  // namespace
