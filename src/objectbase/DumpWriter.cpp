// DumpWriter: whole dumps, saving to a file, object and predicate frames and single method
// entries, all through a dump formatter on debugChannel.
#include "objectbase/DumpWriter.h"

#include <utility>
#include <vector>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "objectbase/DebugFileOutput.h"
#include "objectbase/DumpTargetScope.h"
#include "objectbase/OM.h"
#include "objectbase/PrintedForms.h"
#include "platform/ControlEvents.h"

namespace {

// A frame lists its entries by type: values, inherited values and signatures, and the "@"
// types last (0, 1, 3, 4, 6, 7, then 2, 5, 8).
bool listedLast(int type) {
    return type == 2 || type == 5 || type == 8;
}

bool isSignatureType(int type) {
    return type >= 6 && type <= 8;
}

// True, once noted as a loop cut short, when Ctrl-C or a farewell asks the running work to stop.
bool stopped() {
    if (!controlEvents::stopRequested()) return false;
    controlEvents::noteCutShort();
    return true;
}

}  // namespace

DumpFormatter* DumpWriter::makeFormatter(int format) const {
    return formatters.make(format, &source.base());
}

void DumpWriter::writeEntryValue(DumpFormatter* target, const InternalName& method,
                                 const std::string& methodText, const std::string& restText,
                                 const InternalName& value, int type) {
    if (value.getType() != InternalName::SetName) {
        target->writeMethodValue(methodText, restText, value);
        return;
    }
    const bool signature = isSignatureType(type);
    target->writeMethodHead(methodText, restText, signature ? "(" : "{");
    formatSetMembers(InternalName::UndefinedObject, method, value);
    target->writeText(signature ? ")" : "}");
}

void DumpWriter::dump(int format) {
    DebugFileOutput output("", "DumpWriter::dump", "dump");
    output.buffer();
    forms.keep(true);
    dumpWith(format, "", "", "");
    forms.keep(false);
    output.finish();
}

void DumpWriter::dumpWith(int format, const std::string& rootName, const std::string& idKind,
                          const std::string& idValue) {
    if (source.empty()) {
        debugChannel() << "OM is empty" << std::endl;
        return;
    }
    if (format == 0) {
        dumpDebug();
        return;
    }
    if (format != 1 && format != 2) return;
    DumpTargetScope scope(*this, format, true);
    DumpFormatter* target = scope.target();
    if (target == nullptr) return;
    const DumpFormatter::Batch batch(*target);
    if (format == 2) {
        target->writeDocumentHead(rootName, idKind, idValue);
        target->openRoot(rootName);
    }
    dumpFrames();
    if (format == 2) target->closeRoot(rootName);
}

void DumpWriter::saveAs(int format, const std::string& fileName, const std::string& docTypeName) {
    DebugFileOutput output(fileName, "OMAccess::exportOM", "save");
    if (!output.writable()) return;
    if (source.empty()) {
        debugChannel() << "*** WARNING: OM is empty" << std::endl;
        return;
    }
    if (!output.open()) return;
    std::string idKind;
    std::string idValue;
    if (!docTypeName.empty()) documentTypeId(source.base(), docTypeName, idKind, idValue);
    forms.keep(true);
    dumpWith(format, docTypeName, idKind, idValue);
    forms.keep(false);
    // A save cut short by Ctrl-C or a farewell is not the base: the old file stays.
    output.finish();
}

void DumpWriter::dumpFrames() {
    // A whole base can take long to write: every frame looks for a stop request first.
    {
        Ref<Iterator> names = source.objectNames();
        for (bool more = names->first(); more && !stopped(); more = names->next()) {
            InternalName name = names->atColumn(1);
            if (name == builtinObject::String || name == builtinObject::Numeric) continue;
            if (MainMemObjFrame* frame = source.objectFrame(name)) formatObjFrame(name, frame);
        }
    }
    Ref<Iterator> predicates = source.predicateNames();
    for (bool more = predicates->first(); more && !stopped(); more = predicates->next()) {
        InternalName name = predicates->atColumn(1);
        formatPredFrame(name, source.predicateFrame(name));
        // Through the target, which may hold text not yet written.
        if (dumpTarget != nullptr)
            dumpTarget->newLine();
        else
            debugChannel() << std::endl;
    }
}

void DumpWriter::dumpDebug() {
    OutputChannel& out = debugChannel();
    auto pass = [&out](Ref<Iterator> names, auto frameOf) {
        for (bool more = names->first(); more; more = names->next()) {
            InternalName name = names->atColumn(1);
            out << name << std::endl;
            if (const Frame* frame = frameOf(name)) frame->print(out);
            out << std::endl;
        }
    };
    pass(source.objectNames(), [this](const InternalName& n) { return source.objectFrame(n); });
    pass(source.setNames(), [this](const InternalName& n) { return source.setFrame(n); });
    pass(source.paramNames(), [this](const InternalName& n) { return source.paramFrame(n); });
    pass(source.predicateNames(),
         [this](const InternalName& n) { return source.predicateFrame(n); });
}

void DumpWriter::formatObjFrame(const InternalName& object, MainMemObjFrame* frame) {
    if (frame == nullptr) return;
    DumpTargetScope scope(*this, 1, false);
    DumpFormatter* target = scope.target();
    if (target == nullptr) return;

    // The members are read in place, in the ascending order a set's iterator gives them.
    if (MainMemSetFrame* supers = source.setFrame(frame->getSetName2()))
        for (const InternalName& super : supers->memberSet().ascending())
            target->writeSubclass(object, super);
    InternalName cls = builtinObject::Object;
    if (MainMemSetFrame* classes = source.setFrame(frame->getSetName1())) {
        for (const InternalName& member : classes->memberSet().ascending()) {
            cls = member;
            target->writeIsa(object, cls);
        }
    }

    // The entries are ordered by type, so one walk meets the types listed first in their
    // order; those listed last (few) are kept aside until it ends. A walk for each type set up
    // nine walks a frame.
    // Kept between frames for its storage; taken out while in use, so that a frame written
    // within this one would start with a vector of its own.
    std::vector<DumpEntry> last = std::move(dumpLast);
    last.clear();
    bool any = false;
    auto write = [&](const InternalName& method, const InternalName& value, int type) {
        if (!any) {
            target->openFrame(object, cls, 1);
            target->closeFrameHead();
            any = true;
        } else {
            target->methodSeparator();
        }
        formatMethodEntry(method, value, debugChannel(), type);
    };
    frame->forEachEntry([&](const MethodKey& key, const InternalName& value) {
        const int type = key.methodType;
        if (type < 0 || type > 8) return;
        if (listedLast(type))
            last.push_back({key.method, value, type});
        else
            write(key.method, value, type);
    });
    for (const DumpEntry& entry : last) write(entry.method, entry.value, entry.type);
    dumpLast = std::move(last);
    if (any) target->closeFrame(object, cls);
    target->newLine();
}

void DumpWriter::formatMethodEntry(const InternalName& method, const InternalName& value,
                                   OutputChannel& /*channel*/, int type) {
    DumpTargetScope scope(*this, 1, false);
    DumpFormatter* target = scope.target();
    if (target == nullptr) return;

    std::string scratch;
    const std::string& methodText = forms.methodText(method, type, scratch);
    if (value.getType() != InternalName::ParamFrame) {
        writeEntryValue(target, method, methodText, target->arrowText(type), value, type);
        return;
    }
    MainMemParamFrame* frame = source.paramFrame(value);
    if (frame == nullptr) return;
    const int width = frame->getArity();
    Ref<Iterator> rows = Ref<Iterator>::adopt(frame->getIterator(nullptr));
    bool first = true;
    for (bool more = rows->first(); more; more = rows->next()) {
        if (!first) target->methodSeparator();
        first = false;
        std::string restText = target->argsOpen();
        for (int col = 1; col < width; ++col)
            restText += target->argumentText(col, rows->atColumn(col));
        restText += target->argsClose();
        restText += target->arrowText(type);
        writeEntryValue(target, method, methodText, restText, rows->atColumn(width), type);
    }
}

int DumpWriter::formatSetMembers(const InternalName& host, const InternalName& method,
                                 const InternalName& setName) {
    DumpFormatter* target = dumpTarget;
    MainMemSetFrame* members = source.setFrame(setName);
    if (target == nullptr || members == nullptr) return 0;
    // In place, in the order of the set's iterator: writing changes no set.
    int position = 0;
    controlEvents::StopPoll stop;
    for (const InternalName& member : members->memberSet().ascending()) {
        if (stop.stop()) break;
        target->writeSetMember(host, method, member, ++position);
    }
    return position;
}

void DumpWriter::formatPredFrame(const InternalName& predicate, MainMemPredFrame* frame) {
    if (frame == nullptr) return;
    DumpTargetScope scope(*this, 1, false);
    DumpFormatter* target = scope.target();
    if (target == nullptr) return;

    std::string text;
    forms.write(predicate, text, 1, 0);
    Ref<Iterator> rows = Ref<Iterator>::adopt(frame->getIterator(nullptr));
    bool any = false;
    if (rows != nullptr) {
        const int width = frame->getArity();
        for (bool more = rows->first(); more && !stopped(); more = rows->next()) {
            any = true;
            target->openPredicate(text);
            for (int col = 1; col <= width; ++col) {
                if (col > 1) target->predicateSeparator();
                target->writePredicateArgument(rows->atColumn(col), col);
            }
            target->closePredicate();
        }
    }
    if (!any && predicate.getArity() == 0) target->writeStatement(text);
}

void DumpWriter::showValue(const InternalName& host, const InternalName& method, int type,
                           int argCount) {
    MainMemObjFrame* frame = source.objectFrame(host);
    if (frame == nullptr) return;
    InternalName value;
    if (frame->lookupMethod(method, type, argCount, value) == 0) return;
    formatMethodEntry(method, value, debugChannel(), type);
}
