// The check every equality test ends with: the indexes agree with the frames, and names that were
// replaced by their representatives occur only where they may.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "objectbase/FrameManager.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/RelationStore.h"

namespace objectbase_test {

class BaseConsistency {
  public:
    BaseConsistency(MainMemOM* om, std::set<InternalName> replaced)
        : om(om), replaced(std::move(replaced)) {}

    void check() {
        checkObjectFrames();
        checkMethodIndex();
        checkRelationTables();
        checkMembershipRows();
        checkUsageIndex();
        checkRowFrames();
        checkSymbols();
        checkEqualityMaps();
    }

  private:
    void absent(const InternalName& name, const std::string& where) {
        if (replaced.count(name) != 0) ADD_FAILURE() << name << " still occurs in " << where;
    }

    bool holds(const MainMemOM::UsageSet* holders, const InternalName& host) {
        return holders != nullptr && holders->member(host);
    }

    // Every name stored in a value names the host in its usage set.
    void checkValueUsage(const InternalName& host, const InternalName& value) {
        if (value.isConstant()) {
            absent(value, "a method value of " + host.ToString());
            EXPECT_TRUE(holds(om->usageOf(value), host)) << value << " held by " << host;
        } else if (value.getType() == InternalName::SetName) {
            for (const auto& row : drain(om->setIterator(value, nullptr), 1))
                checkValueUsage(host, row[0]);
        } else if (value.getType() == InternalName::ParamFrame) {
            MainMemParamFrame* rows = om->getParamFrame(value);
            ASSERT_NE(rows, nullptr) << value;
            for (const auto& row : drain(rows->getIterator(nullptr), rows->getArity()))
                for (const InternalName& cell : row) checkValueUsage(host, cell);
        }
    }

    void checkObjectFrames() {
        for (const auto& name : drain(om->objNamesIterator(nullptr), 1)) {
            const InternalName host = name[0];
            absent(host, "the object frames");
            MainMemObjFrame* frame = om->getObjFrame(host);
            for (int type = 0; type <= 8; ++type) {
                auto it = Ref<Iterator>::adopt(frame->methodIterator(type, nullptr));
                for (bool more = it->first(); more; more = it->next()) {
                    InternalName method = it->atColumn(1);
                    int argCount = it->atColumn(3).getValue();
                    absent(method, "a method key of " + host.ToString());
                    const MemberSet* hosts =
                        om->methodHostTable().valueOr(MethodKey(type, argCount, method), nullptr);
                    EXPECT_TRUE(hosts != nullptr && hosts->contains(host))
                        << host << " missing as host of " << method;
                    const set<MethodSig>* sigs = om->signaturesOf(method);
                    EXPECT_TRUE(sigs != nullptr && sigs->member(MethodSig(type, argCount)))
                        << method;
                    checkValueUsage(host, it->atColumn(2));
                }
            }
            for (int kind = 1; kind <= 3; ++kind) {
                InternalName setName = kind == 1   ? frame->getSetName1()
                                       : kind == 2 ? frame->getSetName2()
                                                   : frame->getSetName3();
                for (const auto& row : drain(om->setIterator(setName, nullptr), 1)) {
                    absent(row[0], "a class set of " + host.ToString());
                    const MemberSet* members = om->relationMembers(kind).find(row[0]);
                    EXPECT_TRUE(members != nullptr && members->contains(host))
                        << host << " not listed under " << row[0] << " kind " << kind;
                }
            }
        }
    }

    void checkMethodIndex() {
        for (const auto& [key, hosts] : om->methodHostTable()) {
            absent(key.method, "the keys of methodsTable");
            for (const InternalName& host : hosts->ascending()) {
                absent(host, "the hosts of methodsTable");
                MainMemObjFrame* frame = om->getObjFrame(host);
                InternalName value;
                EXPECT_TRUE(frame != nullptr && frame->lookupMethod(key.method, key.methodType,
                                                                    key.argCount, value) != 0)
                    << host << " listed without an entry for " << key.method;
            }
        }
        for (const auto& [method, signatures] : om->signatureTable())
            absent(method, "the keys of methodSignatures");
    }

    void checkRelationTables() {
        for (int kind = 1; kind <= 3; ++kind) {
            std::vector<std::pair<InternalName, const MemberSet*>> entries;
            om->relationMembers(kind).forEachFrame(
                [&entries](const InternalName& cls, const MemberSet* members) {
                    entries.emplace_back(cls, members);
                });
            for (const auto& [cls, members] : entries) {
                absent(cls, "the keys of a relation table");
                for (const InternalName& member : members->ascending()) {
                    absent(member, "a relation table");
                    MainMemObjFrame* frame = om->getObjFrame(member);
                    ASSERT_NE(frame, nullptr) << member;
                    InternalName setName = kind == 1   ? frame->getSetName1()
                                           : kind == 2 ? frame->getSetName2()
                                                       : frame->getSetName3();
                    MainMemSetFrame* classes = om->getSetFrame(setName);
                    EXPECT_TRUE(classes != nullptr && classes->contains(cls))
                        << member << " listed under " << cls << " kind " << kind;
                }
            }
        }
    }

    // The flat rows of the memberships hold each (object, class) of the objects' sets once.
    void checkMembershipRows() {
        std::set<std::pair<InternalName, InternalName>> inFrames;
        for (const auto& name : drain(om->objNamesIterator(nullptr), 1))
            for (const auto& row :
                 drain(om->setIterator(om->getObjFrame(name[0])->getSetName1(), nullptr), 1))
                inFrames.emplace(name[0], row[0]);
        const RelationStore* rows = om->storedMemberships();
        ASSERT_NE(rows, nullptr);
        std::set<std::pair<InternalName, InternalName>> inRows;
        for (int i = 0; i < rows->size(); ++i) {
            absent(rows->row(i)[0], "the membership rows");
            absent(rows->row(i)[1], "the membership rows");
            EXPECT_TRUE(inRows.emplace(rows->row(i)[0], rows->row(i)[1]).second)
                << rows->row(i)[0] << " : " << rows->row(i)[1] << " stored twice";
        }
        EXPECT_EQ(inRows, inFrames);
    }

    void checkUsageIndex() {
        om->forEachUsage([this](const InternalName& name, const MainMemOM::UsageSet& holders) {
            absent(name, "the keys of the usage index");
            holders.forEach([this](const InternalName& holder) {
                absent(holder, "a usage set");
                return true;
            });
        });
    }

    void checkRowFrames() {
        for (const auto& name : drain(om->setNamesIterator(nullptr), 1))
            for (const auto& row : drain(om->setIterator(name[0], nullptr), 1))
                absent(row[0], "a set frame");
        for (const auto& name : drain(om->paramNamesIterator(nullptr), 1)) {
            MainMemParamFrame* rows = om->getParamFrame(name[0]);
            for (const auto& row : drain(rows->getIterator(nullptr), rows->getArity()))
                for (const InternalName& cell : row) absent(cell, "a parameter frame");
        }
        for (const auto& name : drain(om->predNamesIterator(nullptr), 1)) {
            MainMemPredFrame* rows = om->getPredFrame(name[0]);
            for (const auto& row : drain(rows->getIterator(nullptr), rows->getArity()))
                for (const InternalName& cell : row) absent(cell, "a predicate frame");
        }
    }

    void checkSymbols() {
        om->symbolBindings().forEach([this](const FSymbol& symbol, const InternalName& name) {
            absent(name, "symbolToName");
            // Either the name's own symbol, or one of the further symbols that denote it.
            FSymbol own;
            bool ownSymbol = om->giveSymbol(name, own) != 0 && own == symbol;
            const set<FSymbol>* further = om->furtherSymbols().valueOr(name, nullptr);
            bool furtherSymbol = further != nullptr && further->member(symbol);
            EXPECT_TRUE(ownSymbol || furtherSymbol) << "symbol bound to " << name;
        });
        for (const auto& [name, symbols] : om->furtherSymbols()) absent(name, "nameToSymbols");
    }

    void checkEqualityMaps() {
        const auto& hosts = om->pathHostTable();
        for (auto it = hosts.first_item(); it != nullptr; it = hosts.next_item(it)) {
            absent(hosts.key(it), "the keys of pathHosts");
            absent(hosts.inf(it), "the hosts of pathHosts");
        }
        const auto& applied = om->appliedEqualityTable();
        for (auto it = applied.first_item(); it != nullptr; it = applied.next_item(it))
            absent(applied.inf(it), "the values of appliedEqualities");
        EXPECT_EQ(om->pendingEqualityCount(), 0);
    }

    MainMemOM* om;
    std::set<InternalName> replaced;
};

// Runs the check over a base after its equalities were applied.
inline void expectConsistent(MainMemOM* om, std::set<InternalName> replaced) {
    SCOPED_TRACE("consistency of the object base");
    BaseConsistency(om, std::move(replaced)).check();
}

}  // namespace objectbase_test
