// Molecules and method specifications: print forms of both dialects, safety, equality, order,
// matching and construction from the grammar's parse-time objects.
#include <gtest/gtest.h>

#include <vector>

#include "ParseTreeTestSupport.h"

using language_test::TreeBuilder;

TEST(Molecule, FLogicPrintForms) {
    TreeBuilder b;
    EXPECT_EQ(b.text(b.mol(b.cnst("c"), {}, b.var("D.x"), 2)), "c::(D.x)");
    EXPECT_EQ(
        b.text(b.mol(b.cnst("o"), {b.sspec(b.var("M!"), b.num(1), 0, {b.cnst("a"), b.var("Y")})})),
        "o[(M!)@(a,Y) -> 1]");
}

TEST(Molecule, PevoPrintForms) {
    TreeBuilder b;
    EXPECT_EQ(b.text(b.pevoMol(b.cnst("e"), {})), "e[]");
    auto* bare = b.own(new PevoMolecule(b.cnst("e"), nullptr, nullptr, 0, nullptr));
    EXPECT_EQ(b.text(bare), "e");
    EXPECT_EQ(b.text(b.pevoMol(b.var("E"), {}, b.cnst("book"), 1)), "E isa book");
    EXPECT_EQ(b.text(b.pevoMol(b.cnst("c"), {}, b.cnst("d"), 2)), "c subcl d");
    EXPECT_EQ(b.text(b.pevoMol(b.cnst("e"), {b.pevoSpec(b.cnst("title"), 2, {b.var("T")}),
                                             b.pevoSpec(b.cnst("id"), 6, {b.var("I")}, 4)})),
              "e[descendant::title -> {T} and @id *-> {I}]");
    EXPECT_EQ(b.text(b.pevoMol(b.cnst("e"), {b.pevoSpec(b.cnst("f"), 8, {b.var("X")}, 7),
                                             b.pevoSpec(b.cnst("g"), 1, {b.var("Y")}, 8)})),
              "e[f() => (X) and g @=> (Y)]");
    // A filter of several literals prints with ", " between them.
    FLiteralList* filter =
        b.body({b.lit(b.pred("p", {b.var("X")})), b.lit(b.pred("q", {b.var("X")}))});
    auto* filtered = b.own(new PevoMolecule(b.var("X"), nullptr, nullptr, 0, filter));
    EXPECT_EQ(b.text(filtered), "X[p(X), q(X)]");
    // The shell and the order know the Pevo kinds by their F-Logic class names.
    EXPECT_EQ(filtered->className(), "FMolecule");
    EXPECT_EQ(b.pevoSpec(b.cnst("m"), 1, {})->className(), "MSpec");
}

TEST(Molecule, SafetyTable) {
    struct Case {
        const char* name;
        FMolecule* molecule;
        std::vector<const char*> boundBefore;
        bool safe;
        const char* boundAfter;
    };
    TreeBuilder b;
    // Variables entered in the order X, Y, C, V so that bound sets list them that way.
    FVar* x = b.var("X");
    FVar* y = b.var("Y");
    FVar* c = b.var("C");
    FVar* v = b.var("V");
    const std::vector<Case> cases = {
        {"specification", b.mol(x, {b.sspec(b.cnst("m"), v)}), {}, true, "X,V"},
        {"membership", b.mol(x, {}, c, 1), {}, true, "X,C"},
        {"subclass, both unbound", b.mol(x, {}, c, 2), {}, false, ""},
        {"subclass, host bound", b.mol(x, {}, c, 2), {"X"}, true, "X,C"},
        {"subclass, class bound", b.mol(x, {}, c, 2), {"C"}, true, "X,C"},
        {"subclass of a constant", b.mol(x, {}, b.cnst("c"), 2), {}, true, "X"},
        {"bare variable host", b.mol(x), {}, false, ""},
        {"bare bound host", b.mol(x), {"X"}, true, "X"},
        {"bare path host", b.mol(b.step(x, b.cnst("m"), {y})), {}, true, "X,Y"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        VarSet bound;
        for (const char* name : test.boundBefore) bound.insert(b.varSymbol(name));
        EXPECT_EQ(test.molecule->bindVars(bound, b.names), test.safe);
        EXPECT_EQ(b.names_of(bound), test.boundAfter);
    }
}

TEST(Molecule, ReduceAndResultForwarding) {
    TreeBuilder b;
    Reference* path = b.step(b.cnst("o"), b.cnst("m"));
    FMolecule* bare = b.mol(path);
    EXPECT_EQ(bare->reduce(), path);
    FMolecule* full = b.mol(path, {b.sspec(b.cnst("n"), b.cnst("v"))});
    EXPECT_EQ(full->reduce(), full);
    EXPECT_EQ(b.mol(b.var("X"), {}, b.cnst("c"), 1)->reduce()->className(), "FMolecule");
    bare->setMethResult(b.scalarResult(0, b.var("R")));
    EXPECT_EQ(path->getMethResult(), bare->getMethResult());
    EXPECT_EQ(b.text(path), "o.m -> R");
    EXPECT_EQ(bare->pathLength(), 2);
}

TEST(Molecule, EqualityIsOrderFreeAndIncludesTheFilter) {
    TreeBuilder b;
    auto m = [&](const char* method, const char* value) {
        return b.sspec(b.cnst(method), b.cnst(value));
    };
    FMolecule* ab = b.mol(b.var("X"), {m("a", "1"), m("b", "2")});
    EXPECT_TRUE(ab->deepEqual(*b.mol(b.var("X"), {m("b", "2"), m("a", "1")})));
    EXPECT_FALSE(ab->deepEqual(*b.mol(b.var("X"), {m("a", "1"), m("a", "1")})));
    EXPECT_FALSE(b.mol(b.var("X"), {m("a", "1"), m("a", "1")})->deepEqual(*ab));
    EXPECT_FALSE(ab->deepEqual(*b.mol(b.var("Y"), {m("a", "1"), m("b", "2")})));
    EXPECT_FALSE(ab->deepEqual(*b.mol(b.var("X"), {m("a", "1")})));
    // The arrow kind and the set-valued results count.
    EXPECT_FALSE(
        b.sspec(b.cnst("a"), b.cnst("1"), 0)->deepEqual(*b.sspec(b.cnst("a"), b.cnst("1"), 3)));
    EXPECT_FALSE(
        b.mspec(b.cnst("a"), {b.cnst("1")})->deepEqual(*b.mspec(b.cnst("a"), {b.cnst("2")})));
    EXPECT_FALSE(
        b.sspec(b.cnst("a"), b.cnst("1"))->deepEqual(*b.mspec(b.cnst("a"), {b.cnst("1")}, 0)));

    FLiteralList* p = b.body({b.lit(b.pred("p", {b.var("X")}))});
    FLiteralList* q = b.body({b.lit(b.pred("q", {b.var("X")}))});
    PevoMolecule* withP = b.pevoMol(b.var("X"), {}, nullptr, 0, p);
    EXPECT_TRUE(withP->deepEqual(*b.pevoMol(b.var("X"), {}, nullptr, 0, p)));
    EXPECT_FALSE(withP->deepEqual(*b.pevoMol(b.var("X"), {}, nullptr, 0, q)));
    EXPECT_NE(withP->compare(*b.pevoMol(b.var("X"), {}, nullptr, 0, q)), 0);
}

TEST(Molecule, MatchesMolecule) {
    TreeBuilder b;
    // X[m@(X) -> Y] onto a[m@(a) -> b]: X maps to a both times.
    FMolecule* pattern = b.mol(b.var("X"), {b.sspec(b.cnst("m"), b.var("Y"), 0, {b.var("X")})});
    EXPECT_TRUE(pattern->matchesMolecule(
        *b.mol(b.cnst("a"), {b.sspec(b.cnst("m"), b.cnst("b"), 0, {b.cnst("a")})})));
    EXPECT_FALSE(pattern->matchesMolecule(
        *b.mol(b.cnst("a"), {b.sspec(b.cnst("m"), b.cnst("b"), 0, {b.cnst("c")})})));
    EXPECT_FALSE(pattern->matchesMolecule(
        *b.mol(b.cnst("a"), {b.sspec(b.cnst("m"), b.cnst("b"), 3, {b.cnst("a")})})));
    EXPECT_FALSE(
        pattern->matchesMolecule(*b.mol(b.cnst("a"), {b.sspec(b.cnst("m"), b.cnst("b"))})));
    // Set-valued: equal counts, first results matched.
    FMolecule* set = b.mol(b.var("X"), {b.mspec(b.cnst("s"), {b.var("X")})});
    EXPECT_TRUE(set->matchesMolecule(*b.mol(b.cnst("a"), {b.mspec(b.cnst("s"), {b.cnst("a")})})));
    EXPECT_FALSE(set->matchesMolecule(*b.mol(b.cnst("a"), {b.mspec(b.cnst("s"), {b.cnst("b")})})));
    // Two specifications never match.
    FMolecule* two =
        b.mol(b.var("X"), {b.sspec(b.cnst("m"), b.var("Y")), b.sspec(b.cnst("n"), b.var("Y"))});
    EXPECT_FALSE(two->matchesMolecule(*two));
}

TEST(Molecule, BuiltFromParseTimeObjectsThatAreReleased) {
    TreeBuilder b;
    FMolecule* molecule;
    {
        // o:c[m@(a) -> v; s ->> {x, y}] with a filter, as a grammar action would assemble it.
        auto* args = new clib_list<FTerm*>;
        args->append(b.cnst("a"));
        auto scalar = Ref<MethAppl>::adopt(new MethAppl(b.cnst("m"), args, 0));
        auto scalarResult = Ref<SMethResult>::adopt(new SMethResult(0, b.cnst("v")));
        auto setAppl = Ref<MethAppl>::adopt(new MethAppl(b.cnst("s"), nullptr, 0));
        clib_list<FTerm*> values;
        values.append(b.cnst("x"));
        values.append(b.cnst("y"));
        auto setResult = Ref<MMethResult>::adopt(new MMethResult(1, &values));
        std::vector<Ref<MethListElement>> parts;
        parts.push_back(Ref<MethListElement>::make(scalar.get(), scalarResult.get()));
        parts.push_back(Ref<MethListElement>::make(setAppl.get(), setResult.get()));
        auto* elements = new clib_list<MethListElement*>;
        for (const Ref<MethListElement>& part : parts) elements->append(part.get());
        // The grammar lets go of the parts once the elements hold them.
        scalar.reset();
        scalarResult.reset();
        setAppl.reset();
        setResult.reset();
        auto isa = Ref<IsaSpec>::make(1, b.cnst("c"));
        auto filter = Ref<FLiteralList>::make(b.lit(b.pred("p", {b.var("X")})));
        auto spec = Ref<Specification>::make(isa.get(), elements, filter.get());
        isa.reset();
        filter.reset();
        parts.clear();
        molecule = b.own(new FMolecule(b.cnst("o"), spec.get(), 0));
    }
    EXPECT_EQ(b.text(molecule), "o:c[m@(a) -> v; s ->> {x, y}][p(X)]");
    EXPECT_TRUE(molecule->getSpecs()->head()->isA("SSpec"));
    auto* copy = b.own(static_cast<FMolecule*>(molecule->clone()));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->deepEqual(*molecule));

    ErrorCapture errors(6);
    FMolecule* empty = b.own(new FMolecule(b.cnst("o"), nullptr, 0));
    EXPECT_NE(errors.text().find("FMoleculeConstructor"), std::string::npos);
    EXPECT_EQ(b.text(empty), "o[]");
}
