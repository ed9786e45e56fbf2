// The rewriter factory hook.
#include "shell/ClauseRewriter.h"

namespace {
ClauseRewriterFactory installed = nullptr;
}  // namespace

void setClauseRewriterFactory(ClauseRewriterFactory factory) {
    installed = factory;
}

ClauseRewriter* makeClauseRewriter() {
    return installed != nullptr ? installed() : nullptr;
}
