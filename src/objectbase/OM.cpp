// The few operations the abstract object manager implements itself, and its class object.
#include "objectbase/OM.h"

#include <utility>

#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"

NameRemapListener* OM::setOMAccess(NameRemapListener* access) {
    omAccess = access;
    return access;
}

namespace {

// Stores every row through the manager's plain operations.
class PlainFactWriter : public FactWriter {
  public:
    PlainFactWriter(OM& om, const FactRelation& relation) : om(om), relation(relation) {}
    int insert(const InternalName* row) override {
        switch (relation.kind) {
            case FactRelation::Kind::Predicate:
                return om.addPredicate(relation.predicate, row, relation.width);
            case FactRelation::Kind::SetMember:
                return om.insertMethodValue(row[0], row[1], nullptr, 0, relation.type, row[2]);
            case FactRelation::Kind::ClassRelation:
                return om.insertIsa(row[0], row[1], relation.type);
        }
        return 0;
    }

  private:
    OM& om;
    FactRelation relation;
};

// Looks the symbol up at every term, through the manager's plain operation.
class PlainTermMaker : public TermMaker {
  public:
    PlainTermMaker(OM& om, const FSymbol& function) : TermMaker(function), om(Ref<OM>::share(&om)) {
        hintsOfUse = false;
    }
    int make(const InternalName* args, int argCount, InternalName& out) override {
        return om->getFunctionObject(function(), args, argCount, out);
    }

  private:
    Ref<OM> om;
};

}  // namespace

std::unique_ptr<TermMaker> OM::openTermMaker(const FSymbol& function) {
    return std::make_unique<PlainTermMaker>(*this, function);
}

int OM::insertFreshChild(const InternalName& object, const InternalName& cls,
                         const InternalName& host, const InternalName& method, int type) {
    int added = insertIsa(object, cls, 1);
    if (insertMethodValue(host, method, nullptr, 0, type, object) != 0) added = 1;
    if (insertIsa(object, host, 3) != 0) added = 1;
    return added;
}

int OM::insertFreshElement(const FreshElement& element) {
    const InternalName& object = element.object;
    int added = 0;
    if (element.hasText()) {
        added = insertMethodValue(object, element.textMethod, nullptr, 0, element.textType,
                                  element.text);
        if (insertIsa(element.text, object, 3) != 0) added = 1;
    }
    if (insertFreshChild(object, element.cls, element.host, element.method, element.type) != 0)
        added = 1;
    for (const FreshElement::Value& value : element.values)
        if (insertMethodValue(object, value.method, nullptr, 0, element.valueType, value.value) !=
            0)
            added = 1;
    return added;
}

int OM::insertFreshChildren(const InternalName& host, const InternalName& method, int type,
                            std::span<const FreshChild> children) {
    int added = 0;
    for (const FreshChild& child : children)
        if (insertFreshChild(child.object, child.cls, host, method, type) != 0) added = 1;
    return added;
}

std::unique_ptr<FactWriter> OM::openWriter(const FactRelation& relation) {
    return std::make_unique<PlainFactWriter>(*this, relation);
}

Iterator* OM::noIterator(Iterator* reuse) {
    Ref<Iterator>::adopt(reuse).reset();
    return nullptr;
}

OMMeta::OMMeta(DumpFormatterFactory formatters) : XMeta("OM"), formatters(std::move(formatters)) {}

FLSysRef OMMeta::createInstance(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    Ref<MainMemOM> made = Ref<MainMemOM>::make();
    made->useDumpFormatters(formatters);
    return made;
}
