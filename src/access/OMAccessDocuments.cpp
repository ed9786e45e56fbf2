// OMAccess export and document steps: running an export handler, XML axis steps and function
// applications, and following links.
#include <memory>
#include <utility>
#include <vector>

#include "access/AxisIteratorFactory.h"
#include "access/DummyIterator.h"
#include "access/EmptyIterator.h"
#include "access/ExplicitSetIterator.h"
#include "access/ExportHandler.h"
#include "access/ExportRequest.h"
#include "access/OMAccess.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/Iterator.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

bool isBound(const InternalName& name) {
    return name != Free;
}

void reportNotImplemented(const char* place) {
    centralErrorHandler().report(
        Error(6, 104, 2, "NotImplemented", "method is not yet implemented", place, ""));
}

// An ExplicitSetIterator that owns the set it walks.
class OwnedSetIterator : public ExplicitSetIterator {
  public:
    explicit OwnedSetIterator(std::unique_ptr<set<InternalName>> names)
        : ExplicitSetIterator(names.get()), owned(std::move(names)) {}

  protected:
    ~OwnedSetIterator() override = default;

  private:
    std::unique_ptr<set<InternalName>> owned;
};

}  // namespace

bool OMAccess::exportBase(int format, const std::string& fileName, const std::string& docType,
                          const std::string& externalId, const std::string& rootText) {
    const Ref<ExportHandler> handler = exportHandlers.make(format, this);
    if (!handler) {
        reportNotImplemented("OMAccess::export");
        return false;
    }
    ExportRequest request;
    fillExportRequest(request, format, fileName, docType, externalId, rootText);
    handler->exportOM(request);
    return true;
}

void OMAccess::fillExportRequest(ExportRequest& request, int format, const std::string& fileName,
                                 const std::string& docType, const std::string& externalId,
                                 const std::string& rootText) {
    request.format = format;
    request.fileName = fileName;
    request.docType = docType;
    request.externalId = externalId;
    if (!rootText.empty()) internName(request.root, rootText, 1);
}

bool OMAccess::exportDefault(int format) {
    return exportBase(format, "", "", "", "");
}

Iterator* OMAccess::matchAxis(PathStep type, Axis axis, const InternalName* tuple, int count,
                              Iterator* old) {
    if (axis == Axis::None || type == PathStep(MethodType::InheritableSet) ||
        type == PathStep(MethodType::InheritableAttributeSet) ||
        type == PathStep(MethodType::SetSignature) ||
        type == PathStep(MethodType::AttributeSetSignature))
        return lookup(type, tuple, count, old);
    // The axis steps build new iterators: the old one goes at once.
    Ref<Iterator>::adopt(old).reset();
    if (count >= 4) centralErrorHandler().report(err6::UnknownIterType);
    const InternalName start = tuple[0];
    AxisIteratorFactory* axes = axisIterators;
    auto step = [&](Ref<Iterator> base, int valueColumn) -> Iterator* {
        if (axes == nullptr) {
            reportNotImplemented("OMAccess::matchAxis");
            return nullptr;
        }
        return axes->makeMatchAxisIterator(tuple, count, code(axis), 3, valueColumn, this,
                                           base.release(), 0, 0);
    };
    switch (axis) {
        case Axis::None:
            break;
        case Axis::Child:
            // The link is followed before the lookup opens, so the base iterator sees the facts
            // of the linked document instead of running under their insertion.
            if (followLinks != 0 && isBound(start)) {
                InternalName linkType;
                if (xlinkType(start, linkType) != 0) followSimpleLink(start, linkType);
            }
            return step(Ref<Iterator>::adopt(lookup(type, tuple, count, nullptr)), 3);
        case Axis::Attribute:
            return step(
                Ref<Iterator>::adopt(lookup(MethodType::AttributeSet, tuple, count, nullptr)), 3);
        case Axis::Descendant:
            return step(
                Ref<Iterator>::adopt(makeEnhIsaIter(Free, start, IsaRelation::Child, nullptr)), 1);
        case Axis::Ancestor:
            return step(
                Ref<Iterator>::adopt(makeEnhIsaIter(start, Free, IsaRelation::Child, nullptr)), 2);
        case Axis::Parent: {
            if (!isBound(start))
                return step(Ref<Iterator>::adopt(
                                axes != nullptr ? axes->makeParentIter(tuple, 3, this) : nullptr),
                            3);
            auto parents = Ref<Iterator>::adopt(new OwnedSetIterator(classRetrieval(start, 3)));
            if (parents->first()) return step(std::move(parents), 1);
            return new EmptyIterator();
        }
        case Axis::Sibling:
            return step(Ref<Iterator>::adopt(axes != nullptr ? axes->makeSiblingIter(tuple, 3, this)
                                                             : nullptr),
                        3);
        case Axis::Self: {
            // The step's object itself: from a free start each node of a document once (every
            // object linked under a parent), never a row of unknowns.
            const InternalName value = tuple[count - 1];
            if (!isBound(start) && !isBound(value)) {
                return step(Ref<Iterator>::adopt(
                                axes != nullptr ? axes->makeParentIter(tuple, 3, this) : nullptr),
                            1);
            }
            const InternalName node = isBound(start) ? start : value;
            InternalName self;
            internName(self, "self", 1);
            // A named self step is a name test: self::title is the node when it is a title. An
            // unnamed one binds the name to the node's own, as the other axes' name tests do:
            // the name it hangs under at its parent; a node under nothing has none to give.
            const InternalName method = tuple[1];
            if (isBound(method) && method != self &&
                isaTest(node, method, IsaRelation::Member) == 0) {
                return new EmptyIterator();
            }
            InternalName name = method;
            if (!isBound(method)) {
                parentMethod(name, node);
                if (!isBound(name)) return new EmptyIterator();
            }
            const InternalName row[3] = {node, name, node};
            return new DummyIterator(row, 3, !isBound(value) || value == node);
        }
        case Axis::FunctionApplication: {
            const std::string function = lexicalForm(tuple[1]);
            if (!isBound(tuple[1])) {
                centralErrorHandler().report(Error(6, 204, 2,
                                                   "Variable not allowed at function application",
                                                   function, "OMAccess::match", ""));
                return nullptr;
            }
            if (function == "text") return lookup(MethodType::Set, tuple, count, nullptr);
            centralErrorHandler().report(
                Error(6, 204, 2, "Function not implemented", function, "OMAccess::match", ""));
            return nullptr;
        }
    }
    return nullptr;
}

void OMAccess::followSimpleLink(const InternalName& element, const InternalName& linkType) {
    InternalName target;
    if (!documents->simpleLinkTarget(element, linkType, target)) return;
    const std::int32_t previous = followingLink;
    followingLink = 1;
    followLink(target);
    followingLink = previous;
}

void OMAccess::followLink(const InternalName&) {}
