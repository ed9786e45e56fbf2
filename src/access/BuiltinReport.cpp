// The report that the built-in predicates share.
#include "access/BuiltinReport.h"

#include "foundation/ErrorHandler.h"

namespace builtinReport {

void unsafe() {
    centralErrorHandler().report(
        Error(6, 110, 2, "Answer not safe",
              "Matching arguments describe an infinite set. Unable to compute the answer set.",
              "method", ""));
}

}  // namespace builtinReport
