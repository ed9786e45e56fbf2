// The walk-ahead plan of the XML export against a walk without it: random bases of classes,
// values, sets, methods with arguments and signatures export the same XML and F-Logic text,
// byte for byte, with the walk planned ahead and without hints.
#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "objectbase/MainMemOM.h"
#include "shell/ExportTestSupport.h"
#include "support/RoadTwin.h"

namespace {

using objectbase_test::num;
using road_twin::Dice;
using road_twin::Road;

// One fact of a base: an is-a or subclass fact, a scalar value or set members (with an argument
// or not), or a signature.
struct Fact {
    enum Kind { Isa, Sub, Value, Members, Signature } kind;
    int host = 0;
    int method = 0;
    int type = 0;
    std::vector<int> values;
    int arg = -1;
};

struct Base {
    std::vector<Fact> facts;
};

std::ostream& operator<<(std::ostream& out, const Base& base) {
    for (const Fact& fact : base.facts) {
        out << fact.kind << " " << fact.host << " " << fact.method << " " << fact.type << " "
            << fact.arg << " [";
        for (const int v : fact.values) out << " " << v;
        out << " ]\n";
    }
    return out;
}

constexpr int Objects = 40;
constexpr int Classes = 5;

Base randomBase(Dice& dice) {
    Base base;
    for (int n = dice.between(1, 120); n > 0; --n) {
        Fact fact{};
        fact.kind = Fact::Kind(dice.below(5));
        fact.host = dice.below(Objects);
        fact.method = dice.below(4);
        switch (fact.kind) {
            case Fact::Isa:
                fact.values = {dice.below(Classes)};
                break;
            case Fact::Sub:
                fact.host = dice.below(Classes);
                fact.values = {dice.below(Classes)};
                break;
            case Fact::Value:
                // Objects, strings (codes from 1000) and integers (from 2000).
                fact.values = {dice.pick(std::vector<int>{dice.below(Objects), 1000 + dice.below(6),
                                                          2000 + dice.below(9)})};
                break;
            case Fact::Members:
                for (int k = dice.between(1, 4); k > 0; --k)
                    fact.values.push_back(dice.oneIn(3) ? 1000 + dice.below(6)
                                                        : dice.below(Objects));
                break;
            case Fact::Signature:
                fact.host = dice.below(Classes);
                fact.type = dice.oneIn(2) ? 6 : 7;
                fact.values = {dice.oneIn(3) ? -1 : dice.below(Classes)};
                break;
        }
        if ((fact.kind == Fact::Value || fact.kind == Fact::Members) && dice.oneIn(4))
            fact.arg = dice.below(Objects);
        base.facts.push_back(fact);
    }
    return base;
}

class WalkPlanTwin : public export_test::ExportTest {
  protected:
    InternalName object(int n) { return obj("o" + std::to_string(n)); }
    InternalName kind(int n) { return obj("class" + std::to_string(n)); }
    InternalName method(int n) { return obj("m" + std::to_string(n)); }
    InternalName valueOf(int code) {
        if (code >= 2000) return num(code - 2000);
        if (code >= 1000) return str("s" + std::to_string(code - 1000));
        return object(code);
    }
    void enter(const Base& base) {
        for (const Fact& fact : base.facts) {
            std::vector<InternalName> args;
            if (fact.arg >= 0) args.push_back(object(fact.arg));
            switch (fact.kind) {
                case Fact::Isa:
                    isa(object(fact.host), kind(fact.values[0]));
                    break;
                case Fact::Sub:
                    sub(kind(fact.host), kind(fact.values[0]));
                    break;
                case Fact::Value:
                    value(object(fact.host), method(fact.method), 0, valueOf(fact.values[0]), args);
                    break;
                case Fact::Members: {
                    std::vector<InternalName> all;
                    for (const int v : fact.values) all.push_back(valueOf(v));
                    members(object(fact.host), method(fact.method), 1, all, args);
                    break;
                }
                case Fact::Signature:
                    value(kind(fact.host), method(fact.method), fact.type,
                          fact.values[0] < 0 ? obj("string") : kind(fact.values[0]));
                    break;
            }
        }
    }
};

TEST_F(WalkPlanTwin, RandomBasesExportTheSameTextWithAndWithoutTheWalkPlannedAhead) {
    // Each base is entered once and exported on both roads.
    std::string entered;
    int withElements = 0;
    auto exports = [&](const Base& base, Road road) {
        std::ostringstream printed;
        printed << base;
        if (printed.str() != entered) {
            om->clear();
            enter(base);
            entered = printed.str();
        }
        om->useWalkPlan(road == Road::Chosen ? MainMemOM::WalkPlan::Ahead
                                             : MainMemOM::WalkPlan::None);
        std::string text = exported(2);
        text += exported(1);
        om->useWalkPlan(MainMemOM::WalkPlan::Ahead);
        if (text.find(" id='") != std::string::npos) ++withElements;
        return text;
    };
    EXPECT_EQ(road_twin::expectTwins(9206, 300, randomBase, exports), 300);
    // Most bases write elements of objects.
    EXPECT_GT(withElements, 400);
}

TEST_F(WalkPlanTwin, AWalkWithoutThePlanTakesNoHints) {
    for (int n = 0; n < 50; ++n) members(object(n), method(0), 1, {object(n + 1), str("s")});
    om->useWalkPlan(MainMemOM::WalkPlan::None);
    const std::string plain = exported(2);
    om->useWalkPlan(MainMemOM::WalkPlan::Ahead);
    EXPECT_EQ(exported(2), plain);
    EXPECT_NE(plain.find("<"), std::string::npos);
}

}  // namespace
