// Registration of the system objects and class objects with sys.
#include "shell/SystemObjects.h"

#include <fstream>
#include <iostream>
#include <string>

#include "access/OMAccess.h"
#include "compile/AlgebraicEval.h"
#include "compile/Normalizer.h"
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

// Assigns the object and drops the registration's own reference: the variable keeps the only one.
void registerOwned(FLSysInterpreter& sys, const std::string& name, FLSysObject* object) {
    sys.assign(name, object);
    if (object != nullptr) decRef(object);
}

XMeta* orPlaceholder(XMeta* handedIn, const char* className,
                     std::initializer_list<const char*> argumentClasses) {
    if (handedIn != nullptr) return handedIn;
    return new PlaceholderMeta(className, {argumentClasses.begin(), argumentClasses.end()});
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
    auto* standardOutput = new FLSysOStreamImpl<std::ostream>(&std::cout, false);
    // Answers that cannot be written (standard output on a full disk) are reported, once.
    standardOutput->reportWriteFailuresAs("standard output", &standardOutputFailureReported);
    FLSysOStream* out = standardOutput;
    FLSysOStream* err = new FLSysOStreamImpl<std::ostream>(&std::cerr, false);
    // "NUL" of the console system is this system's null device.
    FLSysOStream* devnul =
        new FLSysOStreamImpl<std::ofstream>(new std::ofstream("/dev/null"), true);
    sys.assign("cout", out);
    sys.assign("cerr", err);
    sys.assign("devnul", devnul);
    decRef(out);
    decRef(err);
    decRef(devnul);

    answerChannel().setStream(out);
    errorChannel().setStream(err);
    debugChannel().setStream(err);
    helpChannel().setStream(out);
    statisticChannel().setStream(out);
    systemChannel().setStream(err);
    sys.assign("answerChannel", &answerChannel());
    sys.assign("errorChannel", &errorChannel());
    sys.assign("debugChannel", &debugChannel());
    sys.assign("helpChannel", &helpChannel());
    sys.assign("statisticChannel", &statisticChannel());
    sys.assign("systemChannel", &systemChannel());

    registerOwned(sys, "classTranslator", new TranslatorMeta);
    registerOwned(sys, "classOM", new OMMeta);
    registerOwned(sys, "classWebOMAccess",
                  orPlaceholder(handedIn.webOMAccess, "WebOMAccess", {"OM"}));
    registerOwned(sys, "classXMLOMAccess",
                  orPlaceholder(handedIn.xmlOMAccess, "XMLOMAccess", {"OM"}));
    registerOwned(sys, "classDOMOMAccess",
                  orPlaceholder(handedIn.domOMAccess, "DOMOMAccess", {"OM"}));
    registerOwned(sys, "classOMAccess", new OMAccessMeta(handedIn.axisIterators));
    registerOwned(sys, "classCreator1", new Creator1Meta);
    registerOwned(sys, "classXMLCreator1",
                  orPlaceholder(handedIn.xmlCreator1, "XMLCreator1", {"OMAccess"}));
    registerOwned(sys, "classAlgebraicEval", new AlgebraicEvalMeta);
    registerOwned(sys, "classBlock", new BlockMeta);
    registerOwned(sys, "classMatcher", new MatcherMeta);
    registerOwned(sys, "classPrettyPrinter", new PrettyPrinterMeta);
    registerOwned(sys, "classNaiveEval", new NaiveEvalMeta(handedIn.printers));
    registerOwned(sys, "classFLogicInterpreter", new FLogicInterpreterMeta);
    registerOwned(sys, "classSemanticAnalyser", new SemanticAnalyserMeta);
    registerOwned(sys, "classTimer", new TimerMeta);
    registerOwned(sys, "classStatisticHandler", new StatisticHandlerMeta);
    registerOwned(sys, "classNaiveEvalWithInherit",
                  new NaiveEvalWithInheritMeta(handedIn.printers));
    registerOwned(sys, "classPrSemiNaive", new PrSemiNaiveMeta(handedIn.printers));
    registerOwned(sys, "classNormalizer", new NormalizerMeta);
    registerOwned(sys, "classOptimizer", new OptimizerMeta);

    sys.assign("centralErrorHandler", &centralErrorHandler());
    sys.assign("centralTimer", &centralTimer());
    sys.assign("centralStatistic", &centralStatistic());
    centralStatistic().clear();
}
