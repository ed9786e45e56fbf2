// Writing the object base out: whole dumps, saving to a file, object and predicate frames and
// single method entries, all through a dump formatter on debugChannel.
#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "objectbase/DebugFileOutput.h"
#include "objectbase/DumpTargetScope.h"
#include "objectbase/FrameManager.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "platform/ControlEvents.h"

namespace {

// The order in which a frame lists its entries: values, inherited values, signatures, and the
// "@" types last.
constexpr int EntryOrder[] = {0, 1, 3, 4, 6, 7, 2, 5, 8};

bool isSignatureType(int type) {
    return type >= 6 && type <= 8;
}

// The value part of one entry (or of one argument row): a set between brackets or one value.
void writeEntryValue(MainMemOM& om, DumpFormatter* target, const InternalName& method,
                     const std::string& methodText, const std::string& restText,
                     const InternalName& value, int type) {
    if (value.getType() != InternalName::SetName) {
        target->writeMethodValue(methodText, restText, value);
        return;
    }
    const bool signature = isSignatureType(type);
    target->writeMethodHead(methodText, restText, signature ? "(" : "{");
    om.formatSetMembers(InternalName::UndefinedObject, method, value);
    target->writeText(signature ? ")" : "}");
}

// True, once noted as a loop cut short, when Ctrl-C or a farewell asks the running work to stop.
bool stopped() {
    if (!controlEvents::stopRequested()) return false;
    controlEvents::noteCutShort();
    return true;
}

}  // namespace

void MainMemOM::dump(int format) {
    DebugFileOutput output("", "MainMemOM::dump", "dump");
    output.buffer();
    keepForms(true);
    dumpWith(format, "", "", "");
    keepForms(false);
    output.finish();
}

void MainMemOM::dumpWith(int format, const std::string& rootName, const std::string& idKind,
                         const std::string& idValue) {
    if (frameManager->hasFrames() == 0) {
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
    if (format == 2) {
        target->writeDocumentHead(rootName, idKind, idValue);
        target->openRoot(rootName);
    }
    dumpFrames(format);
    if (format == 2) target->closeRoot(rootName);
}

void MainMemOM::saveAs(int format, const std::string& fileName, const std::string& docTypeName) {
    DebugFileOutput output(fileName, "OMAccess::exportOM", "save");
    if (!output.writable()) return;
    if (frameManager->hasFrames() == 0) {
        debugChannel() << "*** WARNING: OM is empty" << std::endl;
        return;
    }
    if (!output.open()) return;
    std::string idKind;
    std::string idValue;
    if (!docTypeName.empty()) documentTypeId(*this, docTypeName, idKind, idValue);
    keepForms(true);
    dumpWith(format, docTypeName, idKind, idValue);
    keepForms(false);
    // A save cut short by Ctrl-C or a farewell is not the base: the old file stays.
    output.finish();
}

void MainMemOM::dumpFrames(int /*format*/) {
    // A whole base can take long to write: every frame looks for a stop request first.
    Iterator* names = objNamesIterator(nullptr);
    for (bool more = names->first(); more && !stopped(); more = names->next()) {
        InternalName name = names->atColumn(1);
        if (name == builtinObject::String || name == builtinObject::Numeric) continue;
        if (MainMemObjFrame* frame = getObjFrame(name)) formatObjFrame(name, frame);
    }
    decRef(names);
    Iterator* predicates = predNamesIterator(nullptr);
    for (bool more = predicates->first(); more && !stopped(); more = predicates->next()) {
        InternalName name = predicates->atColumn(1);
        formatPredFrame(name, getPredFrame(name));
        debugChannel() << std::endl;
    }
    decRef(predicates);
}

void MainMemOM::dumpDebug() {
    OutputChannel& out = debugChannel();
    auto pass = [&out](Iterator* names, auto frameOf) {
        for (bool more = names->first(); more; more = names->next()) {
            InternalName name = names->atColumn(1);
            out << name << std::endl;
            if (const Frame* frame = frameOf(name)) frame->print(out);
            out << std::endl;
        }
        decRef(names);
    };
    pass(objNamesIterator(nullptr), [this](const InternalName& n) { return getObjFrame(n); });
    pass(setNamesIterator(nullptr), [this](const InternalName& n) { return getSetFrame(n); });
    pass(paramNamesIterator(nullptr), [this](const InternalName& n) { return getParamFrame(n); });
    pass(predNamesIterator(nullptr), [this](const InternalName& n) { return getPredFrame(n); });
}

void MainMemOM::formatObjFrame(const InternalName& object, MainMemObjFrame* frame) {
    if (frame == nullptr) return;
    DumpTargetScope scope(*this, 1, false);
    DumpFormatter* target = scope.target();
    if (target == nullptr) return;

    Iterator* members = nullptr;
    if (MainMemSetFrame* supers = getSetFrame(frame->getSetName2())) {
        members = supers->getIterator(members);
        for (bool more = members->first(); more; more = members->next())
            target->writeSubclass(object, members->atColumn(1));
    }
    InternalName cls = builtinObject::Object;
    if (MainMemSetFrame* classes = getSetFrame(frame->getSetName1())) {
        members = classes->getIterator(members);
        for (bool more = members->first(); more; more = members->next()) {
            cls = members->atColumn(1);
            target->writeIsa(object, cls);
        }
    }
    if (members != nullptr) decRef(members);

    Iterator* entries = nullptr;
    bool any = false;
    for (int type : EntryOrder) {
        entries = frame->methodIterator(type, entries);
        for (bool more = entries->first(); more; more = entries->next()) {
            if (!any) {
                target->openFrame(object, cls, 1);
                target->closeFrameHead();
                any = true;
            } else {
                target->methodSeparator();
            }
            formatMethodEntry(entries->atColumn(1), entries->atColumn(2), debugChannel(), type);
        }
    }
    if (entries != nullptr) decRef(entries);
    if (any) target->closeFrame(object, cls);
    target->newLine();
}

void MainMemOM::formatMethodEntry(const InternalName& method, const InternalName& value,
                                  OutputChannel& /*channel*/, int type) {
    DumpTargetScope scope(*this, 1, false);
    DumpFormatter* target = scope.target();
    if (target == nullptr) return;

    std::string methodText = (type == 2 || type == 5 || type == 8) ? "@" : "";
    giveLexicalForm(method, methodText, 1, 0);
    if (value.getType() != InternalName::ParamFrame) {
        writeEntryValue(*this, target, method, methodText, target->arrowText(type), value, type);
        return;
    }
    MainMemParamFrame* frame = getParamFrame(value);
    if (frame == nullptr) return;
    const int width = frame->getArity();
    Iterator* rows = frame->getIterator(nullptr);
    bool first = true;
    for (bool more = rows->first(); more; more = rows->next()) {
        if (!first) target->methodSeparator();
        first = false;
        std::string restText = target->argsOpen();
        for (int col = 1; col < width; ++col)
            restText += target->argumentText(col, rows->atColumn(col));
        restText += target->argsClose();
        restText += target->arrowText(type);
        writeEntryValue(*this, target, method, methodText, restText, rows->atColumn(width), type);
    }
    decRef(rows);
}

int MainMemOM::formatSetMembers(const InternalName& host, const InternalName& method,
                                const InternalName& setName) {
    DumpFormatter* target = dumpTarget;
    Iterator* members = setIterator(setName, nullptr);
    if (target == nullptr || members == nullptr) {
        if (members != nullptr) decRef(members);
        return 0;
    }
    int position = 0;
    controlEvents::StopPoll stop;
    for (bool more = members->first(); more && !stop.stop(); more = members->next())
        target->writeSetMember(host, method, members->atColumn(1), ++position);
    decRef(members);
    return position;
}

void MainMemOM::formatPredFrame(const InternalName& predicate, MainMemPredFrame* frame) {
    if (frame == nullptr) return;
    DumpTargetScope scope(*this, 1, false);
    DumpFormatter* target = scope.target();
    if (target == nullptr) return;

    std::string text;
    giveLexicalForm(predicate, text, 1, 0);
    Iterator* rows = frame->getIterator(nullptr);
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
        decRef(rows);
    }
    if (!any && predicate.getArity() == 0) target->writeStatement(text);
}

void MainMemOM::showValue(const InternalName& host, const InternalName& method, int type,
                          int argCount) {
    MainMemObjFrame* frame = getObjFrame(host);
    if (frame == nullptr) return;
    InternalName value;
    if (frame->lookupMethod(method, type, argCount, value) == 0) return;
    formatMethodEntry(method, value, debugChannel(), type);
}
