// Registration of the system objects and class objects with sys.
#include "shell/SystemObjects.h"

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "compile/AlgebraicEval.h"
#include "compile/Normalizer.h"
#include "compile/Operator.h"
#include "compile/Optimizer.h"
#include "compile/SemanticAnalyser.h"
#include "compile/Translator.h"
#include "eval/Creator1.h"
#include "eval/Matcher.h"
#include "eval/NaiveEval.h"
#include "eval/NaiveEvalWithInherit.h"
#include "eval/PrSemiNaive.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "foundation/StatisticHandler.h"
#include "foundation/Timer.h"
#include "objectbase/OM.h"
#include "shell/Block.h"
#include "shell/FLSysInterpreter.h"
#include "shell/FLogicInterpreter.h"
#include "shell/PlaceholderMeta.h"
#include "shell/PrettyPrinter.h"

namespace {

// Assigns the object; the registration's own reference goes with the handle, so the variable
// keeps the only one.
void registerOwned(FLSysInterpreter& sys, const std::string& name, const FLSysRef& object) {
    sys.assign(name, object.get());
}

// The class object handed in (whose reference is taken over), or a placeholder for it.
Ref<XMeta> orPlaceholder(XMeta* handedIn, const char* className,
                         std::initializer_list<const char*> argumentClasses) {
    if (handedIn != nullptr) return Ref<XMeta>::adopt(handedIn);
    return Ref<PlaceholderMeta>::make(
        className, std::vector<std::string>{argumentClasses.begin(), argumentClasses.end()});
}

// Standard output's failures are reported once in a run, by its stream object or by the check
// after a command, whichever notices first.
bool standardOutputFailureReported = false;

}  // namespace

bool standardOutputWritten() {
    std::cout.flush();
    if (!std::cout.bad()) return true;
    if (!standardOutputFailureReported) {
        standardOutputFailureReported = true;
        reportStreamWriteFailure("standard output");
    }
    return false;
}

void registerSystemObjects(FLSysInterpreter& sys, const Session& handedIn) {
    auto standardOutput = Ref<FLSysOStreamImpl<std::ostream>>::make(&std::cout);
    // Answers that cannot be written (standard output on a full disk) are reported, once.
    standardOutput->reportWriteFailuresAs("standard output", &standardOutputFailureReported);
    const Ref<FLSysOStream> out = std::move(standardOutput);
    const Ref<FLSysOStream> err = Ref<FLSysOStreamImpl<std::ostream>>::make(&std::cerr);
    // "NUL" of the console system is this system's null device.
    const Ref<FLSysOStream> devnul =
        Ref<FLSysOStreamImpl<std::ofstream>>::make(std::make_unique<std::ofstream>("/dev/null"));
    sys.assign("cout", out.get());
    sys.assign("cerr", err.get());
    sys.assign("devnul", devnul.get());

    answerChannel().setStream(out.get());
    errorChannel().setStream(err.get());
    debugChannel().setStream(err.get());
    helpChannel().setStream(out.get());
    statisticChannel().setStream(out.get());
    systemChannel().setStream(err.get());
    sys.assign("answerChannel", &answerChannel());
    sys.assign("errorChannel", &errorChannel());
    sys.assign("debugChannel", &debugChannel());
    sys.assign("helpChannel", &helpChannel());
    sys.assign("statisticChannel", &statisticChannel());
    sys.assign("systemChannel", &systemChannel());

    const Ref<OperatorTrace> trace = handedIn.operatorTrace != nullptr
                                         ? Ref<OperatorTrace>::share(handedIn.operatorTrace)
                                         : Ref<OperatorTrace>::make();
    registerOwned(sys, "classTranslator", Ref<TranslatorMeta>::make());
    registerOwned(sys, "classOM", Ref<OMMeta>::make(handedIn.dumpFormatters));
    registerOwned(sys, "classWebOMAccess",
                  orPlaceholder(handedIn.webOMAccess, "WebOMAccess", {"OM"}));
    registerOwned(sys, "classXMLOMAccess",
                  orPlaceholder(handedIn.xmlOMAccess, "XMLOMAccess", {"OM"}));
    registerOwned(sys, "classDOMOMAccess",
                  orPlaceholder(handedIn.domOMAccess, "DOMOMAccess", {"OM"}));
    registerOwned(sys, "classOMAccess",
                  Ref<OMAccessMeta>::make(handedIn.axisIterators, handedIn.exportHandlers));
    registerOwned(sys, "classCreator1", Ref<Creator1Meta>::make(trace.get()));
    registerOwned(sys, "classXMLCreator1",
                  orPlaceholder(handedIn.xmlCreator1, "XMLCreator1", {"OMAccess"}));
    registerOwned(sys, "classAlgebraicEval", Ref<AlgebraicEvalMeta>::make(trace.get()));
    registerOwned(sys, "classBlock", Ref<BlockMeta>::make());
    registerOwned(sys, "classMatcher", Ref<MatcherMeta>::make());
    registerOwned(sys, "classPrettyPrinter", Ref<PrettyPrinterMeta>::make());
    registerOwned(sys, "classNaiveEval", Ref<NaiveEvalMeta>::make(handedIn.printers));
    registerOwned(sys, "classFLogicInterpreter", Ref<FLogicInterpreterMeta>::make());
    registerOwned(sys, "classSemanticAnalyser", Ref<SemanticAnalyserMeta>::make());
    registerOwned(sys, "classTimer", Ref<TimerMeta>::make());
    registerOwned(sys, "classStatisticHandler", Ref<StatisticHandlerMeta>::make());
    registerOwned(sys, "classNaiveEvalWithInherit",
                  Ref<NaiveEvalWithInheritMeta>::make(handedIn.printers));
    registerOwned(sys, "classPrSemiNaive", Ref<PrSemiNaiveMeta>::make(handedIn.printers));
    registerOwned(sys, "classNormalizer", Ref<NormalizerMeta>::make());
    registerOwned(sys, "classOptimizer", Ref<OptimizerMeta>::make());

    sys.assign("centralErrorHandler", &centralErrorHandler());
    sys.assign("centralTimer", &centralTimer());
    sys.assign("centralStatistic", &centralStatistic());
    centralStatistic().clear();
}
