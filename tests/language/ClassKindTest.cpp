// The class test by kind answers as the class test by name, for a node of every class of both
// dialects and every class name.
#include <gtest/gtest.h>

#include <vector>

#include "ParseTreeTestSupport.h"

using language_test::TreeBuilder;

TEST(ClassKind, IsAnswersAsIsAForEveryNodeClassAndClassName) {
    TreeBuilder b;
    FunctionTerm* a = b.cnst("a");
    FVar* x = b.var("X");
    PTerm* p = b.pred("p", {a, x});
    SSpec* scalar = b.sspec(b.cnst("m"), a);
    MSpec* set = b.mspec(b.cnst("n"), {a});
    PevoMSpec* pevoSet = b.pevoSpec(b.cnst("n"), 1, {a});
    FMolecule* molecule = b.mol(a, {scalar});
    PevoMolecule* pevoMolecule = b.pevoMol(a, {pevoSet});
    Reference* step = b.step(a, b.cnst("m"));
    PevoReference* pevoStep = b.pevoStep(a, b.cnst("m"), 1);
    ArithmeticExpr* sum = b.arith(b.num(1), "+", x);
    FLiteral* literal = b.lit(p);
    FLiteralList* body = b.body({literal});
    FTermList* head = b.head({p});
    FRule* rule = b.rule({b.pred("q", {x})}, {b.lit(b.pred("p", {x}))});
    FProgram* program = b.program({rule});
    AggExpr* count = b.agg("count", "X", {}, b.body({b.lit(b.pred("p", {x}))}));
    const std::vector<ParseTreeNode*> nodes{
        a,        x,   p,       scalar, set,  pevoSet, molecule, pevoMolecule, step,
        pevoStep, sum, literal, body,   head, rule,    program,  count};
    for (ParseTreeNode* node : nodes) {
        for (int k = 0; k < static_cast<int>(ParseTreeClass::Count); ++k) {
            const auto kind = static_cast<ParseTreeClass>(k);
            EXPECT_EQ(node->is(kind), node->isA(parseTreeClassName(kind)))
                << b.text(node) << " as " << parseTreeClassName(kind);
        }
    }
}
