// Tests of the attachment of OMAccess to its object manager and its name-mapping dictionary.
#include <gtest/gtest.h>

#include "access/OMAccess.h"
#include "objectbase/MainMemOM.h"

namespace {

// Gives the tests the way in that the access layer's own operations use.
class MappingAccess : public OMAccess {
  public:
    MappingAccess() = default;
    explicit MappingAccess(OM* om) : OMAccess(om) {}
    void map(const InternalName& name, const InternalName& to) { nameMap.insert(name, to); }
    int entries() const { return nameMap.size(); }
};

const InternalName o101(101, InternalName::Object, 0);
const InternalName o102(102, InternalName::Object, 0);
const InternalName o103(103, InternalName::Object, 0);
const InternalName text1(1, InternalName::String, 0);
const InternalName text2(2, InternalName::String, 0);

}  // namespace

TEST(OMAccessTest, RemapMovesTheEntryToTheRepresentative) {
    MappingAccess access;
    access.map(o101, text1);
    access.remapName(o101, o102);
    EXPECT_FALSE(access.isMapped(o101));
    EXPECT_EQ(access.mappedName(o102), text1);
    EXPECT_EQ(access.mappedName(o101), o101);
    EXPECT_EQ(access.entries(), 1);

    // An entry of the representative is replaced by the moved one (no manager: nothing to equate).
    access.map(o103, text2);
    access.remapName(o102, o103);
    EXPECT_EQ(access.mappedName(o103), text1);
    EXPECT_EQ(access.entries(), 1);
}

TEST(OMAccessTest, RemapOntoAMappedNameEquatesWhatBothStoodFor) {
    auto* om = new MainMemOM();
    {
        MappingAccess access(om);
        InternalName x, y;
        om->internName(x, "x", 1);
        om->internName(y, "y", 1);
        access.map(o101, x);
        access.map(o102, y);
        access.remapName(o101, o102);
        EXPECT_EQ(access.mappedName(o102), x);
        EXPECT_FALSE(access.isMapped(o101));
        // y was made after x, so y gives way to x.
        InternalName representative;
        EXPECT_TRUE(om->isPendingEquality(y, representative));
        EXPECT_EQ(representative, x);
        EXPECT_EQ(om->pendingEqualityCount(), 1);
    }
    decRef(om);
}

TEST(OMAccessTest, RemapWithoutEntryOrOntoItselfChangesNothing) {
    MappingAccess access;
    access.map(o102, text2);
    access.remapName(o101, o102);
    EXPECT_EQ(access.mappedName(o102), text2);
    EXPECT_EQ(access.entries(), 1);

    access.remapName(o102, o102);
    EXPECT_TRUE(access.isMapped(o102));
    EXPECT_EQ(access.mappedName(o102), text2);
}

TEST(OMAccessTest, RegistersWithItsManagerAndWithdrawsWhenDestroyed) {
    auto* om = new MainMemOM();
    auto* first = new OMAccess(om);
    EXPECT_EQ(om->getOMAccess(), first);
    EXPECT_EQ(first->om(), om);
    auto* second = new OMAccess(om);
    EXPECT_EQ(om->getOMAccess(), second);

    // A layer that is no longer registered leaves the newer registration alone.
    decRef(first);
    EXPECT_EQ(om->getOMAccess(), second);
    // The registered one withdraws, so the manager never calls into a destroyed layer.
    decRef(second);
    EXPECT_EQ(om->getOMAccess(), nullptr);
    EXPECT_EQ(om->refCount(), 1);

    // The access layer keeps its manager alive until it is itself released.
    auto* holder = new OMAccess(om);
    decRef(om);
    EXPECT_TRUE(holder->om()->isA("OM"));
    decRef(holder);
}
