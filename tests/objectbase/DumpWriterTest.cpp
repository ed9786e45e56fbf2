// The dump writer of the main-memory base: an empty base, the dump target it borrows and gives
// back, and a random base written whole with the printed forms kept and frame by frame without.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "foundation/OutputChannel.h"
#include "foundation/set.h"
#include "objectbase/DumpFormatter.h"
#include "objectbase/DumpFormatterFactory.h"
#include "objectbase/DumpWriter.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "support/ChannelCapture.h"

namespace {

using namespace objectbase_test;

// Writes every piece it is handed as a short tagged text, names in their printed forms.
class Pieces : public DumpFormatter {
  public:
    using DumpFormatter::DumpFormatter;
    static DumpFormatter* make(OM* om) { return new Pieces(om); }

    void writeDocumentHead(const std::string& docType, const std::string& kind,
                           const std::string& id) override {
        put("<head " + docType + " " + kind + " " + id + ">");
    }
    void openRoot(const std::string& name) override { put("<root " + name + ">"); }
    void closeRoot(const std::string& name) override { put("</root " + name + ">"); }
    void writeSubclass(const InternalName& sub, const InternalName& super) override {
        put(lex(sub) + " :: " + lex(super) + "\n");
    }
    void writeIsa(const InternalName& object, const InternalName& cls) override {
        put(lex(object) + " : " + lex(cls) + "\n");
    }
    void openFrame(const InternalName& object, const InternalName& cls, int) override {
        put("{" + lex(object) + "/" + lex(cls) + " ");
    }
    void closeFrameHead() override { put("| "); }
    void closeFrame(const InternalName& object, const InternalName&) override {
        put("}" + lex(object));
    }
    void methodSeparator() override { put("; "); }
    std::string argsOpen() override { return "@("; }
    std::string argumentText(int position, const InternalName& argument) override {
        return (position > 1 ? "," : "") + lex(argument);
    }
    std::string argsClose() override { return ")"; }
    std::string arrowText(int type) override { return " =" + std::to_string(type) + "> "; }
    void writeMethodHead(const std::string& method, const std::string& rest,
                         const std::string& bracket) override {
        put(method + rest + bracket);
    }
    void writeText(const std::string& text) override { put(text); }
    void writeMethodValue(const std::string& method, const std::string& rest,
                          const InternalName& value) override {
        put(method + rest + lex(value));
    }
    std::string frameEndText(const InternalName&, const InternalName&, const std::string&,
                             const std::string&, int, const std::string&) override {
        return {};
    }
    void writeSetMember(const InternalName&, const InternalName&, const InternalName& member,
                        int position) override {
        put(std::to_string(position) + ":" + lex(member) + " ");
    }
    void openPredicate(const std::string& name) override { put(name + "("); }
    void predicateSeparator() override { put(","); }
    void writePredicateArgument(const InternalName& argument, int) override { put(lex(argument)); }
    void closePredicate() override { put(").\n"); }
    void writeStatement(const std::string& text) override { put(text + ".\n"); }

  private:
    void put(const std::string& text) {
        line += text;
        emit(false);
    }
};

class DumpWriterTest : public ObjectManagerTest {
  protected:
    void SetUp() override {
        ObjectManagerTest::SetUp();
        DumpFormatterFactory table;
        table.registerMaker(1, &Pieces::make);
        table.registerMaker(2, &Pieces::make);
        om->useDumpFormatters(table);
    }
    template <class Call>
    std::string debugOf(Call call) {
        ChannelCapture capture(debugChannel());
        call();
        return capture.text();
    }
    DumpWriter& writer() { return om->dumpWriter(); }

    // A random base: memberships and subclasses, scalar and set-valued entries with and
    // without arguments, inheritable ones, function terms nested in each other, path objects
    // and predicates of three arities.
    void fillRandomly(unsigned seed) {
        std::mt19937 random(seed);
        std::vector<InternalName> names;
        for (int i = 0; i < 40; ++i) names.push_back(obj("o" + std::to_string(i)));
        for (int i = 0; i < 6; ++i) names.push_back(obj("\"s" + std::to_string(i) + "\""));
        for (int i = 0; i < 6; ++i) names.push_back(obj(std::to_string(i * 7)));
        auto any = [&] { return names[random() % names.size()]; };
        const FSymbol f = function("f", 2), g = function("g", 1);
        for (int i = 0; i < 30; ++i) {
            InternalName made;
            const InternalName args[2] = {any(), any()};
            if (random() % 2 == 0)
                om->getFunctionObject(f, args, 2, made);
            else
                om->getFunctionObject(g, args, 1, made);
            names.push_back(made);
        }
        const std::vector<InternalName> methods = {obj("m0"), obj("m1"), obj("m2"), obj("m3")};
        const std::vector<InternalName> classes = {obj("c0"), obj("c1"), obj("c2")};
        for (int i = 0; i < 300; ++i) {
            const InternalName host = any(), method = methods[random() % methods.size()];
            const InternalName args[2] = {any(), any()};
            const int argCount = int(random() % 3);
            switch (random() % 7) {
                case 0:
                    om->insertIsa(host, classes[random() % classes.size()], 1);
                    break;
                case 1:
                    om->insertIsa(classes[random() % classes.size()],
                                  classes[random() % classes.size()], 2);
                    break;
                case 2:
                case 3: {
                    set<InternalName> values;
                    for (unsigned n = random() % 3; n > 0; --n) values.insert(any());
                    om->insertSetMember(host, method, args, argCount, random() % 2 ? 1 : 4, values);
                    break;
                }
                case 4: {
                    InternalName value;
                    om->getOrCreateScalarValue(host, method, args, argCount, 0, value);
                    break;
                }
                case 5:
                    om->insertMethodValue(host, method, args, argCount, random() % 2 ? 0 : 3,
                                          any());
                    break;
                default: {
                    const int arity = int(random() % 3);
                    const InternalName tuple[2] = {any(), any()};
                    om->addPredicate(pred("p" + std::to_string(arity), arity),
                                     arity > 0 ? tuple : nullptr, arity);
                }
            }
        }
    }
};

TEST_F(DumpWriterTest, AnEmptyBaseSaysSo) {
    EXPECT_EQ(debugOf([&] { writer().dump(1); }), "OM is empty\n");
    EXPECT_EQ(debugOf([&] { writer().dumpWith(2, "doc", "", ""); }), "OM is empty\n");
    EXPECT_EQ(writer().target(), nullptr);
}

TEST_F(DumpWriterTest, ATargetRegisteredFromOutsideReceivesThePiecesAndStays) {
    const InternalName john = obj("john"), age = obj("age"), kids = obj("kids");
    om->insertMethodValue(john, age, nullptr, 0, 0, obj("30"));
    set<InternalName> both;
    both.insert(obj("ann"));
    both.insert(obj("bob"));
    om->insertSetMember(john, kids, nullptr, 0, 1, both);
    // Without a registered target each write makes a formatter of its own and drops it.
    EXPECT_EQ(debugOf([&] { writer().showValue(john, age, 0, 0); }), "age =0> 30");
    EXPECT_EQ(writer().target(), nullptr);
    const Ref<DumpFormatter> outside = Ref<DumpFormatter>::adopt(Pieces::make(om));
    writer().setTarget(outside.get());
    EXPECT_EQ(debugOf([&] { writer().showValue(john, kids, 1, 0); }), "kids =1> {1:ann 2:bob }");
    EXPECT_EQ(debugOf([&] { writer().showValue(john, kids, 0, 0); }), "");  // no such entry
    // A whole dump writes through a formatter of its own and gives the target back.
    EXPECT_NE(debugOf([&] {
                  writer().dumpWith(2, "doc", "SYSTEM", "x.dtd");
              }).find("<head doc SYSTEM x.dtd><root doc>"),
              std::string::npos);
    EXPECT_EQ(writer().target(), outside.get());
    writer().setTarget(nullptr);
}

TEST_F(DumpWriterTest, TheDebugListingNamesEveryFrame) {
    fillRandomly(3);
    const std::string listing = debugOf([&] { writer().dump(0); });
    auto names = Ref<Iterator>::adopt(om->objNamesIterator(nullptr));
    for (bool more = names->first(); more; more = names->next())
        EXPECT_NE(listing.find(names->atColumn(1).ToString()), std::string::npos);
}

// A whole dump keeps the printed forms of names and makes each once; written frame by frame, each
// form is made where it is met. Over random bases both write the same text.
TEST_F(DumpWriterTest, AWholeDumpWritesWhatTheFramesWriteOneByOne) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        om->clear();
        fillRandomly(seed);
        const std::string whole = debugOf([&] { writer().dump(1); });
        const Ref<DumpFormatter> target = Ref<DumpFormatter>::adopt(Pieces::make(om));
        writer().setTarget(target.get());
        const std::string byFrames = debugOf([&] {
            auto names = Ref<Iterator>::adopt(om->objNamesIterator(nullptr));
            for (bool more = names->first(); more; more = names->next()) {
                const InternalName name = names->atColumn(1);
                if (name == builtinObject::String || name == builtinObject::Numeric) continue;
                if (MainMemObjFrame* frame = om->getObjFrame(name))
                    writer().formatObjFrame(name, frame);
            }
            auto predicates = Ref<Iterator>::adopt(om->predNamesIterator(nullptr));
            for (bool more = predicates->first(); more; more = predicates->next()) {
                const InternalName name = predicates->atColumn(1);
                writer().formatPredFrame(name, om->getPredFrame(name));
                target->newLine();
            }
        });
        writer().setTarget(nullptr);
        EXPECT_EQ(whole, byFrames) << "seed " << seed;
        EXPECT_GT(whole.size(), 500u);
    }
}

}  // namespace
