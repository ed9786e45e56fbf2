// ClauseRewriter, the slot through which the F-Logic interpreter has the Kavum mode's clauses
// rewritten before they are stored or answered; the XML layer above fills it.
#pragma once

#include "foundation/FLSysObject.h"

class FRule;
class SymTab;

// The shell owns this interface because the rewriter lives in a higher layer than the
// interpreter that calls it.
class ClauseRewriter : public FLSysObject {
  public:
    // Rewrites the clause in place; the table supplies fresh variables.
    virtual void rewriteClause(FRule* clause, SymTab* names) = 0;

  protected:
    ~ClauseRewriter() override = default;
};

// Makes a rewriter (one reference for the caller); null when none can be made. The program
// entry hands the Kavum dialect's maker to the session (Session::clauseRewriters).
using ClauseRewriterFactory = ClauseRewriter* (*)();
