// The report that the built-in predicates share: a required argument is unbound.
#pragma once

namespace builtinReport {

// 6/110/2 "Answer not safe": the arguments describe an infinite set.
void unsafe();

}  // namespace builtinReport
